// The first pass: cuts standard input into lines, transliterates them, classifies each one
// and stores the record lines that the conversion pass reads.
#include "driver/line_reader.hpp"

#include <algorithm>
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

constexpr std::array<bool, 256> dropped_initials = [] {
  std::array<bool, 256> initials{};
  for (std::string_view name : dropped_records)
    initials[static_cast<unsigned char>(name[1])] = true;
  return initials;
}();

constexpr std::string_view tempo_prefix = "|Tempo|Tempo:";
constexpr std::string_view lyric_prefix = "|Lyric";
constexpr std::string_view lyric_label = "|Text:";

// Characters of line_store in use.
std::uint32_t store_used = 0;

// The line being assembled: its characters up to the limit and a terminating zero.
char current_line[input_line_max + 1];

bool is_dropped(std::string_view line) {
  // Most bars of a line are followed by a letter that begins no dropped name, and are
  // passed over after one look.
  for (std::size_t at = line.find('|'); at != std::string_view::npos; at = line.find('|', at + 1)) {
    if (at + 1 >= line.size()) break;
    if (!dropped_initials[static_cast<unsigned char>(line[at + 1])]) continue;
    const std::string_view rest = line.substr(at);
    for (std::string_view name : dropped_records)
      if (starts_with(rest, name)) return true;
  }
  return false;
}

// "|Tempo|Tempo:%d|" as far as the number.
bool scan_tempo(std::string_view line, std::int32_t& number) {
  return starts_with(line, tempo_prefix) &&
         scan_decimal(line.substr(tempo_prefix.size()), number) > 0;
}

// "|Lyric%1d|Text:%s" with both conversions; `word` is what "%s" read.
bool scan_lyric(std::string_view line, std::string_view& word) {
  if (!starts_with(line, lyric_prefix)) return false;
  std::size_t i = lyric_prefix.size();
  while (i < line.size() && is_scan_space(line[i]))
    ++i;
  if (i >= line.size() || line[i] < '0' || line[i] > '9') return false;
  ++i;
  if (!starts_with(line.substr(i), lyric_label)) return false;
  i += lyric_label.size();
  while (i < line.size() && is_scan_space(line[i]))
    ++i;
  std::size_t end = i;
  while (end < line.size() && !is_scan_space(line[end]))
    ++end;
  if (end == i) return false;
  word = line.substr(i, end - i);
  return true;
}

void advance_line_index() {
  if (line_index < INT32_MAX) ++line_index;
}

// Classifies one complete line and acts on it. Returns false after a fatal message.
bool take_line(std::string_view line, bool final_line, std::FILE* err) {
  std::int32_t number = 0;
  std::string_view word;
  switch (classify_line(line)) {
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
    std::memcpy(line_store.data() + store_used, line.data(), line.size());
    line_store[store_used + line.size()] = '\0';
    store_used += static_cast<std::uint32_t>(line.size()) + 1;
  }
  if (!final_line) advance_line_index();
  return true;
}

}  // namespace

line_kind classify_line(std::string_view line) {
  std::int32_t number = 0;
  std::string_view word;
  if (is_dropped(line)) return line_kind::dropped;
  if (contains(line, "|SongInfo|")) return line_kind::song_info;
  if (scan_tempo(line, number)) return line_kind::tempo;
  if (scan_lyric(line, word)) return line_kind::lyric;
  return line_kind::stored;
}

bool lyric_takes_slot(std::string_view line) {
  std::string_view word;
  return scan_lyric(line, word) && !is_empty_lyric(word);
}

void reset_line_table() {
  // Only slots up to the last run's line_index can hold text.
  const std::int32_t used = std::min(line_index, line_slots - 1) + 1;
  for (std::int32_t slot = 0; slot < used; ++slot)
    line_table[slot] = stored_line{0, 0};
  store_used = 0;
  line_index = 0;
  last_line_index = 0;
}

bool read_score(std::FILE* in, std::FILE* err) {
  static unsigned char buffer[1 << 16];
  std::size_t length = 0;  // characters of the current line, kept or lost after a NUL
  bool carriage_return_pending = false;

  auto too_long = [&] {
    std::fprintf(err, "ERROR: Input line %d is longer than 2000 characters\n", line_index);
    return false;
  };
  auto append = [&](char c) {
    if (length >= static_cast<std::size_t>(input_line_max)) return false;
    current_line[length++] = c;
    return true;
  };
  // The line's text ends at its first NUL, as any C string would.
  auto complete = [&](bool final_line) {
    const std::size_t text_length = strnlen(current_line, length);
    length = 0;
    return take_line({current_line, text_length}, final_line, err);
  };

  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, in)) != 0 || std::ferror(in);) {
    if (std::ferror(in)) {
      // A score read only in part must not be converted as if it were whole.
      const int error = errno != 0 ? errno : EIO;
      std::fprintf(err, "ERROR: Cannot read standard input: %s\n", std::strerror(error));
      return false;
    }
    std::size_t i = 0;
    while (i < got) {
      if (!carriage_return_pending) {
        // A run of bytes up to the next line feed or carriage return goes in at once.
        std::size_t n = length;
        for (; i < got && buffer[i] != '\n' && buffer[i] != '\r'; ++i) {
          if (n == static_cast<std::size_t>(input_line_max)) return too_long();
          current_line[n++] = windows_1252_to_ascii(buffer[i]);
        }
        length = n;
        if (i == got) break;
      }
      const unsigned char byte = buffer[i++];
      if (byte == '\n') {
        carriage_return_pending = false;  // CR LF reads as LF
        if (!complete(false)) return false;
        continue;
      }
      if (carriage_return_pending) {
        // The carriage return before this byte was no line end: it stays in the line.
        if (!append('\r')) return too_long();
        carriage_return_pending = byte == '\r';
        if (byte != '\r' && !append(windows_1252_to_ascii(byte))) return too_long();
        continue;
      }
      carriage_return_pending = true;  // byte is a carriage return
    }
  }
  if (carriage_return_pending && !append('\r')) return too_long();
  if (!complete(true)) return false;
  last_line_index = line_index;
  return true;
}

}  // namespace choirly
