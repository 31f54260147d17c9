// The first pass: cuts standard input into lines, transliterates them, classifies each one
// and stores the record lines that the conversion pass reads.
#include "driver/line_reader.hpp"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <climits>
#include <cstring>

#include "driver/song_capture.hpp"
#include "driver/transliteration.hpp"
#include "text_scan.hpp"

namespace choirly {

std::array<stored_line, line_slots> line_table{};
std::array<char, line_slots*(stored_line_max + 1)> line_store;
std::int32_t line_index = 0;
std::int32_t last_line_index = 0;

namespace {

// Layout records that the converter has no use for.
constexpr std::string_view dropped_records[] = {
    "|Locale",  "|Editor", "|PgSetup",    "|StaffInstrument|", "|StaffProperties|",
    "|Lyrics|", "|Text|",  "|Font|Style", "|PgMargins",
};
constexpr std::string_view song_info_record = "|SongInfo|";

// What a character after a bar may begin: its bit among the slot's bar letters, the
// dropped records whose names begin with it (bit i for entry i), and whether the song
// information does. Most bars are followed by a letter that begins no such name.
struct bar_initial {
  std::uint32_t letter_bit;
  std::uint16_t dropped;
  char second;  // the letter after it in every dropped name, or 0 where they differ
  bool song_info;
};
constexpr std::array<bar_initial, 256> bar_initials = [] {
  std::array<bar_initial, 256> initials{};
  for (int c = 0; c < 256; ++c)
    initials[c].letter_bit = bar_letter_bit(static_cast<char>(c));
  for (std::size_t i = 0; i < std::size(dropped_records); ++i) {
    bar_initial& initial = initials[static_cast<unsigned char>(dropped_records[i][1])];
    const char second = dropped_records[i][2];
    initial.second = initial.dropped == 0 || initial.second == second ? second : '\0';
    initial.dropped |= 1u << i;
  }
  initials[static_cast<unsigned char>(song_info_record[1])].song_info = true;
  return initials;
}();

// Characters of line_store in use.
std::uint32_t store_used = 0;

// The line being assembled: its characters up to the limit, and room to read past them.
char current_line[input_line_max + read_slack];

// "|Tempo|Tempo:%d|" as far as the number.
[[gnu::always_inline]] inline bool scan_tempo(std::string_view line, std::int32_t& number) {
  return scan<record_formats::tempo>(line, number) == 1;
}

// "|Lyric%1d|Text:%s" with both conversions; `word` is what "%s" read.
[[gnu::always_inline]] inline bool scan_lyric(std::string_view line, std::string_view& word) {
  std::int32_t digit = 0;
  return scan<record_formats::lyric>(line, digit, word) == 2;
}

// True when every byte is below 0x80 and none is a NUL: the bytes are then their own
// transliteration and their own text. The bytes must be followed by read_slack readable
// bytes: the last block is read whole, and what lies past the bytes is left out. Without
// SSE2, eight bytes at a time: a byte of 0 borrows and a byte of 0x80 or more has its top
// bit set, either way a top bit shows; the bytes past the line are set to 1 first.
bool is_plain_ascii(const unsigned char* bytes, std::size_t n) {
#if defined(__SSE2__)
  // Sixteen bytes at a time: the top bits of the bytes, and the bytes that equal zero.
  const __m128i zero = _mm_setzero_si128();
  for (std::size_t i = 0; i < n; i += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
    auto found =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(block, _mm_cmpeq_epi8(block, zero))));
    if (n - i < 16) found &= (1u << (n - i)) - 1;
    if (found != 0) return false;
  }
  return true;
#else
  constexpr std::uint64_t ones = 0x0101010101010101;
  constexpr std::uint64_t tops = 0x8080808080808080;
  for (std::size_t i = 0; i < n; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, bytes + i, sizeof word);
    if (n - i < 8) {
      const std::uint64_t past = ~std::uint64_t{0} << 8 * (n - i);
      if constexpr (std::endian::native == std::endian::little)
        word = (word & ~past) | (ones & past);
      else
        return std::all_of(bytes + i, bytes + n,
                           [](unsigned char b) { return b != 0 && b < 0x80; });
    }
    if (((word - ones) | word) & tops) return false;
  }
  return true;
