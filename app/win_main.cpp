// Process entry of the installer.
#include <windows.h>

#include <curl/curl.h>

#include "app/debug_log.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const CURLcode curl_status = curl_global_init(CURL_GLOBAL_ALL);
  LogLine(L"wWinMain", 1, L"installer started, curl init %d\r\n", static_cast<int>(curl_status));
  curl_global_cleanup();
  return 0;
}
