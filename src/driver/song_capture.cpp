// Captures the song information, the tempo and the lyric texts for the document frame.
#include "driver/song_capture.hpp"

#include <cstring>

#include "text_scan.hpp"

namespace choirly {

song_texts song_info{};
std::int32_t tempo = 0;
std::array<std::array<char, lyric_text_max + 1>, lyric_slots> lyric_table{};
int lyric_count = 0;

namespace {

// The line-break escape of quoted texts: backslash, r, backslash, n.
constexpr std::string_view line_break_escape = "\\r\\n";

void keep_text(char (&field)[song_text_max + 1], std::string_view text) {
  const std::size_t n = text.copy(field, song_text_max);
  field[n] = '\0';
}

// The labels before each quoted text, each from where the text before it was closed.
constexpr std::array<std::string_view, 4> song_labels = {"|SongInfo|Title:\"", "|Author:\"",
                                                         "|Lyricist:\"", "|Copyright1:\""};

}  // namespace

void reset_song_data() {
  song_info = song_texts{};
  tempo = 0;
  for (auto& slot : lyric_table)
    slot[0] = '\0';
  lyric_count = 0;
}

int split_song_info(std::string_view line, std::array<std::string_view, 4>& texts) {
  int taken = 0;
  std::size_t at = 0;
  for (std::string_view label : song_labels) {
    if (!starts_with(line.substr(at), label)) break;
    at += label.size();
    // A quote after an odd run of backslashes is escaped and belongs to the text.
    const std::size_t first = at;
    std::size_t backslashes = 0;
    while (at < line.size() && !(line[at] == '"' && backslashes % 2 == 0)) {
      backslashes = line[at] == '\\' ? backslashes + 1 : 0;
      ++at;
    }
    const bool closed = at < line.size();
    if (first == at && !closed) break;  // nothing after the opening quote
    texts[taken++] = line.substr(first, at - first);
    if (!closed) break;
    ++at;
  }
  return taken;
}

void capture_song_info(std::string_view line) {
  // Texts are split whole, then cut, so that a long title does not hide the fields after it.
  std::array<std::string_view, 4> texts;
  const int taken = split_song_info(line, texts);
  if (taken >= 1) keep_text(song_info.title, texts[0]);
  if (taken >= 2) keep_text(song_info.author, texts[1]);
  if (taken >= 3) keep_text(song_info.lyricist, texts[2]);
  if (taken == 4) keep_text(song_info.copyright, texts[3]);
}

void capture_tempo(std::int32_t number) {
  tempo = number;
}

bool is_empty_lyric(std::string_view word) {
  return word.substr(0, 6) == "\"\\r\\n\"";
}

std::size_t convert_lyric(std::string_view line, char* out, std::size_t capacity) {
  // The text starts right after the label "|Lyric", its digit and "|Text:".
  constexpr std::size_t label_length = 13;
  std::size_t written = 0;
  auto put = [&](std::string_view text) {
    for (char c : text)
      if (written < capacity) out[written++] = c;
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
  return written;
}

void capture_lyric(std::string_view line, std::string_view word) {
  if (is_empty_lyric(word) || lyric_count >= lyric_slots) return;
  auto& slot = lyric_table[lyric_count];
  slot[convert_lyric(line, slot.data(), lyric_text_max)] = '\0';
  ++lyric_count;
}

}  // namespace choirly
