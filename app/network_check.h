// Connectivity as the system's network-list manager sees it.
#pragma once

#include <cstdint>

namespace Utils {

// COM must be initialised on the calling thread. Low 16 bits: connectivity flags; high 16
// bits: verdict (0 connected, 1 no connectivity, 2 not connected to the internet). A result of
// 65536 or more means the network is too poor to install; 0 when the manager is missing.
uint32_t CheckNetwork();

}  // namespace Utils
