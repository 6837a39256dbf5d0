// Where test programs find the tools and the source tree, as Windows paths under Wine.
#pragma once

#include <string>

// A program built into the same folder as the running test program, e.g. L"log_emitter.exe".
std::wstring ToolPath(const std::wstring& file_name);

// A file of the source tree by its path relative to the tree's root, with forward slashes.
std::wstring SourcePath(const std::wstring& relative_path);

// A drive such as L"Q:" that this system does not have; empty when every letter is taken.
std::wstring MissingDrive();
