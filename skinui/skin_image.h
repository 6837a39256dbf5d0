// Skin images: decoded once with stb_image and kept as 32-bit top-down DIB sections with
// premultiplied alpha, ready for alpha blending.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "skinui/gdi_handles.h"
#include "skinui/ui_string.h"

namespace SkinUI {

// The image type whose "name" is a colour, hexadecimal 0xAARRGGBB with an optional '#'.
inline constexpr wchar_t kColorImageType[] = L"*COLOR*";

struct TImageEntry {
  ScopedBitmap bitmap;
  // The bitmap's pixels: premultiplied, each read as 0xAARRGGBB, rows top to bottom.
  uint32_t* pixels = nullptr;
  std::vector<uint32_t> kept_pixels;  // a copy of `pixels`, made only with keep_pixels
  int width = 0;
  int height = 0;
  bool has_alpha = false;  // some pixel is not fully opaque, or was cleared by the mask
  bool keep_pixels = false;
  CUIString type;  // as loaded: "" for skin files, a resource type, or kColorImageType
  uint32_t mask = 0;
};

// Decodes image `name`: a colour when `type` is kColorImageType, a program resource of type
// `type` when it is another text (a name starting with a digit is a numeric id), else a skin
// file; as a last resort `name` is read as a path of its own. Null when nothing decodes.
std::unique_ptr<TImageEntry> DecodeSkinImage(const wchar_t* name, const wchar_t* type,
                                             uint32_t mask);

// An entry holding a DIB section made from 8-bit RGBA pixels; null when GDI refuses it.
std::unique_ptr<TImageEntry> CreateImageEntry(const unsigned char* rgba, int width, int height,
                                              uint32_t mask);

// RGBA to premultiplied 0xAARRGGBB; a result equal to `mask` becomes 0. Returns whether any
// pixel is not fully opaque afterwards.
bool ConvertImagePixels(const unsigned char* rgba, size_t count, uint32_t mask, uint32_t* out);

}  // namespace SkinUI
