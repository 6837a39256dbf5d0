// A named worker thread. Created suspended so that the owner can store it before it runs;
// the owner resumes it, and joins it before replacing or destroying it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "app/scoped_handle.h"

namespace Utils {

class Thread {
 public:
  using Body = std::function<unsigned(void* owner)>;

  Thread() = default;
  ~Thread();  // joins
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  // Creates the thread suspended and names it for debuggers ("t<id>" for an empty name).
  // False when the thread could not be created.
  bool Start(void* owner, const std::wstring& name, Body body);
  bool Resume();
  void Join();

  HANDLE handle() const { return handle_.get(); }
  DWORD id() const { return id_; }

 private:
  static unsigned __stdcall CallBack(void* self);

  DWORD id_ = 0;
  ScopedHandle handle_;
  Body body_;
  void* owner_ = nullptr;
  std::wstring name_;
};

}  // namespace Utils
