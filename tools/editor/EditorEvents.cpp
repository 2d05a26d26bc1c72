#include "EditorEvents.h"

#include "Options.h"

#include <sstream>

namespace {

bool ReadInt(std::istringstream& in, int64_t lo, int64_t hi, int* out) {
  std::string word;
  int64_t v = 0;
  if (!(in >> word) || !ParseWholeNumber(word, &v) || v < lo || v > hi) return false;
  *out = (int)v;
  return true;
}

} // namespace

bool ParseEditorEvents(const std::string& text, int width, int height,
                       std::vector<EditorEvent>* out, std::string* error) {
  std::istringstream lines(text);
  std::string line;
  int number = 0;
  while (std::getline(lines, line)) {
    ++number;
    const std::string where = "event line " + std::to_string(number) + ": ";
    std::istringstream in(line);
    std::string verb;
    if (!(in >> verb) || verb[0] == '#') continue;
    EditorEvent e;
    e.line = number;
    bool pointer = true;
    if (verb == "press")
      e.kind = EditorEvent::kPress;
    else if (verb == "drag")
      e.kind = EditorEvent::kDrag;
    else if (verb == "release")
      e.kind = EditorEvent::kRelease;
    else if (verb == "dblclick")
      e.kind = EditorEvent::kDoubleClick;
    else if (verb == "wheel")
      e.kind = EditorEvent::kWheel;
    else {
      pointer = false;
      if (verb == "tick") {
        e.kind = EditorEvent::kTick;
        std::string rest;
        if (in >> rest) {
          int64_t n = 0;
          if (!ParseWholeNumber(rest, &n) || n < 0 || n > 100000) {
            *error = where + "tick wants a count from 0 to 100000: '" + rest + "'";
            return false;
          }
          e.count = (int)n;
        }
      } else if (verb == "type") {
        e.kind = EditorEvent::kType;
        std::getline(in >> std::ws, e.text);
        while (!e.text.empty() && (e.text.back() == '\r' || e.text.back() == ' '))
          e.text.pop_back();
      } else if (verb == "dismiss") {
        e.kind = EditorEvent::kDismiss;
      } else {
        *error = where + "unknown event '" + verb + "'";
        return false;
      }
    }
    if (pointer) {
      if (!ReadInt(in, 0, width - 1, &e.x) || !ReadInt(in, 0, height - 1, &e.y)) {
        *error = where + verb + " wants X Y inside the editor (0-" + std::to_string(width - 1) +
                 ", 0-" + std::to_string(height - 1) + ")";
        return false;
      }
      if (e.kind == EditorEvent::kWheel && !ReadInt(in, -1000, 1000, &e.count)) {
        *error = where + "wheel wants a whole number of notches after X Y";
        return false;
      }
      std::string mod;
      while (in >> mod) {
        if (mod == "left")
          e.right = false;
        else if (mod == "right")
          e.right = true;
        else if (mod == "shift")
          e.shift = true;
        else if (mod == "control")
          e.control = true;
        else if (mod == "alt")
          e.alt = true;
        else {
          *error = where + "unknown modifier '" + mod + "' (left, right, shift, control, alt)";
          return false;
        }
      }
    }
    out->push_back(e);
  }
  return true;
}
