// The demo "Nimbrel" program that the demo setup package installs: one window that shows the
// product's name and version until it is closed.
#include <windows.h>

#include "resources/resource_ids.h"

namespace {

constexpr wchar_t kWindowClass[] = L"NimbrelDemoProduct";
constexpr wchar_t kText[] = L"尼布瑞尔 Nimbrel 1.0.0\r\n演示程序 (demo)";

void Paint(HWND window) {
  PAINTSTRUCT paint;
  const HDC dc = ::BeginPaint(window, &paint);
  RECT client;
  ::GetClientRect(window, &client);
  ::DrawTextW(dc, kText, -1, &client, DT_CENTER | DT_NOPREFIX);
  ::EndPaint(window, &paint);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_PAINT:
      Paint(window);
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcW(window, message, wparam, lparam);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = instance;
  window_class.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(IDI_NIMBREL_ICON));
  window_class.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  window_class.lpszClassName = kWindowClass;
  if (!::RegisterClassExW(&window_class)) return 1;
  const HWND window =
      ::CreateWindowExW(0, kWindowClass, L"Nimbrel", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                        CW_USEDEFAULT, 400, 200, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 1;
  ::ShowWindow(window, show);
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}
