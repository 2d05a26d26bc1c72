#pragma once
// The Windows platform class of the editor: the surface is a DIB section in a memory
// device context, and the skin images are PNG resources of the plug-in's own module.
// It opens no window yet: OpenWindow answers null, so the host keeps its own.
//
// Threads: everything runs on the host's user-interface thread.
#include "IGraphics.h"

#include <windows.h>

class IGraphicsWin : public IGraphics {
public:
  // [main thread]
  IGraphicsWin(IPlugBase* plug, int width, int height, int fps = 0);
  ~IGraphicsWin() override;

  bool DrawScreen(IRECT* r) override { return false; }
  bool WindowIsOpen() override { return false; }
  void PromptUserInput(IControl* control, IParam* param, bool centered) override {}
  void PromptUserInput(IEditableTextControl* control) override {}
  bool HostPath(WDL_String* path) override { return false; }
  bool PluginPath(WDL_String* path) override { return false; }
  bool PromptForFile(WDL_String* file, bool save, const char* dir, const char* exts) override {
    return false;
  }
  bool PromptForColor(IColor* color, const char* prompt) override { return false; }
  bool OpenURL(const char* url, const char* windowTitle, const char* confirmText,
               const char* errorText) override {
    return false;
  }
  int ProcessMouseWheel(float delta) override { return 0; }
  void SetParamChangeTimer(int ticks) override { mParamChangeTimer = ticks; }
  void CancelParamChangeTimer() override { mParamChangeTimer = 0; }
  void* OpenWindow(void* parent) override { return nullptr; }
  void CloseWindow() override {}
  void* GetWindow() override { return nullptr; }
  void SetAllTooltips() override {}
  // [editor thread, bitmap cache mutex held] The module's PNG resource `id`.
  LICE_IBitmap* OSLoadBitmap(int id, const char* name) override;
  void SetPlatformCursor(int cursorId) override;

private:
  int mParamChangeTimer = 0;
};
