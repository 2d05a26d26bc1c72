#pragma once
// The editor as the plug-in side sees it. The graphics core (control list,
// drawing surface, input dispatch) and the platform windows implement it; the
// plug-in base and the plug-in class reach the editor only through these
// operations, and only while an editor is attached.
class IPlugBase;

class IGraphics {
public:
  virtual ~IGraphics() {}

  // Timer ticks per second of the editor window.
  virtual int FPS() const = 0;

  // [any thread, plug-in mutex held] Creates the drawing surface; called once by AttachEditor.
  virtual void PrepareDrawing() = 0;

  // [any thread, plug-in mutex held] Hands a parameter value (real, or normalised when
  // the flag is set) to the controls bound to it; they only store it and mark themselves dirty.
  virtual void SetParameterFromPlug(int paramIdx, double value, bool normalized) = 0;

  // [editor or audio thread, plug-in mutex held] Gives the controls of a parameter a value
  // as if the user had entered it; it reaches the plug-in through SetParamFromEditor.
  virtual void SetControlsFromUserInput(int paramIdx, double normalizedValue) = 0;

  // [editor thread, plug-in mutex held] The deferred end-of-edit timer: after `ticks`
  // timer ticks the window calls FlushPendingEndEdit on the plug-in.
  virtual void SetParamChangeTimer(int ticks) = 0;
  virtual void CancelParamChangeTimer() = 0;
};
