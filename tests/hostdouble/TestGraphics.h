#pragma once
// An editor platform for tests on every build: the real graphics core with no window.
// It records what the core and the controls ask of the platform (prompts, web pages,
// the end-of-gesture timer, cursors, image loads) and runs a window's timer tick on
// request. Images come from the test's loader; without one every image is missing.
#include "IGraphics.h"

#include <functional>
#include <map>
#include <string>

class TestGraphics : public IGraphics {
public:
  explicit TestGraphics(IPlugBase* plug, int width = 620, int height = 355, int fps = 0)
      : IGraphics(plug, width, height, fps) {}

  bool DrawScreen(IRECT* r) override;
  bool WindowIsOpen() override { return false; }
  void PromptUserInput(IControl* control, IParam* param, bool centered) override;
  void PromptUserInput(IEditableTextControl* control) override;
  bool OpenURL(const char* url, const char* windowTitle, const char* confirmText,
               const char* errorText) override;
  int ProcessMouseWheel(float) override { return 0; }
  void SetParamChangeTimer(int ticks) override { mTimer = ticks; }
  void CancelParamChangeTimer() override { mTimer = 0; }
  void* OpenWindow(void*) override { return nullptr; }
  void CloseWindow() override {}
  void* GetWindow() override { return nullptr; }
  void SetAllTooltips() override {}
  LICE_IBitmap* OSLoadBitmap(int id, const char* name) override;
  void SetPlatformCursor(int cursorId) override { mCursor = cursorId; }

  // A window's timer tick: repaint what is dirty, count the end-of-gesture timer down.
  void Tick();

  std::function<LICE_IBitmap*(int id, const char* name)> mLoader;
  std::map<int, int> mLoads; // OSLoadBitmap calls per id
  int mTimer = 0;
  int mCursor = kCursorArrow;
  int mPrompts = 0;
  IControl* mPromptControl = nullptr;
  IParam* mPromptParam = nullptr;
  bool mPromptCentered = false;
  std::string mLastURL;
  std::string mLastURLError;
  bool mURLOpens = true;
  int mScreenDraws = 0;
  IRECT mLastScreenRect;
};
