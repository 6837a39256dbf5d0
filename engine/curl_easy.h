// Owning wrappers for libcurl's easy handles and header lists, and the small helpers that the
// engine's transfers share.
#pragma once

#include <curl/curl.h>

#include <string>

#include "app/scoped_handle.h"

struct CurlEasyTraits {
  using Handle = CURL*;
  static Handle Empty() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { curl_easy_cleanup(h); }
};
using ScopedCurl = ScopedObject<CurlEasyTraits>;

struct CurlListTraits {
  using Handle = curl_slist*;
  static Handle Empty() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { curl_slist_free_all(h); }
};
using ScopedCurlList = ScopedObject<CurlListTraits>;

// Adds one request header line; false (and the list unchanged) when libcurl has no memory.
bool AppendHeader(ScopedCurlList& list, const char* line);

// The write function of header-only requests: accepts and drops any data.
size_t DiscardBody(char* data, size_t size, size_t count, void* user);

// The URL after redirects of a finished request, or the empty string.
std::string GetEffectiveUrl(CURL* handle);

// libcurl's text for a result code, from the ANSI code page; the engine's own negative codes
// get the text libcurl has for codes it does not define.
std::wstring CurlErrorText(int code);
