// The one place that compiles stb_image: decoding image file bytes into 8-bit RGBA.
#pragma once

#include <cstddef>
#include <memory>

namespace SkinUI {

struct TRgbaImage {
  struct FreePixels {
    void operator()(unsigned char* pixels) const;
  };
  std::unique_ptr<unsigned char, FreePixels> pixels;  // width * height * 4 bytes
  int width = 0;
  int height = 0;
};

// PNG and the other formats stb_image reads (a GIF gives its first frame). False when the
// bytes do not decode.
bool DecodeRgba(const unsigned char* bytes, size_t size, TRgbaImage* image);

}  // namespace SkinUI
