// Leading decimal numbers of settings texts ("12abc" is 12, "0.5x" is 0.5). A text without a
// leading number, or one whose number does not fit the type, converts to nothing.
#pragma once

#include <string>

bool LeadingDecimalInt(const std::wstring& text, int* value);
bool LeadingDecimalDouble(const std::wstring& text, double* value);  // finite values only
