#include "engine/console_protocol.h"

#include <climits>
#include <cmath>
#include <cwchar>

namespace {

constexpr std::wstring_view kWhiteSpace = L" \t\r\n\v\f";

std::wstring_view SkipWhiteSpace(std::wstring_view text) {
  const size_t start = text.find_first_not_of(kWhiteSpace);
  return start == std::wstring_view::npos ? std::wstring_view() : text.substr(start);
}

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

size_t CountDigits(std::wstring_view text, size_t from) {
  size_t end = from;
  while (end < text.size() && IsDigit(text[end])) ++end;
  return end - from;
}

size_t SignLength(std::wstring_view text, size_t at) {
  return at < text.size() && (text[at] == L'+' || text[at] == L'-') ? 1 : 0;
}

// Length of the decimal number at the start of `text` ("-1.5e3", ".5", "2."), 0 when none.
// Spelled out rather than left to wcstod, which also takes "inf", "nan" and hexadecimal.
size_t DecimalNumberLength(std::wstring_view text) {
  size_t end = SignLength(text, 0);
  const size_t integer_digits = CountDigits(text, end);
  end += integer_digits;
  size_t fraction_digits = 0;
  if (end < text.size() && text[end] == L'.') {
    fraction_digits = CountDigits(text, end + 1);
    end += 1 + fraction_digits;
  }
  if (integer_digits + fraction_digits == 0) return 0;
  if (end < text.size() && (text[end] == L'e' || text[end] == L'E')) {
    const size_t sign = SignLength(text, end + 1);
    const size_t exponent_digits = CountDigits(text, end + 1 + sign);
    if (exponent_digits > 0) end += 1 + sign + exponent_digits;
  }
  return end;
}

}  // namespace

ParseResult ParseLines(std::wstring_view text,
                       const std::function<void(std::wstring_view, ParseResult*)>& parse_line) {
  ParseResult result = kNoFinalState;
  size_t start = 0;
  for (;;) {
    const size_t feed = text.find(L'\n', start);
    if (feed == std::wstring_view::npos) {
      parse_line(text.substr(start), &result);
      return result;
    }
    parse_line(text.substr(start, feed - start), &result);
    start = feed + 1;
  }
}

std::wstring TextValue(std::wstring_view value) {
  if (value.size() > kMaxTextValueLength) return {};
  return std::wstring(value);
}

std::wstring TrimmedValue(std::wstring_view value) {
  const std::wstring text = TextValue(value);
  const size_t first = text.find_first_not_of(kWhiteSpace);
  if (first == std::wstring::npos) return {};
  const size_t last = text.find_last_not_of(kWhiteSpace);
  return text.substr(first, last - first + 1);
}

double NumberValue(std::wstring_view value) {
  const std::wstring_view text = SkipWhiteSpace(value);
  const size_t length = DecimalNumberLength(text);
  if (length == 0) return 0.0;
  const double number = std::wcstod(std::wstring(text.substr(0, length)).c_str(), nullptr);
  return std::isfinite(number) ? number : 0.0;
}

bool ReadInteger(std::wstring_view value, int* number, std::wstring_view* rest) {
  const std::wstring_view text = SkipWhiteSpace(value);
  const size_t sign = SignLength(text, 0);
  const size_t digits = CountDigits(text, sign);
  if (digits == 0) return false;
  const bool negative = sign == 1 && text[0] == L'-';
  const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
  long long magnitude = 0;
  for (size_t i = sign; i < sign + digits && magnitude < limit; ++i) {
    magnitude = magnitude * 10 + (text[i] - L'0');
  }
  if (magnitude > limit) magnitude = limit;
  *number = static_cast<int>(negative ? -magnitude : magnitude);
  *rest = text.substr(sign + digits);
  return true;
}

int IntegerValue(std::wstring_view value) {
  int number = 0;
  std::wstring_view rest;
  if (!ReadInteger(value, &number, &rest)) return 0;
  return number;
}
