// One owning wrapper per kind of system handle: the empty value is part of the type, copies
// are forbidden, moves hand the handle over, and the destructor releases it.
#pragma once

#include <windows.h>

template <typename Traits>
class ScopedObject {
 public:
  using Handle = typename Traits::Handle;

  ScopedObject() = default;
  explicit ScopedObject(Handle handle) : handle_(handle) {}
  ~ScopedObject() { reset(); }

  ScopedObject(const ScopedObject&) = delete;
  ScopedObject& operator=(const ScopedObject&) = delete;
  ScopedObject(ScopedObject&& other) noexcept : handle_(other.release()) {}
  ScopedObject& operator=(ScopedObject&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  Handle get() const { return handle_; }
  bool valid() const { return Traits::IsValid(handle_); }
  explicit operator bool() const { return valid(); }

  Handle release() {
    Handle handle = handle_;
    handle_ = Traits::Empty();
    return handle;
  }

  void reset(Handle handle = Traits::Empty()) {
    if (Traits::IsValid(handle_)) Traits::Close(handle_);
    handle_ = handle;
  }

  // For APIs that return a handle through an out parameter.
  Handle* receive() {
    reset();
    return &handle_;
  }

 private:
  Handle handle_ = Traits::Empty();
};

// Kernel handles: some APIs return null on failure, others INVALID_HANDLE_VALUE.
struct KernelHandleTraits {
  using Handle = HANDLE;
  static Handle Empty() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { ::CloseHandle(h); }
};
using ScopedHandle = ScopedObject<KernelHandleTraits>;

struct ModuleTraits {
  using Handle = HMODULE;
  static Handle Empty() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::FreeLibrary(h); }
};
using ScopedModule = ScopedObject<ModuleTraits>;

// COM interface pointers: the wrapper holds one reference and releases it.
template <typename Interface>
struct ComInterfaceTraits {
  using Handle = Interface*;
  static Handle Empty() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { h->Release(); }
};
template <typename Interface>
using ScopedComPtr = ScopedObject<ComInterfaceTraits<Interface>>;
