// Small text tests shared by the reader and the record parsers: substring and prefix search,
// and scanners that read a line by a scanf format, with scanf's matching rules, over a view.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "limits.hpp"

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

// The text from `at` on, where `at` is known to lie within it (substr would check again).
constexpr std::string_view tail(std::string_view text, std::size_t at) {
  return {text.data() + at, text.size() - at};
}

// Compared character by character: the texts are short, and most differ at once.
[[gnu::always_inline]] constexpr bool starts_with(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (text[i] != prefix[i]) return false;
  return true;
}

// Calls visit(at) for each bar character of text, in order, until visit returns false;
// returns false when it did. Record lines are mostly names and values between a few bars,
// so the line is looked at sixteen characters at a time (eight without SSE2); with
// `padded`, the text must be followed by read_slack readable bytes, and its last block is
// read whole too.
template <bool padded = false, typename Visit>
[[gnu::always_inline]] inline bool for_each_bar(std::string_view text, Visit&& visit) {
  std::size_t i = 0;
#if defined(__SSE2__)
  const __m128i bar = _mm_set1_epi8('|');
  const std::size_t end = padded ? text.size() : text.size() & ~std::size_t{15};
  for (; i < end; i += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
    auto bars = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, bar)));
    if (padded && text.size() - i < 16) bars &= (1u << (text.size() - i)) - 1;
    for (; bars != 0; bars &= bars - 1)
      if (!visit(i + static_cast<std::size_t>(std::countr_zero(bars)))) return false;
  }
  if (padded) return true;
#else
  if constexpr (std::endian::native == std::endian::little) {
    constexpr std::uint64_t ones = 0x0101010101010101;
    constexpr std::uint64_t low_bits = 0x7F7F7F7F7F7F7F7F;
    const std::size_t end = padded ? text.size() : text.size() & ~std::size_t{7};
    for (; i < end; i += 8) {
      std::uint64_t word;
      std::memcpy(&word, text.data() + i, sizeof word);
      const std::uint64_t x = word ^ (ones * '|');  // a zero byte where a bar is
      // The top bit of each byte that is zero, and no other bit.
      std::uint64_t bars = ~(((x & low_bits) + low_bits) | x | low_bits);
      if (padded && text.size() - i < 8) bars &= (std::uint64_t{1} << 8 * (text.size() - i)) - 1;
      for (; bars != 0; bars &= bars - 1)
        if (!visit(i + static_cast<std::size_t>(std::countr_zero(bars) / 8))) return false;
    }
    if (padded) return true;
  }
#endif
  for (; i < text.size(); ++i)
    if (text[i] == '|' && !visit(i)) return false;
  return true;
}

// White space as scanf skips it in the "C" locale.
constexpr bool is_scan_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

constexpr bool is_scan_digit(char c) {
  return c >= '0' && c <= '9';
}

