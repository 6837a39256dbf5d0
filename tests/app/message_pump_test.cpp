#include "app/message_pump.h"

#include <gtest/gtest.h>

namespace {

constexpr UINT kCountMessage = WM_APP + 1;
constexpr UINT kDestroyMessage = WM_APP + 2;

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == kCountMessage) {
    ++*reinterpret_cast<int*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    return 0;
  }
  if (message == kDestroyMessage) {
    ::DestroyWindow(window);
    return 0;
  }
  return ::DefWindowProcW(window, message, wparam, lparam);
}

class MessagePumpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSW window_class = {};
    window_class.lpfnWndProc = CountingProc;
    window_class.hInstance = ::GetModuleHandleW(nullptr);
    window_class.lpszClassName = L"MessagePumpTest";
    ::RegisterClassW(&window_class);
    window_ = ::CreateWindowW(L"MessagePumpTest", L"", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr,
                              window_class.hInstance, nullptr);
    ASSERT_NE(window_, nullptr);
    ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&count_));
  }
  void TearDown() override {
    if (::IsWindow(window_)) ::DestroyWindow(window_);
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
  }

  HWND window_ = nullptr;
  int count_ = 0;
};

// A quiet queue must not keep the caller: the pump returns once its time is up.
TEST_F(MessagePumpTest, DispatchesPendingMessagesAndReturnsWhenTimeRunsOut) {
  ::PostMessageW(window_, kCountMessage, 0, 0);
  ::PostMessageW(window_, kCountMessage, 0, 0);
  EXPECT_TRUE(PumpMessagesBriefly(window_));
  EXPECT_EQ(count_, 2);
  EXPECT_TRUE(PumpMessagesBriefly(nullptr));
}

TEST_F(MessagePumpTest, StopsWhenTheWindowIsDestroyed) {
  ::PostMessageW(window_, kDestroyMessage, 0, 0);
  EXPECT_FALSE(PumpMessagesBriefly(window_));
  EXPECT_FALSE(::IsWindow(window_));
}

TEST_F(MessagePumpTest, QuitMessageStopsThePumpAndIsPostedAgain) {
  ::PostQuitMessage(42);
  EXPECT_FALSE(PumpMessagesBriefly(window_));
  MSG message = {};
  ASSERT_TRUE(::PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(message.wParam, 42u);
}

}  // namespace
