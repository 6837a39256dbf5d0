#include "skinui/stb_image_decoder.h"

#include <climits>

// Images come from memory only; the library's file helpers would use the ANSI code page.
#define STBI_NO_STDIO
#define STB_IMAGE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-but-set-variable"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#include "stb_image.h"
#pragma GCC diagnostic pop

namespace SkinUI {

void TRgbaImage::FreePixels::operator()(unsigned char* pixels) const {
  stbi_image_free(pixels);
}

bool DecodeRgba(const unsigned char* bytes, size_t size, TRgbaImage* image) {
  if (!bytes || size == 0 || size > INT_MAX) return false;
  int channels = 0;
  image->pixels.reset(stbi_load_from_memory(bytes, static_cast<int>(size), &image->width,
                                            &image->height, &channels, 4));
  return image->pixels != nullptr;
}

}  // namespace SkinUI
