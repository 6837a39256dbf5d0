#include "engine/url_md5.h"

std::string UrlMd5(const std::string& url) {
  const size_t last = url.rfind('/');
  if (last == std::string::npos || last == 0) return {};
  const size_t previous = url.rfind('/', last - 1);
  if (previous == std::string::npos) return {};
  return url.substr(previous + 1, last - previous - 1);
}
