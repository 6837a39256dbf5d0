// MD5 (RFC 1321) of a whole file as 32 lowercase hexadecimal characters.
#pragma once

#include <string>

#include "app/md5.h"

// The path is 8-bit text in the ANSI code page. An empty path or a file that cannot be read
// gives the empty string.
std::string FileMd5Hex(const std::string& path);

// A digest as 32 lowercase hexadecimal characters.
std::string DigestHex(const Md5::Digest& digest);
