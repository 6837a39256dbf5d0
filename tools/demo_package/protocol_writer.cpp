#include "tools/demo_package/protocol_writer.h"

#include <windows.h>

#include <cstdio>

#include "app/text_encoding.h"

namespace {

void WriteOut(const std::string& bytes) {
  DWORD written = 0;
  ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()),
              &written, nullptr);
}

}  // namespace

ProtocolWriter::ProtocolWriter(bool enabled) : enabled_(enabled) {}

void ProtocolWriter::AnnounceUtf8() {
  if (!enabled_) return;
  WriteOut("Encode=UTF8\n");
  // On a pipe this returns once the reader has taken everything written so far.
  ::FlushFileBuffers(::GetStdHandle(STD_OUTPUT_HANDLE));
}

void ProtocolWriter::Line(const std::wstring& key, const std::wstring& value) {
  if (!enabled_) return;
  WriteOut(WideToMultiByte(key + L"=" + value, CP_UTF8) + "\n");
}

void ProtocolWriter::Progress(double fraction) {
  char number[32];
  std::snprintf(number, sizeof(number), "%.2f", fraction);
  Line(L"Progress", MultiByteToWide(number, CP_UTF8));
}
