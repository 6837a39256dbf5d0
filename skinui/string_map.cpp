#include "skinui/string_map.h"

namespace SkinUI {

size_t StringMapBucket(const wchar_t* key, size_t bucket_count) {
  size_t hash = 0;
  for (const wchar_t* ch = key ? key : L""; *ch; ++ch) {
    hash = hash * 31 + static_cast<size_t>(*ch);
  }
  return hash % bucket_count;
}

}  // namespace SkinUI
