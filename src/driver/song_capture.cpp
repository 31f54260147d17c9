// Captures the song information, the tempo and the lyric texts for the document frame.
#include "driver/song_capture.hpp"

#include <cstdio>
#include <cstring>

namespace choirly {

song_texts song_info{};
std::int32_t tempo = 0;
std::array<std::array<char, lyric_text_max + 1>, lyric_slots> lyric_table{};
int lyric_count = 0;

namespace {

// The line-break escape of quoted texts: backslash, r, backslash, n.
constexpr std::string_view line_break_escape = "\\r\\n";

void keep_text(char (&field)[song_text_max + 1], const char* text) {
  const std::size_t n = strnlen(text, song_text_max);
  std::memcpy(field, text, n);
  field[n] = '\0';
}

}  // namespace

void reset_song_data() {
  song_info = song_texts{};
  tempo = 0;
  for (auto& slot : lyric_table)
    slot[0] = '\0';
  lyric_count = 0;
}

void capture_song_info(std::string_view line) {
  // Fields are read whole, then cut, so that a long title does not hide the fields after it.
  static char line_text[input_line_max + 1];
  static char fields[4][input_line_max + 1];
  const std::size_t n = line.size() < sizeof line_text ? line.size() : sizeof line_text - 1;
  std::memcpy(line_text, line.data(), n);
  line_text[n] = '\0';
  const int taken = std::sscanf(line_text,
                                "|SongInfo|Title:\"%1997[^\"]\"|Author:\"%1997[^\"]\""
                                "|Lyricist:\"%1997[^\"]\"|Copyright1:\"%1997[^\"]\"",
                                fields[0], fields[1], fields[2], fields[3]);
  if (taken >= 1) keep_text(song_info.title, fields[0]);
  if (taken >= 2) keep_text(song_info.author, fields[1]);
  if (taken >= 3) keep_text(song_info.lyricist, fields[2]);
  if (taken == 4) keep_text(song_info.copyright, fields[3]);
}

void capture_tempo(std::int32_t number) {
  tempo = number;
}

void capture_lyric(std::string_view line, std::string_view word) {
  if (word.substr(0, 6) == "\"\\r\\n\"") return;  // the empty lyric: nothing to keep
  if (lyric_count >= lyric_slots) return;

  // The text starts right after the label "|Lyric", its digit and "|Text:".
  constexpr std::size_t label_length = 13;
  auto& slot = lyric_table[lyric_count];
  std::size_t out = 0;
  auto put = [&](std::string_view text) {
    for (char c : text)
      if (out < static_cast<std::size_t>(lyric_text_max)) slot[out++] = c;
  };
  for (std::size_t i = label_length; i < line.size();) {
    const std::string_view rest = line.substr(i);
    if (rest.substr(0, 4) == line_break_escape && rest.size() > 4) {
      put(" ");
      i += 4;
    } else if (line[i] == '-') {
      put(" -- ");  // the lyric hyphen
      ++i;
    } else if (line[i] == '"') {
      ++i;
    } else {
      put(rest.substr(0, 1));
      ++i;
    }
  }
  slot[out] = '\0';
  ++lyric_count;
}

}  // namespace choirly
