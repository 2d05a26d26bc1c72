// Writes seed inputs for the editor fuzz targets into the folder given, from the real
// plug-in's editor: for fuzz_text_entry, every parameter's display texts at five values
// (both ways of arriving); for fuzz_editor_events, per control a typed value after a
// right click, a drag, a wheel turn and a double click at its centre.
#include "FuzzEditorHost.h"
#include "IControl.h"

#include <cstdio>
#include <string>

namespace {
bool Write(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

std::string DisplayText(const IParam* param, double normalized) {
  char text[64] = {0};
  param->FormatDisplay(normalized, true, text);
  return text;
}

bool TextEntrySeeds(const std::string& dir) {
  FuzzEditorHost& host = FuzzEditorHost::Get();
  for (int p = 0; p < kNumParams; ++p)
    for (int v = 0; v <= 4; ++v)
      for (int mode = 0; mode < 2; ++mode) {
        const std::string seed = std::string(1, (char)p) + std::string(1, (char)mode) +
                                 DisplayText(host.mPlug->GetParam(p), v / 4.0);
        if (!Write(dir + "/text-" + std::to_string(p) + "-" + std::to_string(v) + "-" +
                       std::to_string(mode),
                   seed))
          return false;
      }
  return true;
}

bool EditorEventsSeeds(const std::string& dir) {
  FuzzEditorHost& host = FuzzEditorHost::Get();
  IGraphics* g = host.mGraphics;
  for (int i = 0; i < g->GetNControls(); ++i) {
    const IControl* c = g->GetControl(i);
    if (c->mRECT.W() <= 0 || c->mRECT.H() <= 0) continue;
    const int x = (c->mRECT.L + c->mRECT.R) / 2, y = (c->mRECT.T + c->mRECT.B) / 2;
    const std::string at = std::to_string(x) + " " + std::to_string(y);
    const int up = y >= 20 ? y - 20 : 0;
    std::string typed = "press " + at + " right\nrelease " + at + " right\n";
    if (c->ParamIdx >= 0) typed += "type " + DisplayText(host.mPlug->GetParam(c->ParamIdx), 0.5);
    const std::string seeds[] = {
        typed + "\ntick 2\n",
        "press " + at + "\ndrag " + std::to_string(x) + " " + std::to_string(up) + " shift\n" +
            "release " + std::to_string(x) + " " + std::to_string(up) + "\ntick 30\n",
        "wheel " + at + " 3 control\nwheel " + at + " -2\ntick\n",
        "dblclick " + at + " alt\n# a comment\n\ndismiss\n",
    };
    for (size_t k = 0; k < sizeof(seeds) / sizeof(seeds[0]); ++k)
      if (!Write(dir + "/events-" + std::to_string(i) + "-" + std::to_string(k), seeds[k]))
        return false;
  }
  return true;
}
} // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
    return 2;
  }
#ifdef SEEDS_FOR_TEXT_ENTRY
  return TextEntrySeeds(argv[1]) ? 0 : 1;
#else
  return EditorEventsSeeds(argv[1]) ? 0 : 1;
#endif
}
