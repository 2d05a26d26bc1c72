#pragma once
// PNG images made in memory for the loader's tests and the fuzzer's seeds.
#include <string>
#include <vector>

struct PngSpec {
  int width = 1, height = 1;
  int colorType = 2; // libpng colour type
  int bitDepth = 8;
  bool interlaced = false;
  std::vector<unsigned char> pixels;  // packed rows as libpng takes them, big-endian for 16 bits
  std::vector<unsigned char> palette; // R, G, B triples
  std::vector<unsigned char> trns;    // palette alphas, or the grey/RGB key as libpng expects
  int trnsGrey = -1;                  // transparent grey value for grey images
};

// Encodes the image; empty on failure.
std::vector<unsigned char> EncodePng(const PngSpec& spec);

// A header-only image with the given size (valid CRCs, no image data).
std::vector<unsigned char> PngHeaderOnly(unsigned width, unsigned height);

// A named set of small images covering every colour type, for seeding the fuzzer.
std::vector<std::pair<std::string, std::vector<unsigned char>>> SeedPngs();