#endif
}

void transliterate(const unsigned char* bytes, std::size_t n, char* out) {
  for (std::size_t i = 0; i < n; ++i)
    out[i] = windows_1252_to_ascii(bytes[i]);
}

void advance_line_index() {
  if (line_index < INT32_MAX) ++line_index;
}

// The rules of classify_line. One walk over the bars of the line finds a dropped record,
// which decides at once, or the song information, which decides unless a dropped record
// follows; it also notes the letters after the bars for the slot.
template <bool padded>
line_kind classify(std::string_view line, std::uint32_t& bar_letters) {
  bool song_info = false;
  bool dropped = false;
  std::uint32_t letters = 0;
  for_each_bar<padded>(line, [&](std::size_t at) {
    if (at + 1 == line.size()) return true;
    const bar_initial& initial = bar_initials[static_cast<unsigned char>(line[at + 1])];
    letters |= initial.letter_bit;
    if (initial.dropped == 0 && !initial.song_info) return true;
    const std::string_view rest = tail(line, at);
    // "|Pos" is not "|Pg...": most bars before a dropped name's letter go no further.
    const bool second_fits =
        initial.second == '\0' || (rest.size() > 2 && rest[2] == initial.second);
    for (unsigned names = second_fits ? initial.dropped : 0; names != 0; names &= names - 1)
      dropped = dropped || starts_with(rest, dropped_records[std::countr_zero(names)]);
    song_info = song_info || (initial.song_info && starts_with(rest, song_info_record));
    return !dropped;
  });
  bar_letters = letters;
  if (dropped) return line_kind::dropped;
  if (song_info) return line_kind::song_info;
  std::int32_t number = 0;
  if (scan_tempo(line, number)) return line_kind::tempo;
  std::string_view word;
  if (scan_lyric(line, word)) return line_kind::lyric;
  return line_kind::stored;
}

// Classifies one complete line and acts on it. Returns false after a fatal message. The
// line's text must be followed by read_slack readable bytes.
bool take_line(std::string_view line, bool final_line, std::FILE* err) {
  std::int32_t number = 0;
  std::string_view word;
  std::uint32_t bar_letters = 0;
  switch (classify<true>(line, bar_letters)) {
    case line_kind::dropped:
      advance_line_index();
      return true;
    case line_kind::song_info:
      capture_song_info(line);
      advance_line_index();
      return true;
    case line_kind::tempo:
      scan_tempo(line, number);
      capture_tempo(number);
      advance_line_index();
      return true;
    case line_kind::lyric:
      scan_lyric(line, word);
      capture_lyric(line, word);
      advance_line_index();
      return true;
    case line_kind::stored:
      break;
  }
  if (line.size() > static_cast<std::size_t>(stored_line_max)) {
    std::fprintf(err, "ERROR: Line %d is too long:\n", line_index);
    std::fwrite(line.data(), 1, line.size(), err);
    std::fputc('\n', err);
    return true;  // dropped, and the next line takes its slot
  }
  if (!line.empty()) {
    if (line_index >= line_slots) {
      std::fprintf(err, "ERROR: Input line %d exceeds the %d-line limit\n", line_index, line_slots);
      return false;
    }
    // Each slot is written at most once, so the store never runs out.
    stored_line& slot = line_table[line_index];
    slot.offset = store_used;
    slot.length = static_cast<std::uint8_t>(line.size());
    slot.bar_letters = bar_letters;
    std::memcpy(line_store.data() + store_used, line.data(), line.size());
    line_store[store_used + line.size()] = '\0';
    store_used += static_cast<std::uint32_t>(line.size()) + 1;
  }
  if (!final_line) advance_line_index();
  return true;
}

}  // namespace

