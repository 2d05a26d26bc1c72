#pragma once
// Static text (the version label, the status line) and a text field edited through
// the platform's value entry.
//
// Threads: the plug-in rewrites a text control's text from a host or audio thread
// (SetTextFromPlug, plug-in mutex held) while the editor thread draws it. The text is
// therefore only touched under the control's own short lock, held just for a compare
// and copy; the storage is reserved up front so that short texts (every status
// message) never allocate on the audio thread.
#include "IControl.h"
#include "WDL_Mutex.h"
#include "WDL_String.h"

class ITextControl : public IControl {
public:
  // [main thread] Unbound; a null text is the empty text.
  ITextControl(IPlugBase* plug, const IRECT* rect, IText* text, const char* str = nullptr);
  ~ITextControl() override;

  // [editor thread] Draws the text in the style; nothing for the empty text.
  bool Draw(IGraphics* graphics) override;
  // [any thread, plug-in mutex held] Replaces the text; an equal text changes nothing.
  void SetTextFromPlug(const char* text);
  // [any thread] Copies the text shown.
  void GetText(WDL_String* out);

  IText mText;

protected:
  // [editor thread] The text as drawn now, copied out of the shared storage.
  void CopyText(WDL_String* out);

  WDL_String mStr;
  WDL_Mutex mStrLock;
};

class IEditableTextControl : public ITextControl {
public:
  // [main thread] A double click acts as a press, so it opens the entry too.
  IEditableTextControl(IPlugBase* plug, const IRECT* rect, IText* text, const char* str,
                       bool editable, bool secure);

  // [editor thread] Any button opens the text entry over the control.
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  // [editor thread] The background colour (unless transparent), then the text, or for a
  // secure field one '*' per character, at most 254.
  bool Draw(IGraphics* graphics) override;
  // [editor thread] The committed entry becomes the text.
  void TextFromTextEntry(const char* text) { SetTextFromPlug(text); }

  bool IsEditable() const { return mEditable; }
  bool IsSecure() const { return mIsSecure; }

  IColor mBackColor{0, 0, 0, 0};
  bool mEditable;
  bool mIsSecure;
};
