// The worker thread of one run of a child-program runner.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/thread.h"

// Replaces `*worker` (joining the previous one) by a named thread that runs `run`. False,
// with `*worker` empty, when no thread could be started.
bool StartRunnerWorker(std::unique_ptr<Utils::Thread>* worker, const std::wstring& name,
                       std::function<void()> run);
