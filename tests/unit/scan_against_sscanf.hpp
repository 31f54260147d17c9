// Holds a format scanner to std::sscanf: both read the same text with the same format, and
// must give the same count, the same numbers, the same characters and the same texts.
// Shared by the unit tests and the fuzz target.
#pragma once

#include <climits>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "text_scan.hpp"

namespace choirly::scan_check {

// The format given to sscanf. Its "%d" reads a long instead: scanf leaves an int out of range
// undefined, where the scanners saturate, so the long is saturated here before comparing.
inline std::string sscanf_format(std::string_view format) {
  std::string out;
  for (std::size_t i = 0; i < format.size(); ++i) {
    out += format[i];
    if (format[i] != '%') continue;
    std::size_t j = i + 1;
    while (j < format.size() && ((format[j] >= '0' && format[j] <= '9') || format[j] == '*'))
      ++j;
    if (j < format.size() && format[j] == 'd') {
      out.append(format.substr(i + 1, j - i - 1));
      out += "ld";
      i = j;
    }
  }
  return out;
}

inline std::int32_t saturated(long value) {
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<std::int32_t>(value);
}

template <scan_format F>
constexpr scan_kind assigned_kind(std::size_t k) {
  for (std::size_t i = 0; i < scan_detail::plan_of<F>.count; ++i) {
    const scan_directive& d = scan_detail::plan_of<F>.directives[i];
    if (d.assigned && k-- == 0) return d.kind;
  }
  return scan_kind::literal;
}

// What sscanf writes into: one slot of each kind for every value, the texts in one buffer
// long enough for any of them.
struct sscanf_slots {
  long numbers[8] = {};
  char characters[8] = {};
  std::vector<char> texts;
  std::size_t text_size = 0;
  char* text(std::size_t k) { return texts.data() + k * text_size; }
};

template <scan_format F, std::size_t K>
auto* sscanf_target(sscanf_slots& slots) {
  constexpr scan_kind kind = assigned_kind<F>(K);
  if constexpr (kind == scan_kind::decimal)
    return &slots.numbers[K];
  else if constexpr (kind == scan_kind::character)
    return &slots.characters[K];
  else
    return slots.text(K);
}

// Compares the two on `text` (which must hold no NUL: sscanf would stop there). Returns an
// empty string when they agree, or what differs.
template <scan_format F>
std::string compare(std::string_view text) {
  constexpr std::size_t value_count = scan_detail::plan_of<F>.assigned;
  static_assert(value_count <= 8);
  static const std::string format = sscanf_format(F.view());
  const std::string c_text(text);

  sscanf_slots slots;
  slots.text_size = text.size() + 1;
  slots.texts.assign(value_count * slots.text_size, '\0');
  auto values = [&]<std::size_t... K>(std::index_sequence<K...>) {
    return std::tuple<scan_detail::value_type_of<assigned_kind<F>(K)>...>{};
  }
  (std::make_index_sequence<value_count>{});

  const int expected = [&]<std::size_t... K>(std::index_sequence<K...>) {
    return std::sscanf(c_text.c_str(), format.c_str(), sscanf_target<F, K>(slots)...);
  }
  (std::make_index_sequence<value_count>{});
  const int got = std::apply([&](auto&... v) { return scan<F>(text, v...); }, values);

  std::string differences;
  auto differ = [&](std::string what) { differences += what + "; "; };
  if (got != expected)
    differ("count " + std::to_string(got) + ", sscanf " + std::to_string(expected));
  [&]<std::size_t... K>(std::index_sequence<K...>) {
    auto check = [&]<std::size_t k>(std::integral_constant<std::size_t, k>) {
      if (static_cast<int>(k) >= expected) return;
      constexpr scan_kind kind = assigned_kind<F>(k);
      const auto& value = std::get<k>(values);
      if constexpr (kind == scan_kind::decimal) {
        if (value != saturated(slots.numbers[k]))
          differ("value " + std::to_string(k) + ": " + std::to_string(value) + ", sscanf " +
                 std::to_string(slots.numbers[k]));
      } else if constexpr (kind == scan_kind::character) {
        if (value != slots.characters[k])
          differ("character " + std::to_string(k) + ": " + std::to_string(value) + ", sscanf " +
                 std::to_string(slots.characters[k]));
      } else {
        const std::string_view theirs(slots.text(k));
        if (value != theirs)
          differ("text " + std::to_string(k) + ": \"" + std::string(value) + "\", sscanf \"" +
                 std::string(theirs) + "\"");
      }
    };
    (check(std::integral_constant<std::size_t, K>{}), ...);
  }
  (std::make_index_sequence<value_count>{});
  return differences;
}

// Compares every format of the converter on `text`; calls `report(format, differences)` for
// each one that disagrees and returns how many comparisons were made.
template <typename Report>
int compare_every_format(std::string_view text, Report&& report) {
  constexpr std::size_t n = std::size(record_formats::every_format);
  return [&]<std::size_t... I>(std::index_sequence<I...>) {
    int made = 0;
    auto one = [&]<std::size_t i>(std::integral_constant<std::size_t, i>) {
      constexpr scan_format f = record_formats::every_format[i];
      const std::string differences = compare<f>(text);
      if (!differences.empty()) report(f.view(), differences);
      ++made;
    };
    (one(std::integral_constant<std::size_t, I>{}), ...);
    return made;
  }
  (std::make_index_sequence<n>{});
}

}  // namespace choirly::scan_check
