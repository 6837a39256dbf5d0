#include "engine/download_part.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

constexpr int64_t kTwoPartThreshold = 10485760;
// libcurl hands over at most 16 KiB per call; the file gets them a mebibyte at a time.
constexpr int64_t kPartFileBuffer = 1 << 20;
constexpr long kHttpOk = 200;
constexpr long kHttpPartialContent = 206;

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  }
  return true;
}

// "Content-Range: bytes 100-199/1000" gives 100; anything else -1.
int64_t ContentRangeStart(std::string_view line) {
  constexpr std::string_view kName = "content-range:";
  if (!StartsWithNoCase(line, kName)) return -1;
  std::string value(line.substr(kName.size()));
  const size_t unit = value.find("bytes");
  if (unit == std::string::npos) return -1;
  const char* digits = value.c_str() + unit + 5;
  while (*digits == ' ') ++digits;
  if (*digits < '0' || *digits > '9') return -1;
  return std::strtoll(digits, nullptr, 10);
}

// A server that ignores the range answers 200 with the file from its first byte, which is the
// right content only for a range that starts there.
bool ResponseStartsAtRequest(const DownloadPartNode& part) {
  long status = 0;
  if (curl_easy_getinfo(part.curl.get(), CURLINFO_RESPONSE_CODE, &status) != CURLE_OK) {
    return false;
  }
  if (status == kHttpPartialContent) return part.response_first_byte == part.request_start;
  return status == kHttpOk && part.request_start == 0;
}

}  // namespace

std::vector<ByteRange> SplitIntoRanges(int64_t file_length) {
  const int64_t count = file_length >= kTwoPartThreshold ? 2 : 1;
  const int64_t size = file_length / count;
  std::vector<ByteRange> ranges;
  for (int64_t i = 0; i < count; ++i) ranges.push_back({i * size, (i + 1) * size - 1});
  ranges.back().last = file_length - 1;
  return ranges;
}

std::string PartPath(const std::string& package_path, int index) {
  return package_path + "_" + std::to_string(index);
}

int64_t FileSizeOf(const std::string& path) {
  struct _stat64 status;
  if (_stat64(path.c_str(), &status) != 0) return -1;
  return status.st_size;
}

bool OpenPartFile(DownloadPartNode* part) {
  part->file.reset(std::fopen(part->partPath.c_str(), "ab+"));
  if (!part->file) return false;
  std::setvbuf(part->file.get(), nullptr, _IOFBF, static_cast<size_t>(kPartFileBuffer));
  return true;
}

bool FlushPartFile(DownloadPartNode* part) {
  if (!part->file || std::fflush(part->file.get()) != 0) return false;
  part->in_file = part->downloaded.load();
  return true;
}

size_t PartWrite(char* data, size_t size, size_t count, void* user) {
  DownloadPartNode* part = static_cast<DownloadPartNode*>(user);
  if (!part->file || part->start > part->end) return 0;
  if (!part->response_checked) {
    if (!ResponseStartsAtRequest(*part)) return 0;
    part->response_checked = true;
  }
  const int64_t offered = static_cast<int64_t>(size) * static_cast<int64_t>(count);
  const size_t wanted = static_cast<size_t>(std::min(offered, part->end - part->start + 1));
  const size_t written = std::fwrite(data, 1, wanted, part->file.get());
  part->start += static_cast<int64_t>(written);
  part->downloaded += static_cast<int64_t>(written);
  const bool buffer_full = part->downloaded - part->in_file >= kPartFileBuffer;
  if (buffer_full && !FlushPartFile(part)) return 0;
  return written;
}

size_t PartHeader(char* data, size_t size, size_t count, void* user) {
  DownloadPartNode* part = static_cast<DownloadPartNode*>(user);
  const std::string_view line(data, size * count);
  // Every response of a redirect chain starts with its status line.
  if (line.compare(0, 5, "HTTP/") == 0) part->response_first_byte = -1;
  const int64_t first = ContentRangeStart(line);
  if (first >= 0) part->response_first_byte = first;
  return size * count;
}
