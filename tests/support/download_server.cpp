#include "tests/support/download_server.h"

#include <windows.h>
#include <curl/curl.h>

#include <atomic>
#include <cstdint>
#include <fstream>
#include <memory>

namespace {

std::wstring EnvironmentValue(const wchar_t* name) {
  wchar_t value[1024] = {};
  const DWORD length = ::GetEnvironmentVariableW(name, value, 1024);
  if (length == 0 || length >= 1024) return {};
  return std::wstring(value, length);
}

size_t AppendToString(char* data, size_t size, size_t count, void* text) {
  static_cast<std::string*>(text)->append(data, size * count);
  return size * count;
}

}  // namespace

std::string LoopbackServerUrl(const wchar_t* port_file_variable) {
  const std::wstring unix_path = EnvironmentValue(port_file_variable);
  if (unix_path.empty()) return {};
  // Wine shows the Unix root as drive Z:.
  std::ifstream file((L"Z:" + unix_path).c_str());
  int port = 0;
  if (!(file >> port) || port <= 0) return {};
  return "http://127.0.0.1:" + std::to_string(port);
}

FaultScenario::FaultScenario(std::string server, const std::string& faults)
    : server_(std::move(server)) {
  static std::atomic<int> counter{0};
  token_ = "t" + std::to_string(::GetCurrentProcessId()) + "_" + std::to_string(++counter);
  prefix_ = server_ + "/fault/token=" + token_ + (faults.empty() ? "" : "," + faults) + "/";
}

std::string FaultScenario::Url(const std::string& resource) const { return prefix_ + resource; }

std::string FaultScenario::Log() const { return FetchText(server_ + "/log/" + token_); }

std::string GeneratedContent(size_t size) {
  std::string bytes((size + 7) / 8 * 8, '\0');
  for (size_t k = 0; k < bytes.size() / 8; ++k) {
    const uint64_t word = (static_cast<uint64_t>(k) + 1) * 0x9E3779B97F4A7C15ull ^ size;
    for (size_t i = 0; i < 8; ++i) bytes[k * 8 + i] = static_cast<char>(word >> (8 * i));
  }
  bytes.resize(size);
  return bytes;
}

std::string FetchText(const std::string& url) {
  std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), &curl_easy_cleanup);
  if (!curl) return {};
  std::string text;
  curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, &AppendToString);
  curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &text);
  curl_easy_setopt(curl.get(), CURLOPT_TIMEOUT, 30L);
  curl_easy_setopt(curl.get(), CURLOPT_FAILONERROR, 1L);
  if (curl_easy_perform(curl.get()) != CURLE_OK) return {};
  return text;
}

void InitHttpLibrary() {
  static const CURLcode result = curl_global_init(CURL_GLOBAL_ALL);
  (void)result;
}
