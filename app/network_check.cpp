#include "app/network_check.h"

#include <windows.h>

#include <netlistmgr.h>

#include "app/debug_log.h"
#include "app/scoped_handle.h"

namespace Utils {

namespace {

// Spelled out, so that no import library of GUIDs is needed.
constexpr CLSID kNetworkListManagerClass = {
    0xDCB00C01, 0x570F, 0x4A9B, {0x8D, 0x69, 0x19, 0x9F, 0xDB, 0xA5, 0x72, 0x3B}};
constexpr IID kNetworkListManagerInterface = {
    0xDCB00000, 0x570F, 0x4A9B, {0x8D, 0x69, 0x19, 0x9F, 0xDB, 0xA5, 0x72, 0x3B}};

enum Verdict : uint32_t { kConnected = 0, kNoConnectivity = 1, kNoInternet = 2 };

Verdict Judge(INetworkListManager* manager, NLM_CONNECTIVITY connectivity) {
  if (connectivity == 0) {
    LogLine(L"Utils::CheckNetwork", 245, L"GetConnectivity %d", static_cast<int>(connectivity));
    return kNoConnectivity;
  }
  VARIANT_BOOL connected = VARIANT_FALSE;
  manager->IsConnectedToInternet(&connected);
  if (connected == VARIANT_FALSE) {
    LogLine(L"Utils::CheckNetwork", 254, L"get_IsConnectedToInternet:%d",
            static_cast<int>(connected));
    return kNoInternet;
  }
  return kConnected;
}

}  // namespace

// Without the manager the verdict is "connected": a machine that cannot tell is not held up.
uint32_t CheckNetwork() {
  uint32_t result = 0;
  {
    ScopedComPtr<INetworkListManager> manager;
    const HRESULT created = ::CoCreateInstance(kNetworkListManagerClass, nullptr, CLSCTX_ALL,
                                               kNetworkListManagerInterface,
                                               reinterpret_cast<void**>(manager.receive()));
    if (FAILED(created) || !manager) return 0;
    NLM_CONNECTIVITY connectivity = NLM_CONNECTIVITY_DISCONNECTED;
    manager.get()->GetConnectivity(&connectivity);
    const Verdict verdict = Judge(manager.get(), connectivity);
    result = (static_cast<uint32_t>(connectivity) & 0xffff) | (verdict << 16);
  }
  ::CoFreeUnusedLibraries();
  return result;
}

}  // namespace Utils
