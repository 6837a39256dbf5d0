// The line protocol that setup packages and uninstallers write on their standard output:
// lines of a key, "=" and a value. The key with its "=" stands at the very start of the line
// and is case-sensitive; the line feed ends the line and is not part of the value, while a
// carriage return before it is (only trimmed values lose it).
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

// What one parsed piece of output said about the end of the run; when several final lines
// arrive together, the last one decides.
enum ParseResult : int {
  kNoFinalState = 0,
  kFinalSuccess = 1,
  kFinalFailure = 1000,
};

// Code pages a child can switch its output to with "Encode=".
inline constexpr unsigned kAnsiCodePage = 0;
inline constexpr unsigned kUtf8CodePage = 65001;

// How the runners write a yes/no switch of a child's command line.
inline const wchar_t* SwitchValue(bool value) { return value ? L"true" : L"false"; }

// Longer text values arrive as the empty text.
inline constexpr size_t kMaxTextValueLength = 771;

// Calls `parse_line` for every line of `text`, split at line feeds, in order; each call may
// set the result of the whole text.
ParseResult ParseLines(std::wstring_view text,
                       const std::function<void(std::wstring_view, ParseResult*)>& parse_line);

// The entry of `table` (each with a `key` member) whose key starts `line`, first match in
// table order, and the rest of the line as `value`; null when no key matches.
template <typename Entry, size_t N>
const Entry* FindKey(const Entry (&table)[N], std::wstring_view line, std::wstring_view* value) {
  for (const Entry& entry : table) {
    const std::wstring_view key(entry.key);
    if (line.substr(0, key.size()) == key) {
      *value = line.substr(key.size());
      return &entry;
    }
  }
  return nullptr;
}

// The value as text; empty when it is longer than kMaxTextValueLength.
std::wstring TextValue(std::wstring_view value);
// The text value without leading and trailing white space.
std::wstring TrimmedValue(std::wstring_view value);
// A decimal floating-point number after optional white space; 0 when the value does not
// start with one or it is out of range.
double NumberValue(std::wstring_view value);
// A signed decimal integer after optional white space, saturated to 32 bits; false (and
// `number` unchanged) when the value does not start with one. `rest` gets what follows.
bool ReadInteger(std::wstring_view value, int* number, std::wstring_view* rest);
// ReadInteger's number, 0 when there is none.
int IntegerValue(std::wstring_view value);
