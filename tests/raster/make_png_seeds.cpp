// Writes the fuzzer's seed images: make_png_seeds <folder>.
#include "png_fixtures.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: make_png_seeds <folder>\n");
    return 2;
  }
  for (const auto& seed : SeedPngs()) {
    std::string path = std::string(argv[1]) + "/" + seed.first;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(seed.second.data(), 1, seed.second.size(), f) != seed.second.size()) {
      std::fprintf(stderr, "make_png_seeds: cannot write %s\n", path.c_str());
      if (f) std::fclose(f);
      return 1;
    }
    std::fclose(f);
  }
  return 0;
}
