// The nine skin images (and their 2x art) as the editor loads them: resource id, file name, size,
// alpha, and how the frames lie. The Windows build embeds them under these ids
// and the controls cut their frames by these counts.
#include "SkinFiles.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

enum class Frames { kOne, kSideBySide, kStacked };

struct SkinImage {
  int id;
  const char* file;
  int width, height;
  bool alpha;
  int frames;
  Frames layout;
  int frameWidth, frameHeight; // what the control shows of one frame
};

const SkinImage kImages[] = {
    {100, "bg.png", 620, 355, false, 1, Frames::kOne, 620, 355},
    {101, "knob.png", 50, 50, true, 1, Frames::kOne, 50, 50},
    {102, "but1.png", 112, 31, true, 2, Frames::kSideBySide, 56, 31},
    {103, "but2.png", 112, 31, true, 2, Frames::kSideBySide, 56, 31},
    {104, "but3.png", 22, 20, false, 1, Frames::kOne, 22, 20},
    {105, "radio.png", 70, 72, false, 4, Frames::kStacked, 70, 18},
    {106, "slider.png", 31, 14, false, 1, Frames::kOne, 31, 14},
    {107, "on.png", 11, 7, true, 1, Frames::kOne, 11, 7},
    {108, "on_.png", 11, 7, true, 1, Frames::kOne, 11, 7},
};

void PrintTo(const SkinImage& im, std::ostream* os) { *os << im.id << " " << im.file; }

class SkinTable : public ::testing::TestWithParam<SkinImage> {};

TEST_P(SkinTable, HeaderHasTheSizeAndAnEightBitRgbOrRgbaColourType) {
  const SkinImage& im = GetParam();
  skin::Header h = skin::ReadHeader(im.file);
  ASSERT_TRUE(h.ok) << skin::PathOf(im.file);
  EXPECT_EQ(h.width, im.width);
  EXPECT_EQ(h.height, im.height);
  EXPECT_EQ(h.bitDepth, 8);
  EXPECT_EQ(h.colourType, im.alpha ? 6 : 2) << "6 is RGBA, 2 is RGB";
}

TEST_P(SkinTable, LoadsWithThatSizeAndOpaqueWhenWithoutAlpha) {
  const SkinImage& im = GetParam();
  auto bm = skin::Load(im.file);
  ASSERT_TRUE(bm) << skin::PathOf(im.file);
  ASSERT_EQ(bm->getWidth(), im.width);
  ASSERT_EQ(bm->getHeight(), im.height);
  int transparent = 0;
  for (int y = 0; y < im.height; ++y)
    for (int x = 0; x < im.width; ++x)
      transparent += skin::At(bm.get(), x, y).a != 255;
  if (im.alpha) {
    EXPECT_GT(transparent, 0) << "an image with alpha that uses none";
  } else {
    EXPECT_EQ(transparent, 0);
  }
}

// The shift buttons show half their width per frame (the halves of a 112-pixel
// button), the Target group one 18-pixel button per slice.
TEST_P(SkinTable, FramesDivideTheImageEvenlyIntoWhatTheControlShows) {
  const SkinImage& im = GetParam();
  int across = im.layout == Frames::kSideBySide ? im.frames : 1;
  int down = im.layout == Frames::kStacked ? im.frames : 1;
  if (im.layout == Frames::kOne) {
    EXPECT_EQ(im.frames, 1);
  }
  EXPECT_EQ(im.width % across, 0);
  EXPECT_EQ(im.height % down, 0);
  EXPECT_EQ(im.width / across, im.frameWidth);
  EXPECT_EQ(im.height / down, im.frameHeight);
}

// The 2x art beside each image: twice the size, the same colour type, so that every
// frame and rectangle of the layout doubles exactly.
TEST_P(SkinTable, TheTwiceArtHasDoubleTheSizeAndTheSameColourType) {
  const SkinImage& im = GetParam();
  std::string twice = im.file;
  twice.insert(twice.rfind('.'), "@2x");
  skin::Header h = skin::ReadHeader(twice.c_str());
  ASSERT_TRUE(h.ok) << skin::PathOf(twice.c_str());
  EXPECT_EQ(h.width, 2 * im.width);
  EXPECT_EQ(h.height, 2 * im.height);
  EXPECT_EQ(h.bitDepth, 8);
  EXPECT_EQ(h.colourType, im.alpha ? 6 : 2);
}

TEST(SkinTable, IdsRunFrom100To108InOrder) {
  int id = 100;
  for (const SkinImage& im : kImages)
    EXPECT_EQ(im.id, id++) << im.file;
}

INSTANTIATE_TEST_SUITE_P(Images, SkinTable, ::testing::ValuesIn(kImages),
                         [](const ::testing::TestParamInfo<SkinImage>& param) {
                           std::string n = param.param.file;
                           for (char& c : n)
                             if (c == '.' || c == '_') c = 'x';
                           return n;
                         });

} // namespace
