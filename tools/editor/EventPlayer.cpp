#include "EventPlayer.h"

#include "IGraphicsLinux.h"

void SilencePlayer::Play(int64_t frames) {
  float* in[2] = {mIn[0].data(), mIn[1].data()};
  float* out[2] = {mOut[0].data(), mOut[1].data()};
  while (frames > 0) {
    const int n = frames < 512 ? (int)frames : 512;
    mEffect->processReplacing(mEffect, in, out, n);
    if (mTransport) {
      mTransport->samplePos += n;
      mTransport->changed = false;
    }
    frames -= n;
  }
}

bool PlayEvents(const std::vector<EditorEvent>& events, IGraphicsLinux* g, SilencePlayer& transport,
                std::string* error) {
  IMouseMod held;
  for (const EditorEvent& e : events) {
    const std::string where = "event line " + std::to_string(e.line) + ": ";
    IMouseMod mod(!e.right, e.right, e.shift, e.control, e.alt);
    // Positions are the picture's pixels, as a window at the editor's scale gives them.
    const int x = g->ToEditor(e.x), y = g->ToEditor(e.y);
    switch (e.kind) {
    case EditorEvent::kPress:
      held = mod;
      g->OnMouseDown(x, y, &mod);
      break;
    case EditorEvent::kDrag: {
      IMouseMod drag(held.L, held.R, e.shift, e.control, e.alt);
      g->OnMouseDrag(x, y, &drag);
      break;
    }
    case EditorEvent::kRelease:
      g->OnMouseUp(x, y, &mod);
      held = IMouseMod();
      break;
    case EditorEvent::kDoubleClick:
      g->OnMouseDblClick(x, y, &mod);
      break;
    case EditorEvent::kWheel: {
      IMouseMod wheel(false, false, e.shift, e.control, e.alt);
      g->OnMouseWheel(x, y, &wheel, e.count);
      break;
    }
    case EditorEvent::kTick:
      for (int t = 0; t < e.count; ++t) {
        g->Tick();
        transport.Play(1);
      }
      break;
    case EditorEvent::kType:
    case EditorEvent::kDismiss: {
      const bool open = e.kind == EditorEvent::kType ? g->CommitValueEntry(e.text.c_str())
                                                     : g->DismissValueEntry();
      if (!open) {
        *error = where + "no value entry is open (a right click on a knob, the slider or " +
                 "Target opens one)";
        return false;
      }
      g->Tick(); // the window applies the entry on its next tick
      break;
    }
    }
    transport.Play(1);
  }
  return true;
}
