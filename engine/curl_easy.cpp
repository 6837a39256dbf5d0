#include "engine/curl_easy.h"

#include "app/text_encoding.h"

bool AppendHeader(ScopedCurlList& list, const char* line) {
  curl_slist* head = curl_slist_append(list.get(), line);
  if (head == nullptr) return false;
  // Appending keeps the head of a non-empty list, so only a first line changes ownership.
  list.release();
  list.reset(head);
  return true;
}

size_t DiscardBody(char* /*data*/, size_t size, size_t count, void* /*user*/) {
  return size * count;
}

std::string GetEffectiveUrl(CURL* handle) {
  char* url = nullptr;
  if (curl_easy_getinfo(handle, CURLINFO_EFFECTIVE_URL, &url) != CURLE_OK || url == nullptr) {
    return {};
  }
  return url;
}

std::wstring CurlErrorText(int code) {
  return MultiByteToWide(curl_easy_strerror(static_cast<CURLcode>(code)), CP_ACP);
}
