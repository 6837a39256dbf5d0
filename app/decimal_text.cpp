#include "app/decimal_text.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cwchar>

bool LeadingDecimalInt(const std::wstring& text, int* value) {
  const wchar_t* start = text.c_str();
  wchar_t* end = nullptr;
  errno = 0;
  const long long number = std::wcstoll(start, &end, 10);
  if (end == start || errno == ERANGE || number < INT_MIN || number > INT_MAX) return false;
  *value = static_cast<int>(number);
  return true;
}

// "inf", "nan" and numbers beyond the double range come out of wcstod as non-finite values;
// none of them is a usable setting.
bool LeadingDecimalDouble(const std::wstring& text, double* value) {
  const wchar_t* start = text.c_str();
  wchar_t* end = nullptr;
  const double number = std::wcstod(start, &end);
  if (end == start || !std::isfinite(number)) return false;
  *value = number;
  return true;
}
