// The URL form handed to the system's URL-moniker download.
#pragma once

#include <string>

// "file:///" URLs unchanged; any other URL as UTF-8 with every byte outside 0x21..0x7E
// percent-encoded (upper-case hex digits) and a space as "+".
std::wstring MonikerUrl(const std::wstring& url);