// Reads a number the way "%d" does at the start of text: optional white space, an optional
// sign, then one or more decimal digits, at most `width` characters for sign and digits
// (0: no limit). A number outside 32 bits saturates to the nearest limit, where scanf would
// leave the result undefined. Returns how many characters were consumed, or 0 when nothing
// converts (the value is then left alone).
constexpr std::size_t scan_decimal(std::string_view text, std::int32_t& value, int width = 0) {
  std::size_t i = 0;
  while (i < text.size() && is_scan_space(text[i]))
    ++i;
  std::size_t end = text.size();
  if (width > 0 && end - i > static_cast<std::size_t>(width)) end = i + width;
  bool negative = false;
  if (i < end && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  const std::size_t first_digit = i;
  std::int64_t magnitude = 0;
  constexpr std::int64_t cap = std::int64_t{INT32_MAX} + 1;
  while (i < end && is_scan_digit(text[i])) {
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

// ---------------------------------------------------------------------------------------
// Format scanners. scan<"|Note|Dur:%[^'|']|Pos:%[^'|']">(line, duration, positions) reads
// the line as std::sscanf would read it with that format, and returns what sscanf returns:
// the number of values assigned, or -1 when the line ends before the first one is assigned
// and before any character fails to match. Each value is assigned as soon as it converts,
// so a partial match leaves the earlier ones set. Texts come back as views into the line.
//
// The format is decoded when the program is compiled; the conversions it may use are those
// the records need, and anything else fails the build:
//   %d, %1d    std::int32_t: white space, an optional sign, digits (saturating, see above);
//              a width counts the sign and the digits
//   %s         std::string_view: white space, then one or more characters up to white space
//   %[^...]    std::string_view: one or more characters outside the set, no white space
//              skipped; %*[^...] matches the same and assigns nothing
//   %1c        char: the next character, whatever it is
//   any other character stands for itself (white space in a format is not used).

// A format as a template argument. Every format has the same type, whatever its length, so
// that formats can stand in tables.
struct scan_format {
  static constexpr std::size_t capacity = 96;
  char text[capacity] = {};
  std::size_t size = 0;
  template <std::size_t N>
  constexpr scan_format(const char (&format)[N]) : size(N - 1) {
    static_assert(N <= capacity, "format too long");
    for (std::size_t i = 0; i < size; ++i)
      text[i] = format[i];
  }
  constexpr std::string_view view() const { return {text, size}; }
};

enum class scan_kind : std::uint8_t { literal, decimal, word, set, character };

struct scan_directive {
  scan_kind kind = scan_kind::literal;
  bool assigned = false;   // false for a literal and for "%*"
  int width = 0;           // 0: none given
  std::size_t begin = 0;   // literal: its characters in the format
  std::size_t length = 0;  // literal: how many; set: how many excluded characters
  char excluded[8] = {};   // set: the characters it stops at
};

struct scan_plan {
  std::array<scan_directive, 16> directives{};
  std::size_t count = 0;
  std::size_t assigned = 0;
};

namespace scan_detail {

// Thrown only while decoding a format at compile time, where it stops the build.
struct unsupported_format {};

constexpr scan_plan decode(std::string_view f) {
  scan_plan plan;
  std::size_t i = 0;
  while (i < f.size()) {
    scan_directive d;
    if (plan.count == plan.directives.size()) throw unsupported_format{};
    if (is_scan_space(f[i])) throw unsupported_format{};
    if (f[i] != '%') {
      d.begin = i;
      while (i < f.size() && f[i] != '%' && !is_scan_space(f[i]))
        ++i;
      d.length = i - d.begin;
      plan.directives[plan.count++] = d;
      continue;
    }
    ++i;
    d.assigned = true;
    if (i < f.size() && f[i] == '*') {
      d.assigned = false;
      ++i;
    }
    while (i < f.size() && is_scan_digit(f[i]))
      d.width = d.width * 10 + (f[i++] - '0');
    if (i == f.size()) throw unsupported_format{};
    const char conversion = f[i++];
    if (conversion == 'd') {
      d.kind = scan_kind::decimal;
    } else if (conversion == 's') {
      d.kind = scan_kind::word;
    } else if (conversion == 'c') {
      if (d.width != 1) throw unsupported_format{};
      d.kind = scan_kind::character;
    } else if (conversion == '[') {
      // Only sets of excluded characters, none of them a "]" or a range.
      if (i + 1 >= f.size() || f[i] != '^' || f[i + 1] == ']') throw unsupported_format{};
      d.kind = scan_kind::set;
      for (++i; i < f.size() && f[i] != ']'; ++i) {
        if (f[i] == '-' || d.length == sizeof d.excluded) throw unsupported_format{};
        d.excluded[d.length++] = f[i];
      }
      if (i == f.size()) throw unsupported_format{};
      ++i;
    } else {
      throw unsupported_format{};
    }
    if (d.assigned) ++plan.assigned;
    plan.directives[plan.count++] = d;
  }
  return plan;
}

template <scan_format F>
inline constexpr scan_plan plan_of = decode(F.view());

// Which value a directive assigns: how many assigning directives come before it.
template <scan_format F, std::size_t I>
constexpr std::size_t value_index() {
  std::size_t k = 0;
  for (std::size_t j = 0; j < I; ++j)
    k += plan_of<F>.directives[j].assigned ? 1 : 0;
  return k;
}

template <scan_kind Kind>
using value_type_of =
    std::conditional_t<Kind == scan_kind::decimal, std::int32_t,
                       std::conditional_t<Kind == scan_kind::character, char, std::string_view>>;

// Where the scan stands: the next character, the values assigned, and how it ended.
struct scan_cursor {
  std::string_view text;
  std::size_t at = 0;
  int assigned = 0;
  bool input_failure = false;  // the text ended where the format wanted more
};

// The characters of a literal, `size` of them from `at`, as one word read from memory.
template <typename Word>
constexpr Word packed(std::string_view literal, std::size_t at) {
  Word word = 0;
  for (std::size_t i = 0; i < sizeof(Word); ++i)
    word |= static_cast<Word>(static_cast<unsigned char>(literal[at + i])) << (8 * i);
  return word;
}

template <typename Word>
Word load(const char* at) {
  Word word;
  std::memcpy(&word, at, sizeof word);
  return word;
}

// Whether the characters at `text`, as many as the literal has, equal it: compared a word
// at a time, the last word overlapping the one before so that nothing past the literal's
// length is read.
template <scan_format F, std::size_t I>
[[gnu::always_inline]] inline bool equals_literal(const char* text) {
  constexpr scan_directive d = plan_of<F>.directives[I];
  constexpr std::string_view literal = F.view().substr(d.begin, d.length);
  constexpr std::size_t n = literal.size();
  if constexpr (std::endian::native != std::endian::little) {
    return starts_with({text, n}, literal);
  } else if constexpr (n >= 8) {
    return [&]<std::size_t... K>(std::index_sequence<K...>) {
      return ((load<std::uint64_t>(text + 8 * K) == packed<std::uint64_t>(literal, 8 * K)) &&
              ...) &&
             load<std::uint64_t>(text + n - 8) == packed<std::uint64_t>(literal, n - 8);
    }
    (std::make_index_sequence<n / 8>{});
  } else if constexpr (n >= 4) {
    return load<std::uint32_t>(text) == packed<std::uint32_t>(literal, 0) &&
           load<std::uint32_t>(text + n - 4) == packed<std::uint32_t>(literal, n - 4);
  } else if constexpr (n >= 2) {
    return load<std::uint16_t>(text) == packed<std::uint16_t>(literal, 0) &&
           load<std::uint16_t>(text + n - 2) == packed<std::uint16_t>(literal, n - 2);
  } else {
    return text[0] == literal[0];
  }
}

// The characters that end a set conversion, as a table indexed by character.
template <scan_format F, std::size_t I>
inline constexpr std::array<bool, 256> stops_of = [] {
  std::array<bool, 256> stops{};
  constexpr scan_directive d = plan_of<F>.directives[I];
  for (std::size_t k = 0; k < d.length; ++k)
    stops[static_cast<unsigned char>(d.excluded[k])] = true;
  return stops;
}();

// Runs directive I on the cursor; false stops the scan.
template <scan_format F, std::size_t I, typename Values>
constexpr bool step(scan_cursor& s, Values& values) {
  constexpr scan_directive d = plan_of<F>.directives[I];
  const std::string_view t = s.text;
  if constexpr (d.kind == scan_kind::literal) {
    constexpr std::string_view literal = F.view().substr(d.begin, d.length);
    const std::string_view rest = tail(t, s.at);
    if (rest.size() >= literal.size()) {
      if (!equals_literal<F, I>(rest.data())) return false;
      s.at += literal.size();
      return true;
    }
    // The text ends inside the literal: an input failure if all it has matches.
    s.input_failure = literal.substr(0, rest.size()) == rest;
    return false;
  } else {
    if constexpr (d.kind == scan_kind::decimal || d.kind == scan_kind::word) {
      while (s.at < t.size() && is_scan_space(t[s.at]))
        ++s.at;
    }
    if (s.at == t.size()) {
      s.input_failure = true;
      return false;
    }
    value_type_of<d.kind> value{};
    if constexpr (d.kind == scan_kind::decimal) {
      const std::size_t used = scan_decimal(tail(t, s.at), value, d.width);
      if (used == 0) return false;
      s.at += used;
    } else if constexpr (d.kind == scan_kind::character) {
      value = t[s.at++];
    } else {
      std::size_t end = s.at;
      const std::size_t limit = d.width > 0 && t.size() - s.at > static_cast<std::size_t>(d.width)
                                    ? s.at + d.width
                                    : t.size();
      if constexpr (d.kind == scan_kind::word) {
        while (end < limit && !is_scan_space(t[end]))
          ++end;
      } else {
        while (end < limit && !stops_of<F, I>[static_cast<unsigned char>(t[end])])
          ++end;
        if (end == s.at) return false;
      }
      value = {t.data() + s.at, end - s.at};
      s.at = end;
    }
    if constexpr (d.assigned) {
      using target = std::remove_reference_t<decltype(std::get<value_index<F, I>()>(values))>;
      static_assert(std::is_same_v<target, value_type_of<d.kind>>,
                    "the value's type does not fit its conversion");
      std::get<value_index<F, I>()>(values) = value;
      ++s.assigned;
    }
    return true;
  }
}

}  // namespace scan_detail

namespace scan_detail {

template <scan_format F, typename... Values>
constexpr int scan_all(std::string_view text, Values&... values) {
  scan_cursor s{text};
  std::tuple<Values&...> targets{values...};
  [&]<std::size_t... I>(std::index_sequence<I...>) {
    (step<F, I>(s, targets) && ...);
  }
  (std::make_index_sequence<plan_of<F>.count>{});
  return s.input_failure && s.assigned == 0 ? -1 : s.assigned;
}

// The first characters of the format's leading literal (at most two: every record name
// begins with a bar), which most lines that the format does not fit already fail.
template <scan_format F>
constexpr std::string_view head_of() {
  constexpr scan_directive first = plan_of<F>.directives[0];
  if constexpr (plan_of<F>.count == 0 || first.kind != scan_kind::literal) return {};
  return F.view().substr(first.begin, first.length < 2 ? first.length : 2);
}

}  // namespace scan_detail

// A line is tried with several formats in turn and fits at most one, so the test of the
// first characters is made where the scan is called, and only a line that passes it is
// scanned in full.
template <scan_format F, typename... Values>
[[gnu::always_inline]] constexpr int scan(std::string_view text, Values&... values) {
  using namespace scan_detail;
  static_assert(plan_of<F>.assigned == sizeof...(Values),
                "one value for each conversion that assigns");
  constexpr std::string_view head = head_of<F>();
  if constexpr (head.size() == 2) {
    if (text.size() >= 2 && (text[0] != head[0] || text[1] != head[1])) return 0;
  } else if constexpr (head.size() == 1) {
    if (!text.empty() && text[0] != head[0]) return 0;
  }
  return scan_all<F>(text, values...);
}

// The formats by which the converter reads its records, each where its record is read:
// the first pass (tempo, lyric), the context records and the note, chord and rest records.
namespace record_formats {

inline constexpr scan_format tempo = "|Tempo|Tempo:%d|";
inline constexpr scan_format lyric = "|Lyric%1d|Text:%s";
inline constexpr scan_format time_signature = "|TimeSig|Signature:%d/%d";
inline constexpr scan_format dynamic = "|Dynamic||Style:%[^'|']|";

// The event forms in the order they are tried (the fermata test stands between the rest
// and the chord forms).
inline constexpr scan_format rest_chord_with_options =
    "|RestChord|Dur:%[^'|']|Opts:%*[^'|']|Dur2:%[^'|']|Pos2:%[^'|']";
inline constexpr scan_format rest_chord = "|RestChord|Dur:%[^'|']|Dur2:%[^'|']|Pos2:%[^'|']";
inline constexpr scan_format rest = "|Rest|Dur:%[^'|']";
inline constexpr scan_format two_voice_chord_with_options =
    "|Chord|Dur:%[^'|']|Pos:%[^'|']|Opts:%*[^'|']|Dur2:%[^'|']|Pos2:%[^'|']";
inline constexpr scan_format two_voice_chord =
    "|Chord|Dur:%[^'|']|Pos:%[^'|']|Dur2:%[^'|']|Pos2:%[^'|']";
inline constexpr scan_format chord = "|Chord|Dur:%[^'|']|Pos:%[^'|']";
inline constexpr scan_format note = "|Note|Dur:%[^'|']|Pos:%[^'|']";

// A position field split into at most four items; the fourth runs to white space.
inline constexpr scan_format position_items = "%[^','],%[^','],%[^','],%s";
// A position item, by accidental: flat, double flat, sharp, double sharp, natural, none.
inline constexpr scan_format item_forms[] = {"b%d%1c", "v%d%1c", "#%d%1c",
                                             "x%d%1c", "n%d%1c", "%d%1c"};

// Every format above, for the tests that hold the scanners to sscanf.
inline constexpr scan_format every_format[] = {
    tempo,
    lyric,
    time_signature,
    dynamic,
    rest_chord_with_options,
    rest_chord,
    rest,
    two_voice_chord_with_options,
    two_voice_chord,
    chord,
    note,
    position_items,
    item_forms[0],
    item_forms[1],
    item_forms[2],
    item_forms[3],
    item_forms[4],
    item_forms[5],
};

}  // namespace record_formats

}  // namespace choirly
