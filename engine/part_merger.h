// Joins the part files of a multi-part download while the ranges are still arriving: once the
// first part file holds its whole range, every later part file is appended to it as that one
// grows. Meanwhile a hashing thread reads the part files in order as they grow, so neither the
// merge nor the check waits for the transfer to end, and the package is not read again. When
// the first range is complete, the rest is appended and hashed side by side.
//
// A part's `in_file` count says how much of its file may be read; its `finished` flag is set
// once its thread will write no more.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/md5.h"
#include "engine/download_part.h"
#include "engine/scoped_c_file.h"

class PartMerger {
 public:
  // Blocks until a part has written more, ended, or a moment has passed; false once the
  // download is being stopped.
  using Wait = std::function<bool()>;

  // `parts` stay owned by the caller and outlive the merger. With `hashing` false no digest is
  // computed.
  PartMerger(const std::vector<std::unique_ptr<DownloadPartNode>>& parts, bool hashing);

  // Follows the parts until every byte of every range has been merged and hashed (true), or a
  // part ended short of its range, a read or write failed, or the download is being stopped
  // (false). `wait` is called from two threads.
  bool Follow(const Wait& wait);

  // Closes the first part file, which then holds the whole file; false when a write failed.
  bool Close();

  // After a failed attempt: the first part file back to its own range, so that the retry
  // resumes the later parts from their own part files.
  void Restore();

  // The digest of everything merged; only meaningful after a successful Follow with hashing.
  Md5::Digest Digest() { return digest_.Final(); }

 private:
  // Receives the blocks of a part file in order; false stops the reading.
  using Sink = std::function<bool(const char* data, size_t size)>;

  bool HashParts(const Wait& wait);
  bool AppendParts(const Wait& wait);
  bool FollowPart(const DownloadPartNode& part, const Sink& sink, std::vector<char>* block,
                  const Wait& wait);

  std::vector<DownloadPartNode*> parts_;
  bool hashing_;
  Md5 digest_;
  ScopedCFile first_;  // the first part file, opened for appending once it is complete
  bool appended_ = false;
};
