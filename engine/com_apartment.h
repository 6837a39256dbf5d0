// The calling thread's membership in a COM apartment, for as long as the object lives.
#pragma once

#include <objbase.h>

class ScopedComApartment {
 public:
  explicit ScopedComApartment(DWORD model) : result_(::CoInitializeEx(nullptr, model)) {}
  // Every successful initialisation (S_FALSE included) needs its own uninitialisation.
  ~ScopedComApartment() {
    if (SUCCEEDED(result_)) ::CoUninitialize();
  }
  ScopedComApartment(const ScopedComApartment&) = delete;
  ScopedComApartment& operator=(const ScopedComApartment&) = delete;

 private:
  HRESULT result_;
};
