// One byte range of a multi-part download: where it lies in the whole file, the part file
// that holds what has arrived, and the libcurl functions that fill that file.
#pragma once

#include <curl/curl.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/curl_easy.h"
#include "engine/scoped_c_file.h"

struct ByteRange {
  int64_t first;
  int64_t last;  // inclusive
};

// Files below 10 MiB are fetched as one range, all others as two halves; the second half
// takes the odd byte of an odd length.
std::vector<ByteRange> SplitIntoRanges(int64_t file_length);

// The part file of range `index`: the package path (ANSI) followed by "_" and the index.
std::string PartPath(const std::string& package_path, int index);

// Size of a file by its ANSI path; -1 when it cannot be read.
int64_t FileSizeOf(const std::string& path);

enum PartStatus : int {
  kPartComplete = 0,
  kPartPending = -1,
  kPartFileNotOpened = -2,
  // Any other value is the libcurl result of the part's last attempt.
};

struct DownloadPartNode {
  ScopedCFile file;  // opened "ab+": every byte goes to the end
  int64_t start = 0;  // absolute offset of the next byte to fetch
  int64_t end = -1;   // absolute offset of the range's last byte
  int64_t size = 0;   // bytes of the whole range
  ScopedCurl curl;
  std::string url;
  std::string partPath;
  int status = kPartPending;
  // Bytes of the range taken into the part file (some may still wait in its buffer); read by
  // the progress function on the other part's thread.
  std::atomic<int64_t> downloaded{0};
  // Bytes of the range that have reached the part file itself: what the merge thread may read.
  std::atomic<int64_t> in_file{0};
  // Set once the part's thread writes no more (at once for a part that needs no thread).
  std::atomic<bool> finished{false};

  // What the response in progress must start with; checked before its first byte is kept.
  int64_t request_start = 0;
  int64_t response_first_byte = -1;  // from its Content-Range; -1 when it had none
  bool response_checked = false;
};

// Opens the part file for appending, with a buffer large enough that libcurl's small pieces
// reach the file in few, large writes; false when it cannot be opened.
bool OpenPartFile(DownloadPartNode* part);

// libcurl's write function for a part (user data: the DownloadPartNode). Keeps at most the
// rest of the range; a response that does not start at the requested byte is refused whole.
// Keeping fewer bytes than offered ends the transfer with CURLE_WRITE_ERROR.
size_t PartWrite(char* data, size_t size, size_t count, void* part);

// Writes what waits in the part file's buffer to the file; false when that fails.
bool FlushPartFile(DownloadPartNode* part);

// libcurl's header function for a part: notes where each response's Content-Range starts.
size_t PartHeader(char* data, size_t size, size_t count, void* part);
