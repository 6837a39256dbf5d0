// Runs one worker named "ABDEF" and one without a name, each to its end. Exits with the sum of
// the bodies' results, so that the caller sees both ran, and reports the unnamed thread's id.
#include "app/debug_log.h"
#include "app/thread.h"

int wmain() {
  unsigned total = 0;
  const auto add = [&total](unsigned value) {
    return [&total, value](void*) { return total += value; };
  };
  Utils::Thread named;
  if (!named.Start(nullptr, L"ABDEF", add(1)) || !named.Resume()) return 100;
  named.Join();
  Utils::Thread unnamed;
  if (!unnamed.Start(nullptr, L"", add(2)) || !unnamed.Resume()) return 100;
  LogLine(L"ThreadNamer", 1, L"unnamed=%lu", unnamed.id());
  unnamed.Join();
  return static_cast<int>(total);
}
