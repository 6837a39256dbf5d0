// The download host names each file's folder by the file's MD5: the expected digest is the
// second-to-last path segment of the URL after redirects.
#pragma once

#include <string>

// What lies between the last two "/" of `url`; empty when the URL has fewer than two "/".
// Callers use it only when it is exactly 32 characters long.
std::string UrlMd5(const std::string& url);
