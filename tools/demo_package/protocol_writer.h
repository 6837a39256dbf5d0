// The console protocol as a child program writes it: one "Key=value" line per write on the
// standard output, in UTF-8 after announcing it. Silent unless the runner asked for the
// console ("-console=show").
#pragma once

#include <string>

class ProtocolWriter {
 public:
  explicit ProtocolWriter(bool enabled);

  // Announces UTF-8 and waits until the runner has read the announcement: the runner
  // switches its decoding only from its next read on.
  void AnnounceUtf8();

  void Line(const std::wstring& key, const std::wstring& value);
  void Progress(double fraction);

 private:
  bool enabled_;
};
