// Owning wrapper for a C runtime file stream.
#pragma once

#include <cstdio>

#include "app/scoped_handle.h"

struct CFileTraits {
  using Handle = FILE*;
  static Handle Empty() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { std::fclose(h); }
};
using ScopedCFile = ScopedObject<CFileTraits>;
