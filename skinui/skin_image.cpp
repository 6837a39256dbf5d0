#include "skinui/skin_image.h"

#include <cwchar>
#include <cwctype>
#include <string>

#include "skinui/resource_settings.h"
#include "skinui/skin_file_reader.h"
#include "skinui/stb_image_decoder.h"

namespace SkinUI {

namespace {

bool IsColorType(const wchar_t* type) {
  return std::wcscmp(type, kColorImageType) == 0;
}

uint32_t ParseColor(const wchar_t* name) {
  if (*name == L'#') ++name;
  return static_cast<uint32_t>(std::wcstoul(name, nullptr, 16));
}

// A name starting with a digit is a numeric resource id, any other a resource name.
bool ReadResourceBytes(const wchar_t* name, const wchar_t* type,
                       std::vector<unsigned char>* bytes) {
  const HMODULE module = CResourceSettings::GetResourceInstance();
  const wchar_t* resource_name =
      std::iswdigit(name[0]) ? MAKEINTRESOURCEW(std::wcstoul(name, nullptr, 10)) : name;
  const HRSRC found = ::FindResourceW(module, resource_name, type);
  const HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
  const unsigned char* data = loaded ? static_cast<const unsigned char*>(::LockResource(loaded))
                                     : nullptr;
  const DWORD size = found ? ::SizeofResource(module, found) : 0;
  if (!data || size == 0) return false;
  bytes->assign(data, data + size);
  return true;
}

std::vector<unsigned char> ReadImageBytes(const wchar_t* name, const wchar_t* type) {
  std::vector<unsigned char> bytes;
  const bool found = *type ? ReadResourceBytes(name, type, &bytes)
                           : ReadSkinFile(name, SIZE_MAX, &bytes) == SkinFileStatus::Ok;
  if (!found) ReadFileBytes(name, SIZE_MAX, &bytes);
  return bytes;
}

}  // namespace

bool ConvertImagePixels(const unsigned char* rgba, size_t count, uint32_t mask, uint32_t* out) {
  bool has_alpha = false;
  for (size_t i = 0; i < count; ++i, rgba += 4) {
    uint32_t red = rgba[0];
    uint32_t green = rgba[1];
    uint32_t blue = rgba[2];
    const uint32_t alpha = rgba[3];
    if (alpha != 255) {
      red = red * alpha / 255;
      green = green * alpha / 255;
      blue = blue * alpha / 255;
      has_alpha = true;
    }
    uint32_t pixel = (alpha << 24) | (red << 16) | (green << 8) | blue;
    if (pixel == mask) {
      pixel = 0;
      has_alpha = true;
    }
    out[i] = pixel;
  }
  return has_alpha;
}

std::unique_ptr<TImageEntry> CreateImageEntry(const unsigned char* rgba, int width, int height,
                                              uint32_t mask) {
  const uint64_t byte_count = static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * 4;
  if (width <= 0 || height <= 0 || byte_count > 0x7FFFFFFF) return nullptr;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  info.bmiHeader.biSizeImage = static_cast<DWORD>(byte_count);
  void* bits = nullptr;
  auto entry = std::make_unique<TImageEntry>();
  entry->bitmap.reset(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!entry->bitmap || !bits) return nullptr;
  entry->pixels = static_cast<uint32_t*>(bits);
  entry->width = width;
  entry->height = height;
  entry->mask = mask;
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  entry->has_alpha = ConvertImagePixels(rgba, count, mask, entry->pixels);
  return entry;
}

std::unique_ptr<TImageEntry> DecodeSkinImage(const wchar_t* name, const wchar_t* type,
                                             uint32_t mask) {
  if (!name || !*name) return nullptr;
  if (!type) type = L"";
  std::unique_ptr<TImageEntry> entry;
  if (IsColorType(type)) {
    const uint32_t color = ParseColor(name);
    const unsigned char rgba[4] = {
        static_cast<unsigned char>(color >> 16), static_cast<unsigned char>(color >> 8),
        static_cast<unsigned char>(color), static_cast<unsigned char>(color >> 24)};
    entry = CreateImageEntry(rgba, 1, 1, mask);
  } else {
    const std::vector<unsigned char> bytes = ReadImageBytes(name, type);
    TRgbaImage image;
    if (!DecodeRgba(bytes.data(), bytes.size(), &image)) return nullptr;
    entry = CreateImageEntry(image.pixels.get(), image.width, image.height, mask);
  }
  if (entry) entry->type = type;
  return entry;
}

}  // namespace SkinUI
