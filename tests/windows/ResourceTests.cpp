// PNG skin images as Windows resources: the loader on fixtures compiled into
// this program, and the images and version record inside the plug-in DLL.
#include "lice_png.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>

namespace {

LICE_pixel Word(int a, int r, int g, int b) {
  return ((LICE_pixel)a << 24) | ((LICE_pixel)r << 16) | ((LICE_pixel)g << 8) | (LICE_pixel)b;
}

LICE_pixel At(LICE_IBitmap* bm, int x, int y) {
  int row = bm->isFlipped() ? bm->getHeight() - 1 - y : y;
  return bm->getBits()[row * bm->getRowSpan() + x];
}

TEST(PngResource, DecodesAnImageWithAlphaIntoBgraWords) {
  std::unique_ptr<LICE_IBitmap> bm(LICE_LoadPNGFromResource(GetModuleHandleA(nullptr), 100));
  ASSERT_TRUE(bm);
  ASSERT_EQ(bm->getWidth(), 3);
  ASSERT_EQ(bm->getHeight(), 2);
  EXPECT_EQ(At(bm.get(), 0, 0), Word(255, 255, 0, 0));
  EXPECT_EQ(At(bm.get(), 1, 0), Word(128, 0, 255, 0));
  EXPECT_EQ(At(bm.get(), 2, 0), Word(0, 0, 0, 255)); // colour kept under zero alpha
  EXPECT_EQ(At(bm.get(), 0, 1), Word(40, 10, 20, 30));
  EXPECT_EQ(At(bm.get(), 2, 1), Word(4, 1, 2, 3));
}

TEST(PngResource, AnImageWithoutAlphaLoadsOpaqueIntoASuppliedBitmap) {
  LICE_MemBitmap target(7, 7);
  LICE_IBitmap* bm = LICE_LoadPNGFromResource(GetModuleHandleA(nullptr), 101, &target);
  ASSERT_EQ(bm, &target);
  ASSERT_EQ(target.getWidth(), 2);
  ASSERT_EQ(target.getHeight(), 2);
  EXPECT_EQ(At(&target, 0, 0), Word(255, 12, 34, 56));
  EXPECT_EQ(At(&target, 1, 0), Word(255, 78, 90, 123));
  EXPECT_EQ(At(&target, 1, 1), Word(255, 0, 0, 0));
}

TEST(PngResource, RefusesMissingForeignAndDamagedResources) {
  HINSTANCE self = GetModuleHandleA(nullptr);
  struct Case {
    int id;
    const char* why;
  } cases[] = {{99, "no such id"},
               {200, "no PNG signature"},
               {201, "shorter than a signature"},
               {300, "a PNG under type RCDATA"}};
  for (const Case& c : cases) {
    LICE_MemBitmap target(5, 5);
    EXPECT_EQ(LICE_LoadPNGFromResource(self, c.id), nullptr) << c.why;
    EXPECT_EQ(LICE_LoadPNGFromResource(self, c.id, &target), nullptr) << c.why;
  }
}

// The plug-in DLL, loaded as a host loads it.
HMODULE Plugin() {
  static HMODULE module = [] {
    std::string path = CORVANEL_PLUGIN;
    if (!path.empty() && path[0] == '/') path = "Z:" + path; // wine's view of the build tree
    return LoadLibraryA(path.c_str());
  }();
  return module;
}

struct SkinImage {
  int id, width, height;
};
const SkinImage kSkin[] = {{100, 620, 355}, {101, 50, 50}, {102, 112, 31},
                           {103, 112, 31},  {104, 22, 20}, {105, 70, 72},
                           {106, 31, 14},   {107, 11, 7},  {108, 11, 7}};

bool Embedded(int id) {
  const int ids[] = {0 CORVANEL_SKIN_IDS}; // ids whose image exists in resources/
  for (int e : ids)
    if (e == id) return true;
  return false;
}

TEST(PluginResources, EverySkinImagePresentDecodesAtItsSize) {
  ASSERT_TRUE(Plugin()) << "cannot load " << CORVANEL_PLUGIN;
  for (const SkinImage& s : kSkin) {
    std::unique_ptr<LICE_IBitmap> bm(LICE_LoadPNGFromResource(Plugin(), s.id));
    if (!Embedded(s.id)) {
      EXPECT_FALSE(bm) << "id " << s.id << " has no image in resources/ yet";
      continue;
    }
    ASSERT_TRUE(bm) << "id " << s.id;
    EXPECT_EQ(bm->getWidth(), s.width) << "id " << s.id;
    EXPECT_EQ(bm->getHeight(), s.height) << "id " << s.id;
  }
}

TEST(PluginResources, VersionRecordNamesTheRelease) {
  ASSERT_TRUE(Plugin());
  HRSRC res = FindResourceA(Plugin(), MAKEINTRESOURCEA(VS_VERSION_INFO), (LPCSTR)RT_VERSION);
  ASSERT_TRUE(res);
  const BYTE* data = (const BYTE*)LockResource(LoadResource(Plugin(), res));
  ASSERT_TRUE(data);
  // The fixed part follows the 6-byte header and the key "VS_VERSION_INFO", 32-bit aligned.
  const VS_FIXEDFILEINFO* fixed = (const VS_FIXEDFILEINFO*)(data + 40);
  ASSERT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(fixed->dwFileVersionMS,
            (DWORD)((CORVANEL_VERSION_MAJOR << 16) | CORVANEL_VERSION_MINOR));
  EXPECT_EQ(fixed->dwFileVersionLS, (DWORD)(CORVANEL_VERSION_PATCH << 16));
}

TEST(PluginResources, BothEntryNamesAreOneFunction) {
  ASSERT_TRUE(Plugin());
  FARPROC entry = GetProcAddress(Plugin(), "VSTPluginMain");
  ASSERT_TRUE(entry);
  EXPECT_EQ(GetProcAddress(Plugin(), "main"), entry);
}

} // namespace
