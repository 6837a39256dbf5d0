#include "skinui/font_entry.h"

#include <cwchar>

namespace SkinUI {

namespace {

constexpr LONG kBoldWeightIncrease = 700;
constexpr LONG kMaxFontWeight = 1000;

LOGFONTW DefaultGuiFontDescription() {
  LOGFONTW description = {};
  ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(description), &description);
  description.lfCharSet = DEFAULT_CHARSET;
  return description;
}

std::unique_ptr<TFontEntry> MakeEntry(const LOGFONTW& description) {
  auto entry = std::make_unique<TFontEntry>();
  entry->font.reset(::CreateFontIndirectW(&description));
  if (!entry->font) return nullptr;
  entry->face = description.lfFaceName;
  entry->size = description.lfHeight < 0 ? -description.lfHeight : description.lfHeight;
  entry->bold = description.lfWeight >= FW_BOLD;
  entry->underline = description.lfUnderline != 0;
  entry->italic = description.lfItalic != 0;
  return entry;
}

}  // namespace

std::unique_ptr<TFontEntry> CreateDefaultFontEntry() {
  std::unique_ptr<TFontEntry> entry = MakeEntry(DefaultGuiFontDescription());
  if (entry) FillFontMetrics(entry.get(), nullptr);
  return entry;
}

std::unique_ptr<TFontEntry> CreateFontEntry(const wchar_t* face, int size, bool bold,
                                            bool underline, bool italic) {
  LOGFONTW description = DefaultGuiFontDescription();
  std::wcsncpy(description.lfFaceName, face ? face : L"", LF_FACESIZE - 1);
  description.lfFaceName[LF_FACESIZE - 1] = L'\0';
  description.lfHeight = -size;
  // The weight scale ends at 1000; bold on a heavy default must not leave it.
  if (bold) description.lfWeight += kBoldWeightIncrease;
  if (description.lfWeight > kMaxFontWeight) description.lfWeight = kMaxFontWeight;
  description.lfUnderline = underline ? TRUE : FALSE;
  description.lfItalic = italic ? TRUE : FALSE;
  std::unique_ptr<TFontEntry> entry = MakeEntry(description);
  if (!entry) return nullptr;
  // The entry remembers what was asked for, not the rounding of the description.
  entry->face = face ? face : L"";
  entry->size = size;
  entry->bold = bold;
  return entry;
}

void FillFontMetrics(TFontEntry* entry, HDC dc) {
  ScopedMemoryDC own_dc;
  if (!dc) {
    own_dc.reset(::CreateCompatibleDC(nullptr));
    dc = own_dc.get();
  }
  if (!dc) return;
  ScopedSelectObject selection(dc, entry->font.get());
  entry->has_metrics = ::GetTextMetricsW(dc, &entry->metrics) != FALSE;
}

}  // namespace SkinUI
