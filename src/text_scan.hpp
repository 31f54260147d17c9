// Small text tests shared by the reader and the record parsers: substring and prefix
// search, and a "%d" reader that follows scanf's matching rules but saturates.
#pragma once

#include <cstdint>
#include <string_view>

namespace choirly {

// Record lines are short and their names all begin with the same bar, so a plain loop
// beats a library search that stops at every bar to call a comparison.
inline bool contains(std::string_view text, std::string_view needle) {
  if (needle.empty()) return true;
  if (needle.size() > text.size()) return false;
  const std::size_t last = text.size() - needle.size();
  for (std::size_t i = 0; i <= last; ++i) {
    std::size_t k = 0;
    while (k < needle.size() && text[i + k] == needle[k])
      ++k;
    if (k == needle.size()) return true;
  }
  return false;
}

inline bool starts_with(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// White space as scanf skips it in the "C" locale.
constexpr bool is_scan_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Reads a number the way "%d" does at the start of text: optional white space, an optional
// sign, then one or more decimal digits, as many as there are. A number outside 32 bits
// saturates to the nearest limit. Returns how many characters were consumed, or 0 when
// nothing converts (the value is then left alone).
inline std::size_t scan_decimal(std::string_view text, std::int32_t& value) {
  std::size_t i = 0;
  while (i < text.size() && is_scan_space(text[i]))
    ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  const std::size_t first_digit = i;
  std::int64_t magnitude = 0;
  constexpr std::int64_t cap = std::int64_t{INT32_MAX} + 1;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > cap) magnitude = cap;
    ++i;
  }
  if (i == first_digit) return 0;
  std::int64_t result = negative ? -magnitude : magnitude;
  if (result > INT32_MAX) result = INT32_MAX;
  value = static_cast<std::int32_t>(result);
  return i;
}

}  // namespace choirly
