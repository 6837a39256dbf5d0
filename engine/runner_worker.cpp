#include "engine/runner_worker.h"

#include <windows.h>

bool StartRunnerWorker(std::unique_ptr<Utils::Thread>* worker, const std::wstring& name,
                       std::function<void()> run) {
  worker->reset();
  auto thread = std::make_unique<Utils::Thread>();
  const auto body = [run = std::move(run)](void*) -> unsigned {
    run();
    return 0;
  };
  if (!thread->Start(nullptr, name, body)) return false;
  if (!thread->Resume()) {
    // Never resumed, it has run none of its code; joining it would wait for ever.
    ::TerminateThread(thread->handle(), 1);
    return false;
  }
  *worker = std::move(thread);
  return true;
}
