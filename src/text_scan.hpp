// Small text tests shared by the reader and the record parsers: substring and prefix
// search, and a "%d" reader that follows scanf's matching rules but saturates.
#pragma once

#include <cstdint>
#include <string_view>

namespace choirly {

inline bool contains(std::string_view text, std::string_view needle) {
  return text.find(needle) != std::string_view::npos;
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
