#include "app/network_check.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <objbase.h>

#include <thread>

namespace {

uint32_t CheckOnNewThread(bool initialise_com) {
  uint32_t result = 0xffffffff;
  std::thread worker([&result, initialise_com] {
    const HRESULT initialised =
        initialise_com ? ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED) : E_FAIL;
    result = Utils::CheckNetwork();
    if (SUCCEEDED(initialised)) ::CoUninitialize();
  });
  worker.join();
  return result;
}

// Whatever this machine's network: connectivity flags and verdict must fit together.
TEST(CheckNetworkTest, VerdictMatchesTheConnectivityFlags) {
  const uint32_t result = CheckOnNewThread(true);
  const uint32_t flags = result & 0xffff;
  const uint32_t verdict = result >> 16;
  ASSERT_NE(result, 0u) << "the network-list manager is missing";
  EXPECT_LE(verdict, 2u);
  EXPECT_EQ(flags == 0, verdict == 1) << std::hex << result;
}

// Without COM the manager cannot be made: that counts as connected.
TEST(CheckNetworkTest, WithoutComTheResultIsZero) { EXPECT_EQ(CheckOnNewThread(false), 0u); }

}  // namespace
