#pragma once
// The controls as the plug-in class sees them: the step bars it moves and the
// status line it writes. The editor controls implement these operations.

class IControl {
public:
  virtual ~IControl() {}
  // [any thread] The normalised value the control shows.
  virtual double GetValue() const = 0;
  // [any thread, plug-in mutex held] Shows a value; marks the control dirty.
  virtual void SetValueFromPlug(double normalizedValue) = 0;
};

class ITextControl : public IControl {
public:
  // [any thread] Shows a text; marks the control dirty only when the text changed.
  virtual void SetTextFromPlug(const char* text) = 0;
};
