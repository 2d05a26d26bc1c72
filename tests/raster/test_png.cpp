// PNG decoding of every colour type, writing, and refusal of bad images.
#include "lice_png.h"
#include "png_fixtures.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

struct Rgba {
  int r, g, b, a;
};

LICE_pixel At(LICE_IBitmap* bm, int x, int y) { return LICE_RowPtr(bm, y)[x]; }

std::unique_ptr<LICE_IBitmap> Load(const std::vector<unsigned char>& bytes) {
  return std::unique_ptr<LICE_IBitmap>(LICE_LoadPNGFromMemory(bytes.data(), (int)bytes.size()));
}

std::string TempPath(const char* name) {
  return std::string(::testing::TempDir()) + "/corvanel_raster_" + std::to_string(getpid()) + "_" +
         name;
}

struct DecodeCase {
  const char* name;
  PngSpec spec;
  std::vector<Rgba> want; // the first row
};

std::vector<DecodeCase> DecodeCases() {
  std::vector<DecodeCase> cases;
  {
    DecodeCase c{
        "rgba keeps colour and alpha unpremultiplied", {}, {{200, 10, 20, 0}, {1, 2, 3, 128}}};
    c.spec.width = 2;
    c.spec.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
    c.spec.pixels = {200, 10, 20, 0, 1, 2, 3, 128};
    cases.push_back(c);
  }
  {
    DecodeCase c{"rgb loads opaque", {}, {{9, 8, 7, 255}}};
    c.spec.colorType = PNG_COLOR_TYPE_RGB;
    c.spec.pixels = {9, 8, 7};
    cases.push_back(c);
  }
  {
    DecodeCase c{"palette with transparency gets real alpha",
                 {},
                 {{255, 0, 0, 0}, {0, 255, 0, 128}, {0, 0, 255, 255}, {9, 9, 9, 255}}};
    c.spec.width = 4;
    c.spec.colorType = PNG_COLOR_TYPE_PALETTE;
    c.spec.palette = {255, 0, 0, 0, 255, 0, 0, 0, 255, 9, 9, 9};
    c.spec.trns = {0, 128, 255}; // the fourth entry has none: opaque
    c.spec.pixels = {0, 1, 2, 3};
    cases.push_back(c);
  }
  {
    DecodeCase c{"4-bit palette without transparency", {}, {{1, 2, 3, 255}, {4, 5, 6, 255}}};
    c.spec.width = 2;
    c.spec.colorType = PNG_COLOR_TYPE_PALETTE;
    c.spec.bitDepth = 4;
    c.spec.palette = {1, 2, 3, 4, 5, 6};
    c.spec.pixels = {0x01};
    cases.push_back(c);
  }
  {
    DecodeCase c{
        "16-bit grey loads as opaque rgb", {}, {{0x12, 0x12, 0x12, 255}, {0xff, 0xff, 0xff, 255}}};
    c.spec.width = 2;
    c.spec.colorType = PNG_COLOR_TYPE_GRAY;
    c.spec.bitDepth = 16;
    c.spec.pixels = {0x12, 0x34, 0xff, 0xff};
    cases.push_back(c);
  }
  {
    DecodeCase c{"grey with alpha", {}, {{77, 77, 77, 33}, {200, 200, 200, 255}}};
    c.spec.width = 2;
    c.spec.colorType = PNG_COLOR_TYPE_GRAY_ALPHA;
    c.spec.pixels = {77, 33, 200, 255};
    cases.push_back(c);
  }
  {
    DecodeCase c{"1-bit grey with a transparent key",
                 {},
                 {{255, 255, 255, 0}, {0, 0, 0, 255}, {255, 255, 255, 0}, {0, 0, 0, 255}}};
    c.spec.width = 4;
    c.spec.colorType = PNG_COLOR_TYPE_GRAY;
    c.spec.bitDepth = 1;
    c.spec.trnsGrey = 1;
    c.spec.pixels = {0xa0};
    cases.push_back(c);
  }
  {
    DecodeCase c{"16-bit rgba keeps the high bytes", {}, {{0x10, 0x20, 0x30, 0x40}}};
    c.spec.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
    c.spec.bitDepth = 16;
    c.spec.pixels = {0x10, 0xff, 0x20, 0xff, 0x30, 0xff, 0x40, 0xff};
    cases.push_back(c);
  }
  return cases;
}

TEST(LoadPNG, EveryColourTypeArrivesAsNonPremultipliedPixels) {
  for (const DecodeCase& c : DecodeCases()) {
    std::vector<unsigned char> bytes = EncodePng(c.spec);
    ASSERT_FALSE(bytes.empty()) << c.name;
    auto bm = Load(bytes);
    ASSERT_TRUE(bm) << c.name;
    ASSERT_EQ(bm->getWidth(), c.spec.width) << c.name;
    ASSERT_EQ(bm->getHeight(), c.spec.height) << c.name;
    EXPECT_EQ(bm->getRowSpan() % 4, 0) << c.name; // made with alignment 4
    for (size_t x = 0; x < c.want.size(); ++x) {
      const Rgba& w = c.want[x];
      EXPECT_EQ(At(bm.get(), (int)x, 0), LICE_RGBA(w.r, w.g, w.b, w.a)) << c.name << " pixel " << x;
    }
  }
}

