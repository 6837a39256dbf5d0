#include "app/thread.h"

#include <process.h>

#include <string>

#include "app/debug_log.h"
#include "app/text_encoding.h"

namespace Utils {

namespace {

// The record a debugger expects with exception 0x406D1388 to learn a thread's name.
constexpr DWORD kSetThreadNameException = 0x406D1388;

#pragma pack(push, 8)
struct ThreadNameInfo {
  DWORD type;   // always 0x1000
  LPCSTR name;  // ANSI text
  DWORD thread_id;
  DWORD flags;  // reserved, 0
};
#pragma pack(pop)

LONG CALLBACK SwallowThreadNameException(EXCEPTION_POINTERS* exception) {
  if (exception->ExceptionRecord->ExceptionCode == kSetThreadNameException) {
    return EXCEPTION_CONTINUE_EXECUTION;
  }
  return EXCEPTION_CONTINUE_SEARCH;
}

// The handler is removed again on scope exit, so that it swallows only our announcement.
class ScopedVectoredHandler {
 public:
  explicit ScopedVectoredHandler(PVECTORED_EXCEPTION_HANDLER handler)
      : cookie_(::AddVectoredExceptionHandler(1, handler)) {}
  ~ScopedVectoredHandler() {
    if (cookie_ != nullptr) ::RemoveVectoredExceptionHandler(cookie_);
  }
  ScopedVectoredHandler(const ScopedVectoredHandler&) = delete;
  ScopedVectoredHandler& operator=(const ScopedVectoredHandler&) = delete;
  bool active() const { return cookie_ != nullptr; }

 private:
  PVOID cookie_;
};

// mingw has no __try: a debugger sees the exception first; when it passes the exception on,
// the vectored handler swallows it. Without a debugger nobody listens, so it is not raised.
void AnnounceNameToDebugger(const std::string& name, DWORD thread_id) {
  if (!::IsDebuggerPresent()) return;
  ScopedVectoredHandler handler(SwallowThreadNameException);
  if (!handler.active()) return;
  ThreadNameInfo info = {0x1000, name.c_str(), thread_id, 0};
  ::RaiseException(kSetThreadNameException, 0, sizeof(info) / sizeof(ULONG_PTR),
                   reinterpret_cast<const ULONG_PTR*>(&info));
}

// Newer systems keep the name with the thread itself, where dumps and profilers find it too;
// Windows 7 lacks the function, so it is looked up at run time.
void SetDescription(HANDLE thread, const std::wstring& name) {
  using SetThreadDescriptionFunction = HRESULT(WINAPI*)(HANDLE, PCWSTR);
  const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  if (kernel == nullptr) return;
  const auto set_description = reinterpret_cast<SetThreadDescriptionFunction>(
      reinterpret_cast<void*>(::GetProcAddress(kernel, "SetThreadDescription")));
  if (set_description != nullptr) set_description(thread, name.c_str());
}

}  // namespace

Thread::~Thread() {
  Join();
  name_.clear();
  body_ = nullptr;
}

bool Thread::Start(void* owner, const std::wstring& name, Body body) {
  Join();
  owner_ = owner;
  name_ = name;
  body_ = std::move(body);
  unsigned thread_id = 0;
  const uintptr_t handle =
      ::_beginthreadex(nullptr, 0, &Thread::CallBack, this, CREATE_SUSPENDED, &thread_id);
  if (handle == 0) return false;
  handle_.reset(reinterpret_cast<HANDLE>(handle));
  id_ = thread_id;
  if (name_.empty()) name_ = L"t" + std::to_wstring(id_);
  SetDescription(handle_.get(), name_);
  AnnounceNameToDebugger(WideToMultiByte(name_, CP_ACP), id_);
  return true;
}

bool Thread::Resume() {
  if (!handle_) return false;
  return ::ResumeThread(handle_.get()) != static_cast<DWORD>(-1);
}

void Thread::Join() {
  if (!handle_) return;
  ::WaitForSingleObject(handle_.get(), INFINITE);
  handle_.reset();
  id_ = static_cast<DWORD>(-1);
}

unsigned __stdcall Thread::CallBack(void* self) {
  Thread* thread = static_cast<Thread*>(self);
  LogLine(L"Utils::Thread::CallBack", 101, L"THREAD BEGIN\r\n");
  if (thread->body_) thread->body_(thread->owner_);
  LogLine(L"Utils::Thread::CallBack", 107, L"THREAD END\r\n");
  return 0;
}

}  // namespace Utils
