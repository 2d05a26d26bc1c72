#include "png_fixtures.h"

#include <png.h>
#include <zlib.h>

#include <csetjmp>

namespace {

void Append(png_structp png, png_bytep data, png_size_t len) {
  auto* out = (std::vector<unsigned char>*)png_get_io_ptr(png);
  out->insert(out->end(), data, data + len);
}
void Flush(png_structp) {}

void PutU32(std::vector<unsigned char>& v, unsigned x) {
  v.push_back((unsigned char)(x >> 24));
  v.push_back((unsigned char)(x >> 16));
  v.push_back((unsigned char)(x >> 8));
  v.push_back((unsigned char)x);
}

void Chunk(std::vector<unsigned char>& v, const char* type,
           const std::vector<unsigned char>& data) {
  PutU32(v, (unsigned)data.size());
  size_t start = v.size();
  v.insert(v.end(), type, type + 4);
  v.insert(v.end(), data.begin(), data.end());
  uLong crc = crc32(0L, v.data() + start, (uInt)(v.size() - start));
  PutU32(v, (unsigned)crc);
}

} // namespace

std::vector<unsigned char> EncodePng(const PngSpec& spec) {
  std::vector<unsigned char> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &out, Append, Flush);
  png_set_IHDR(png, info, (png_uint_32)spec.width, (png_uint_32)spec.height, spec.bitDepth,
               spec.colorType, spec.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!spec.palette.empty())
    png_set_PLTE(png, info, (png_const_colorp)spec.palette.data(), (int)spec.palette.size() / 3);
  if (!spec.trns.empty()) png_set_tRNS(png, info, spec.trns.data(), (int)spec.trns.size(), nullptr);
  if (spec.trnsGrey >= 0) {
    png_color_16 key = {};
    key.gray = (png_uint_16)spec.trnsGrey;
    png_set_tRNS(png, info, nullptr, 0, &key);
  }
  png_write_info(png, info);
  const size_t rowBytes = png_get_rowbytes(png, info);
  std::vector<png_bytep> rows((size_t)spec.height);
  for (int y = 0; y < spec.height; ++y)
    rows[(size_t)y] = (png_bytep)spec.pixels.data() + rowBytes * (size_t)y;
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

std::vector<unsigned char> PngHeaderOnly(unsigned width, unsigned height) {
  std::vector<unsigned char> v = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  std::vector<unsigned char> ihdr;
  PutU32(ihdr, width);
  PutU32(ihdr, height);
  ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0}); // 8-bit RGBA, no interlace
  Chunk(v, "IHDR", ihdr);
  Chunk(v, "IEND", {});
  return v;
}

std::vector<std::pair<std::string, std::vector<unsigned char>>> SeedPngs() {
  std::vector<std::pair<std::string, std::vector<unsigned char>>> seeds;
  PngSpec rgba;
  rgba.width = 3;
  rgba.height = 2;
  rgba.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
  for (int i = 0; i < 24; ++i)
    rgba.pixels.push_back((unsigned char)(i * 11));
  seeds.push_back({"rgba8.png", EncodePng(rgba)});
  rgba.interlaced = true;
  seeds.push_back({"rgba8_interlaced.png", EncodePng(rgba)});

  PngSpec pal;
  pal.width = 4;
  pal.colorType = PNG_COLOR_TYPE_PALETTE;
  pal.palette = {255, 0, 0, 0, 255, 0, 0, 0, 255, 9, 9, 9};
  pal.trns = {0, 128, 255};
  pal.pixels = {0, 1, 2, 3};
  seeds.push_back({"palette_trns.png", EncodePng(pal)});

  PngSpec grey16;
  grey16.width = 2;
  grey16.colorType = PNG_COLOR_TYPE_GRAY;
  grey16.bitDepth = 16;
  grey16.pixels = {0x12, 0x34, 0xff, 0xff};
  seeds.push_back({"grey16.png", EncodePng(grey16)});

  PngSpec greyAlpha;
  greyAlpha.width = 2;
  greyAlpha.colorType = PNG_COLOR_TYPE_GRAY_ALPHA;
  greyAlpha.pixels = {77, 33, 200, 255};
  seeds.push_back({"grey_alpha.png", EncodePng(greyAlpha)});

  PngSpec grey1;
  grey1.width = 8;
  grey1.colorType = PNG_COLOR_TYPE_GRAY;
  grey1.bitDepth = 1;
  grey1.pixels = {0xa5};
  grey1.trnsGrey = 1;
  seeds.push_back({"grey1_trns.png", EncodePng(grey1)});
  return seeds;
}
