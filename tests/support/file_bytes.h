// Whole-file reads for checking what a test's subject wrote.
#pragma once

#include <string>

// The file's bytes; empty when it is missing or unreadable (see FileExists to tell apart).
std::string ReadFileBytes(const std::wstring& path);
bool FileExists(const std::wstring& path);

// Empty when the two byte strings are equal; otherwise their sizes and the first offset at
// which they differ (large contents are never printed whole).
std::string ByteDifference(const std::string& actual, const std::string& expected);
