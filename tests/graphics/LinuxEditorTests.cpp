// The Linux platform class: skin images from the binary, the value-entry record and its
// tick, web pages through the desktop's opener, cursors and closing.
#include "IGraphicsLinux.h"
#include "IControl.h"
#include "PluginAdapter.h"
#include "SkinImages.h"
#include "lice_png.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

class Plug : public IPlugTestHost {
public:
  Plug()
      : IPlugTestHost(IPlugInstanceInfo(), 2, "1-1 2-2", 1, "Effect", "Product", "Maker",
                      0x00010200, 1, 2, 0, 0, false, false) {
    GetParam(0)->DefineEnum("Rate", 2, 4);
    const char* rates[] = {"1/4", "1/8", "1/16", "1/8T"};
    for (int i = 0; i < 4; ++i)
      GetParam(0)->SetDisplayText(i, rates[i]);
    GetParam(1)->DefineInt("Mix", 80, 0, 100, "%");
  }
};

class Knob : public IControl {
public:
  Knob(IPlugBase* plug, int paramIdx) : IControl(plug, IRECT(26, 100, 76, 170), paramIdx) {}
  bool Draw(IGraphics*) override { return true; }
};

struct LinuxEditor {
  Plug plug;
  IGraphicsLinux* graphics = new IGraphicsLinux(&plug, 620, 355);
  Knob* rate = new Knob(&plug, 0);
  Knob* mix = new Knob(&plug, 1);
  LinuxEditor() {
    graphics->AttachControl(rate);
    graphics->AttachControl(mix);
    plug.AttachEditor(graphics);
    graphics->OpenWindow(nullptr);
    graphics->Tick();
    plug.mEvents.clear();
  }
};

TEST(LinuxSkin, EveryEmbeddedImageDecodesAsItsFileAndOthersAreMissing) {
  LinuxEditor e;
  EXPECT_EQ(e.graphics->OSLoadBitmap(999, "../img/none.png"), nullptr);
  for (int id = 100; id <= 108; ++id) {
    const SkinImage* image = FindSkinImage(id);
    if (!image) continue; // not drawn yet
    std::unique_ptr<LICE_IBitmap> embedded(e.graphics->OSLoadBitmap(id, "unused"));
    std::unique_ptr<LICE_IBitmap> file(
        LICE_LoadPNG((std::string(CORVANEL_SKIN_IMAGE_DIR) + "/" + image->mFileName).c_str()));
    ASSERT_TRUE(embedded && file) << image->mFileName;
    ASSERT_EQ(embedded->getWidth(), file->getWidth());
    ASSERT_EQ(embedded->getHeight(), file->getHeight());
    for (int y = 0; y < file->getHeight(); ++y)
      for (int x = 0; x < file->getWidth(); ++x)
        ASSERT_EQ(LICE_RowPtr(embedded.get(), y)[x], LICE_RowPtr(file.get(), y)[x]);
  }
}

TEST(LinuxValueEntry, AListForDisplayTextsAppliesOnTheNextTickInsideAGesture) {
  LinuxEditor e;
  e.graphics->PromptUserInput(e.rate, e.plug.GetParam(0), true);
  const IGraphicsLinux::ValueEntry* entry = e.graphics->GetValueEntry();
  ASSERT_NE(entry, nullptr);
  EXPECT_TRUE(entry->mIsList);
  EXPECT_STREQ(entry->mText.Get(), "1/16");
  EXPECT_EQ(entry->mSelected, 2);
  ASSERT_EQ(e.graphics->NEntryChoices(), 4);
  EXPECT_STREQ(e.graphics->GetEntryChoice(3), "1/8T");
  EXPECT_EQ(e.graphics->GetEntryChoice(4), nullptr);

  e.graphics->PromptUserInput(e.mix, e.plug.GetParam(1), true); // one entry at a time
  EXPECT_EQ(e.graphics->GetValueEntry()->mControl, e.rate);

  ASSERT_TRUE(e.graphics->CommitValueEntry("1/8T"));
  EXPECT_EQ(e.plug.GetParam(0)->mValue, 2.0) << "not before the tick";
  e.graphics->Tick();
  EXPECT_EQ(e.plug.GetParam(0)->mValue, 3.0);
  EXPECT_EQ(e.graphics->GetValueEntry(), nullptr);
  ASSERT_GE(e.plug.mEvents.size(), 3u);
  EXPECT_EQ(e.plug.mEvents.front().mKind, IPlugTestHost::Event::kBegin);
  EXPECT_EQ(e.plug.mEvents[2].mKind, IPlugTestHost::Event::kEnd);
  EXPECT_FALSE(e.graphics->CommitValueEntry("1/4")) << "no entry is open";
}

TEST(LinuxValueEntry, AFieldOffersTheDisplayAndADismissChangesNothing) {
  LinuxEditor e;
  e.graphics->PromptUserInput(e.mix, e.plug.GetParam(1), true);
  const IGraphicsLinux::ValueEntry* entry = e.graphics->GetValueEntry();
  ASSERT_NE(entry, nullptr);
  EXPECT_FALSE(entry->mIsList);
  EXPECT_STREQ(entry->mText.Get(), "80");
  EXPECT_EQ(entry->mRect, IRECT(51 - 16, 135 - 8, 51 + 16, 135 + 8)) << "centred, 32 wide";
  ASSERT_TRUE(e.graphics->DismissValueEntry());
  e.graphics->Tick();
  EXPECT_EQ(e.graphics->GetValueEntry(), nullptr);
  EXPECT_EQ(e.plug.GetParam(1)->mValue, 80.0);
}

TEST(LinuxOpener, AnswersWhetherTheOpenerStarted) {
  LinuxEditor e;
  e.graphics->SetURLOpener("true");
  EXPECT_TRUE(e.graphics->OpenURL("https://example.invalid/Corvanel", nullptr, nullptr, "err"));
  EXPECT_STREQ(e.graphics->GetLastURL(), "https://example.invalid/Corvanel");
  e.graphics->SetURLOpener("corvanel-no-such-opener");
  EXPECT_FALSE(e.graphics->OpenURL("https://example.invalid/", nullptr, nullptr, "err"));
  EXPECT_FALSE(e.graphics->OpenURL("", nullptr, nullptr, "err"));
}

TEST(LinuxWindow, ClosingEndsAPendingWheelGestureAndForgetsTheEntry) {
  LinuxEditor e;
  IMouseMod none;
  e.graphics->OnMouseWheel(50, 120, &none, 1);
  e.graphics->PromptUserInput(e.mix, e.plug.GetParam(1), true);
  e.graphics->CloseWindow();
  ASSERT_FALSE(e.plug.mEvents.empty());
  EXPECT_EQ(e.plug.mEvents.back().mKind, IPlugTestHost::Event::kEnd);
  EXPECT_EQ(e.graphics->GetValueEntry(), nullptr);
  EXPECT_FALSE(e.graphics->WindowIsOpen());
  e.graphics->SetPlatformCursor(IGraphics::kCursorSizeWE);
  EXPECT_EQ(e.graphics->GetCursor(), 32644);
}

} // namespace
