#pragma once

#include <windows.h>

// Dispatches the thread's messages for about 100 ms (it waits for messages, so a quiet queue
// makes it longer). True when it stopped because the time ran out; false when `window` (may
// be null) was destroyed or a quit message arrived (it is posted again).
bool PumpMessagesBriefly(HWND window);
