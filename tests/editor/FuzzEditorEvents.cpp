// libFuzzer target: corvanel-editor's event list. The input is the list's text. A list the
// parser refuses comes with a message naming a line; an accepted one holds only points
// inside the editor, counts inside their limits and lines in order. The accepted list is
// then played on the real plug-in's off-screen editor (long tick runs cut short), after
// which every parameter is a finite value inside its range.
#include "EditorEvents.h"
#include "EventPlayer.h"
#include "FuzzEditorHost.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {
constexpr int kWidth = 620, kHeight = 355;
constexpr int kMaxTicksPlayed = 48; // two seconds of the editor's timer per event
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text((const char*)data, size);
  std::vector<EditorEvent> events;
  std::string error;
  if (!ParseEditorEvents(text, kWidth, kHeight, &events, &error)) {
    if (error.compare(0, 11, "event line ") != 0) __builtin_trap();
    return 0;
  }
  int line = 0;
  for (EditorEvent& e : events) {
    if (e.line <= line || e.x < 0 || e.x >= kWidth || e.y < 0 || e.y >= kHeight) __builtin_trap();
    line = e.line;
    if (e.kind == EditorEvent::kWheel && (e.count < -1000 || e.count > 1000)) __builtin_trap();
    if (e.kind == EditorEvent::kTick) {
      if (e.count < 0 || e.count > 100000) __builtin_trap();
      if (e.count > kMaxTicksPlayed) e.count = kMaxTicksPlayed;
    }
  }

  FuzzEditorHost& host = FuzzEditorHost::Get();
  SilencePlayer audio(host.mEffect, nullptr);
  PlayEvents(events, host.mGraphics, audio, &error); // typing with no entry open stops it
  host.mGraphics->DismissValueEntry();
  host.mGraphics->Tick();
  if (!host.ParamsInRange()) __builtin_trap();
  return 0;
}
