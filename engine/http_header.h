// Reading single values from raw HTTP response headers ("Name: value" lines, CRLF-separated),
// as the system's URL monikers hand them to their callbacks.
#pragma once

#include <cstdint>
#include <string>

// The value of the first line named `name` (in any case), without leading blanks; empty when
// there is none.
std::wstring HeaderValue(const wchar_t* headers, const std::wstring& name);

// The body length that reaches a file: Content-Length, or -1 when it is missing, malformed, or
// describes an encoded body that the system decodes on the way.
int64_t AnnouncedBodyLength(const wchar_t* headers);
