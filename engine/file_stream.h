// Whole files streamed in large blocks: hashed, or appended to another file. Large blocks keep
// the per-call cost of the C runtime (and of Wine beneath it) small against the bytes moved.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "app/md5.h"

// Feeds `digest` with every byte of the file at `path` (ANSI); the number of bytes, or -1 when
// the file cannot be opened or read to its end.
int64_t HashFileInto(const std::string& path, Md5* digest);

// Appends the file at `from` (ANSI) to `to`, feeding `digest` (when not null) with the same
// bytes. False when `from` cannot be opened or read, or a write falls short.
bool AppendFileTo(FILE* to, const std::string& from, Md5* digest);
