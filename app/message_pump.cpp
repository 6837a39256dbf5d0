#include "app/message_pump.h"

#include <mmsystem.h>

namespace {

constexpr DWORD kPumpMs = 100;

bool WindowGone(HWND window) { return window != nullptr && !::IsWindow(window); }

}  // namespace

// Waits at most until the time is up: a thread without any messages must not stay here.
bool PumpMessagesBriefly(HWND window) {
  const DWORD start = ::timeGetTime();
  for (;;) {
    if (WindowGone(window)) return false;
    MSG message = {};
    const bool received = ::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) != FALSE;
    if (received && message.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(message.wParam));
      return false;
    }
    if (received) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
    const DWORD elapsed = ::timeGetTime() - start;
    if (elapsed > kPumpMs) return !WindowGone(window);
    if (!received) {
      ::MsgWaitForMultipleObjectsEx(0, nullptr, kPumpMs + 1 - elapsed, QS_ALLINPUT,
                                    MWMO_INPUTAVAILABLE);
    }
  }
}