TEST(LoadPNG, InterlacedImagesDecodeLikePlainOnes) {
  PngSpec spec;
  spec.width = 9;
  spec.height = 7;
  spec.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
  for (int i = 0; i < 9 * 7 * 4; ++i)
    spec.pixels.push_back((unsigned char)(i * 37));
  auto plain = Load(EncodePng(spec));
  spec.interlaced = true;
  auto interlaced = Load(EncodePng(spec));
  ASSERT_TRUE(plain && interlaced);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 9; ++x)
      ASSERT_EQ(At(plain.get(), x, y), At(interlaced.get(), x, y));
}

TEST(LoadPNG, FillsASuppliedBitmap) {
  PngSpec spec;
  spec.width = 3;
  spec.height = 2;
  spec.colorType = PNG_COLOR_TYPE_RGB;
  spec.pixels.assign(18, 50);
  std::vector<unsigned char> bytes = EncodePng(spec);
  LICE_MemBitmap target(10, 10);
  EXPECT_EQ(LICE_LoadPNGFromMemory(bytes.data(), (int)bytes.size(), &target), &target);
  EXPECT_EQ(target.getWidth(), 3);
  EXPECT_EQ(target.getHeight(), 2);
  EXPECT_EQ(At(&target, 2, 1), LICE_RGBA(50, 50, 50, 255));
}

TEST(LoadPNG, WrittenImagesReadBackTheSame) {
  LICE_MemBitmap bm(5, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x)
      LICE_RowPtr(&bm, y)[x] = LICE_RGBA(x * 50, y * 80, 7, 40 * x + y);
  const std::string path = TempPath("roundtrip.png");
  ASSERT_TRUE(LICE_WritePNG(path.c_str(), &bm));
  std::unique_ptr<LICE_IBitmap> back(LICE_LoadPNG(path.c_str()));
  ASSERT_TRUE(back);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x)
      EXPECT_EQ(At(back.get(), x, y), At(&bm, x, y));

  ASSERT_TRUE(LICE_WritePNG(path.c_str(), &bm, false)); // without alpha: opaque
  back.reset(LICE_LoadPNG(path.c_str()));
  ASSERT_TRUE(back);
  EXPECT_EQ(At(back.get(), 1, 1), LICE_RGBA(50, 80, 7, 255));
  std::remove(path.c_str());

  LICE_MemBitmap empty(0, 0);
  EXPECT_FALSE(LICE_WritePNG(path.c_str(), &empty));
  EXPECT_FALSE(LICE_WritePNG("/nonexistent-dir/x.png", &bm));
}

TEST(LoadPNG, RefusesBadImages) {
  PngSpec spec;
  spec.width = 6;
  spec.height = 5;
  spec.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
  for (int i = 0; i < 6 * 5 * 4; ++i)
    spec.pixels.push_back((unsigned char)(i * 13));
  const std::vector<unsigned char> good = EncodePng(spec);
  ASSERT_TRUE(Load(good));

  // Every truncation, the signature included.
  for (size_t n = 0; n < good.size(); ++n) {
    std::vector<unsigned char> cut(good.begin(), good.begin() + (long)n);
    ASSERT_FALSE(LICE_LoadPNGFromMemory(cut.data(), (int)cut.size())) << "cut at " << n;
  }

  std::vector<unsigned char> badSig = good;
  badSig[1] = 'Q';
  EXPECT_FALSE(Load(badSig));

  // A damaged byte inside the image data: the chunk's CRC no longer matches.
  std::vector<unsigned char> corrupt = good;
  corrupt[good.size() - 20] ^= 0x55;
  EXPECT_FALSE(Load(corrupt));

  EXPECT_FALSE(LICE_LoadPNGFromMemory(nullptr, 100));
  EXPECT_FALSE(LICE_LoadPNG("/nonexistent-dir/none.png"));
  EXPECT_FALSE(LICE_LoadPNG(nullptr));

  const std::string path = TempPath("notpng.png");
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_TRUE(f);
  std::fputs("GIF89a, not a PNG at all", f);
  std::fclose(f);
  EXPECT_FALSE(LICE_LoadPNG(path.c_str()));
  std::remove(path.c_str());
}

TEST(LoadPNG, HugeImagesAreRefusedBeforeAnyPixelStorage) {
  // Header-only images: a supplied bitmap keeps its size, so nothing was allocated for them.
  const unsigned sizes[][2] = {{0x7fffffff, 0x7fffffff}, {100000, 100000}, {20000, 10},
                               {16384, 16384},           {8193, 8192},     {0, 5}};
  for (const auto& s : sizes) {
    std::vector<unsigned char> bytes = PngHeaderOnly(s[0], s[1]);
    LICE_MemBitmap target(2, 2);
    EXPECT_FALSE(LICE_LoadPNGFromMemory(bytes.data(), (int)bytes.size(), &target))
        << s[0] << "x" << s[1];
    EXPECT_EQ(target.getWidth(), 2) << s[0] << "x" << s[1];
    EXPECT_FALSE(Load(bytes));
  }
}

TEST(LoadPNG, ADamagedImageLeavesASuppliedBitmapUsable) {
  PngSpec spec;
  spec.width = 4;
  spec.height = 4;
  spec.colorType = PNG_COLOR_TYPE_RGB;
  spec.pixels.assign(48, 9);
  std::vector<unsigned char> bytes = EncodePng(spec);
  bytes.resize(bytes.size() - 16); // the IDAT end and IEND are gone
  LICE_MemBitmap target(2, 2);
  EXPECT_FALSE(LICE_LoadPNGFromMemory(bytes.data(), (int)bytes.size(), &target));
  EXPECT_NE(target.getBits(), nullptr);
}

} // namespace
