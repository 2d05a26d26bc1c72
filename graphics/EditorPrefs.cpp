// The preference file: found from the environment, read whole, written through a
// temporary file renamed over it so that a reader never sees half a file.
#include "EditorPrefs.h"

#include "IScale.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#ifdef _WIN32
#include <direct.h>
#else
#include <sys/stat.h>
#endif

namespace {

const char kFileName[] = "editor.conf";

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

// The preference folder; empty when the environment names none.
std::string Folder() {
  std::string dir = Env("CORVANEL_CONFIG_DIR");
  if (!dir.empty()) return dir;
#if defined(_WIN32)
  dir = Env("APPDATA");
  return dir.empty() ? dir : dir + "\\Corvanel";
#elif defined(CORVANEL_MACOS) || defined(__APPLE__)
  dir = Env("HOME");
  return dir.empty() ? dir : dir + "/Library/Application Support/Corvanel";
#else
  dir = Env("XDG_CONFIG_HOME");
  if (!dir.empty()) return dir + "/Corvanel";
  dir = Env("HOME");
  return dir.empty() ? dir : dir + "/.config/Corvanel";
#endif
}

std::string PathIn(const std::string& dir) {
#ifdef _WIN32
  return dir + "\\" + kFileName;
#else
  return dir + "/" + kFileName;
#endif
}

void MakeFolder(const std::string& dir) {
  // The parent of the folder (~/.config, %APPDATA%, Application Support) is the
  // platform's own; only the last level is made here.
#ifdef _WIN32
  _mkdir(dir.c_str());
#else
  mkdir(dir.c_str(), 0755);
#endif
}

} // namespace

namespace editor_prefs {

int LoadScale() {
  const std::string dir = Folder();
  if (dir.empty()) return 0;
  FILE* f = std::fopen(PathIn(dir).c_str(), "rb");
  if (!f) return 0;
  char buf[256];
  const size_t n = std::fread(buf, 1, sizeof(buf) - 1, f);
  std::fclose(f);
  buf[n] = 0;
  int percent = 0;
  for (char* line = buf; *line;) {
    char* end = line + std::strcspn(line, "\r\n");
    const char next = *end;
    *end = 0;
    char extra = 0;
    int v = 0;
    if (std::sscanf(line, "scale=%d%c", &v, &extra) == 1 && editor_scale::IsScale(v)) percent = v;
    line = next ? end + 1 : end;
  }
  return percent;
}

void SaveScale(int percent) {
  if (!editor_scale::IsScale(percent)) return;
  const std::string dir = Folder();
  if (dir.empty()) return;
  MakeFolder(dir);
  const std::string path = PathIn(dir), temp = path + ".new";
  FILE* f = std::fopen(temp.c_str(), "wb");
  if (!f) return;
  const bool written = std::fprintf(f, "scale=%d\n", percent) > 0;
  if (std::fclose(f) != 0 || !written) {
    std::remove(temp.c_str());
    return;
  }
#ifdef _WIN32
  std::remove(path.c_str()); // rename does not replace on Windows
#endif
  if (std::rename(temp.c_str(), path.c_str()) != 0) std::remove(temp.c_str());
}

} // namespace editor_prefs
