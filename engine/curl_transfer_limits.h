// Limits shared by every libcurl transfer of the downloaders.
#pragma once

namespace CurlTransferLimits {

inline constexpr long kConnectTimeoutSeconds = 60;
// libcurl 7.x follows redirects without end by default: a server that redirects in a circle
// would hold the installer forever.
inline constexpr long kMaximumRedirects = 30;
// Nothing else bounds a transfer in time, so a server that stops sending mid-file would hold
// the installer forever: give up after 5 seconds below 1 byte per second and let the retry
// resume.
inline constexpr long kLowSpeedBytesPerSecond = 1;
inline constexpr long kLowSpeedSeconds = 5;
// libcurl hands over at most its receive buffer per call (16 KiB by default); under Wine each
// call and each write is a round trip to the wineserver, which made a loopback download eight
// times slower than with libcurl's largest buffer.
inline constexpr long kReceiveBufferSize = 512 * 1024;

}  // namespace CurlTransferLimits