line_kind classify_line(std::string_view line) {
  std::uint32_t bar_letters = 0;
  return classify<false>(line, bar_letters);
}

bool lyric_takes_slot(std::string_view line) {
  std::string_view word;
  return scan_lyric(line, word) && !is_empty_lyric(word);
}

void reset_line_table() {
  // Only slots up to the last run's line_index can hold text.
  const std::int32_t used = std::min(line_index, line_slots - 1) + 1;
  for (std::int32_t slot = 0; slot < used; ++slot)
    line_table[slot] = stored_line{0, 0, 0};
  store_used = 0;
  line_index = 0;
  last_line_index = 0;
}

bool read_score(std::FILE* in, std::FILE* err) {
  static unsigned char buffer[(1 << 16) + read_slack];
  // A line that a read cuts in two is put together in current_line. `length` counts its
  // characters, kept or lost after a NUL; a carriage return at the end of a read waits to
  // see whether a line feed follows.
  std::size_t length = 0;
  bool carriage_return_pending = false;

  auto too_long = [&] {
    std::fprintf(err, "ERROR: Input line %d is longer than 2000 characters\n", line_index);
    return false;
  };
  auto append = [&](const unsigned char* bytes, std::size_t n) {
    if (n > static_cast<std::size_t>(input_line_max) - length) return false;
    transliterate(bytes, n, current_line + length);
    length += n;
    return true;
  };
  // The line's text ends at its first NUL, as any C string would.
  auto complete_assembled = [&](bool final_line) {
    const std::size_t text_length = strnlen(current_line, length);
    length = 0;
    return take_line({current_line, text_length}, final_line, err);
  };

  for (std::size_t got; (got = std::fread(buffer, 1, 1 << 16, in)) != 0 || std::ferror(in);) {
    if (std::ferror(in)) {
      // A score read only in part must not be converted as if it were whole.
      const int error = errno != 0 ? errno : EIO;
      std::fprintf(err, "ERROR: Cannot read standard input: %s\n", std::strerror(error));
      return false;
    }
    std::size_t i = 0;
    if (carriage_return_pending) {
      carriage_return_pending = false;
      // CR LF reads as LF; any other carriage return stays in the line.
      if (buffer[0] == '\n') {
        if (!complete_assembled(false)) return false;
        i = 1;
      } else if (!append(reinterpret_cast<const unsigned char*>("\r"), 1)) {
        return too_long();
      }
    }
    // Most scores are plain ASCII throughout, so a read is checked once as a whole, and its
    // lines one by one only when it is not.
    const bool plain_read = is_plain_ascii(buffer + i, got - i);
    while (i < got) {
      const unsigned char* start = buffer + i;
      const auto* feed = static_cast<const unsigned char*>(std::memchr(start, '\n', got - i));
      if (feed == nullptr) {
        // The line goes on in the next read.
        std::size_t n = got - i;
        if (start[n - 1] == '\r') {
          carriage_return_pending = true;
          --n;
        }
        if (!append(start, n)) return too_long();
        break;
      }
      std::size_t n = static_cast<std::size_t>(feed - start);
      i += n + 1;
      if (n > 0 && start[n - 1] == '\r') --n;  // CR LF reads as LF
      if (length > 0) {
        if (!append(start, n)) return too_long();
        if (!complete_assembled(false)) return false;
        continue;
      }
      if (n > static_cast<std::size_t>(input_line_max)) return too_long();
      // Most lines are plain ASCII, their own transliteration, and are taken where they lie.
      std::string_view line;
      if (plain_read || is_plain_ascii(start, n)) {
        line = {reinterpret_cast<const char*>(start), n};
      } else {
        transliterate(start, n, current_line);
        line = {current_line, strnlen(current_line, n)};
      }
      if (!take_line(line, false, err)) return false;
    }
  }
  if (carriage_return_pending && !append(reinterpret_cast<const unsigned char*>("\r"), 1))
    return too_long();
  if (!complete_assembled(true)) return false;
  last_line_index = line_index;
  return true;
}

}  // namespace choirly
