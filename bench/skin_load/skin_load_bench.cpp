// Times what a window's first creation costs for its skin: opening the skin archive held in
// the program's resources (every file decoded once) and turning each of its images into a
// premultiplied DIB section, through the same calls the framework makes. The peer, measured
// in the same run on the same bytes, is stb_image decoding each PNG alone: no archive, no
// conversion, no GDI. Each figure is the median of the repetitions.
//   skin_load_bench [repetitions]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "skinui/resource_settings.h"
#include "skinui/skin_archive.h"
#include "skinui/skin_image.h"
#include "skinui/stb_image_decoder.h"

namespace {

struct TImageTimes {
  std::wstring name;
  std::vector<unsigned char> bytes;  // the PNG file as archived
  std::vector<double> ours;          // microseconds per repetition
  std::vector<double> peer;
};

double Now() {
  static const double ticks_per_microsecond = [] {
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(frequency.QuadPart) / 1e6;
  }();
  LARGE_INTEGER counter;
  ::QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / ticks_per_microsecond;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

bool SkinArchiveBytes(const unsigned char** bytes, size_t* size) {
  const HMODULE module = ::GetModuleHandleW(nullptr);
  const HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(IDR_SKIN_ARCHIVE),
                                      L"" SKIN_ARCHIVE_TYPE);
  const HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
  *bytes = loaded ? static_cast<const unsigned char*>(::LockResource(loaded)) : nullptr;
  *size = found ? ::SizeofResource(module, found) : 0;
  return *bytes && *size > 0;
}

bool IsPng(const std::wstring& name) {
  return name.size() > 4 && _wcsicmp(name.c_str() + name.size() - 4, L".png") == 0;
}

std::vector<TImageTimes> ArchivedImages(const SkinUI::ISkinArchive& archive) {
  std::vector<TImageTimes> images;
  for (int i = 0; i < archive.EntryCount(); ++i) {
    TImageTimes image;
    image.name = archive.EntryName(i);
    int index = 0;
    uint64_t size = 0;
    if (!IsPng(image.name) || !archive.Find(image.name.c_str(), &index, &size)) continue;
    image.bytes.resize(static_cast<size_t>(size));
    if (archive.Extract(index, image.bytes.data(), image.bytes.size())) images.push_back(image);
  }
  return images;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int repetitions = argc > 1 ? std::max(1, _wtoi(argv[1])) : 30;
  const unsigned char* archive_bytes = nullptr;
  size_t archive_size = 0;
  if (!SkinArchiveBytes(&archive_bytes, &archive_size)) {
    std::fwprintf(stderr, L"no skin archive in the resources\n");
    return 1;
  }
  SkinUI::CResourceSettings::UseSevenZipArchives(true);
  SkinUI::CResourceSettings::SetSkinArchiveFromMemory(archive_bytes, archive_size);
  const SkinUI::ISkinArchive* archive = SkinUI::CResourceSettings::CachedSkinArchive();
  if (!archive) {
    std::fwprintf(stderr, L"the skin archive does not open\n");
    return 1;
  }
  std::vector<TImageTimes> images = ArchivedImages(*archive);

  std::vector<double> open_times;
  for (int round = 0; round < repetitions; ++round) {
    const double start = Now();
    const auto opened = SkinUI::OpenSkinArchiveMemory(archive_bytes, archive_size,
                                                      SkinUI::ArchiveFormat::SevenZip);
    open_times.push_back(Now() - start);
    if (!opened) return 1;
    for (TImageTimes& image : images) {
      const double ours_start = Now();
      const auto entry = SkinUI::DecodeSkinImage(image.name.c_str(), L"", 0);
      image.ours.push_back(Now() - ours_start);
      const double peer_start = Now();
      SkinUI::TRgbaImage decoded;
      const bool peer_ok = SkinUI::DecodeRgba(image.bytes.data(), image.bytes.size(), &decoded);
      image.peer.push_back(Now() - peer_start);
      if (!entry || !peer_ok) {
        std::fwprintf(stderr, L"%ls does not decode\n", image.name.c_str());
        return 1;
      }
    }
  }

  std::wprintf(L"skin archive: %zu bytes, %d files, %zu PNG images; %d repetitions, medians\n",
               archive_size, archive->EntryCount(), images.size(), repetitions);
  std::wprintf(L"peer: stb_image decoding the same PNG bytes alone (no archive, no DIB)\n\n");
  std::wprintf(L"%-44ls %8ls %10ls %10ls %7ls\n", L"image", L"bytes", L"ours us", L"peer us",
               L"ratio");
  double ours_total = 0;
  double peer_total = 0;
  for (const TImageTimes& image : images) {
    const double ours = Median(image.ours);
    const double peer = Median(image.peer);
    ours_total += ours;
    peer_total += peer;
    std::wprintf(L"%-44ls %8zu %10.1f %10.1f %7.2f\n", image.name.c_str(), image.bytes.size(),
                 ours, peer, peer > 0 ? ours / peer : 0);
  }
  const double open = Median(open_times);
  std::wprintf(L"\n%-44ls %8ls %10.1f\n", L"opening the archive (all files decoded)", L"", open);
  std::wprintf(L"%-44ls %8ls %10.1f %10.1f %7.2f\n", L"all images", L"", ours_total, peer_total,
               peer_total > 0 ? ours_total / peer_total : 0);
  std::wprintf(L"%-44ls %8ls %10.1f %10.1f %7.2f\n", L"total: open + all images", L"",
               open + ours_total, peer_total, peer_total > 0 ? (open + ours_total) / peer_total : 0);
  return 0;
}
