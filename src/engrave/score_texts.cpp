// Texts of the score in UTF-8, taken by the same public rules that choirly applies to its
// ASCII lines, so each one lands on the line choirly wrote for it.
#include "engrave/score_texts.hpp"

#include <array>

#include "choirly.hpp"
#include "engrave/text_encoding.hpp"
#include "engrave/text_lines.hpp"

namespace choirly::engrave {

namespace {

constexpr std::string_view header_open = "  \\header {";
constexpr std::string_view header_close = "  }";
constexpr std::string_view lyric_open = "      % \\addlyrics { ";
constexpr std::string_view lyric_close = " }";

// Each line as choirly frames it: LF ends it, a CR right before the LF is dropped, and its
// text ends at its first NUL.
template <typename Visit>
void for_each_choirly_line(std::string_view text, Visit visit) {
  for (std::string_view line : lines(text)) {
    const bool ends_in_lf = line.data() + line.size() < text.data() + text.size();
    if (ends_in_lf && line.ends_with('\r')) line.remove_suffix(1);
    visit(line.substr(0, line.find('\0')));
  }
}

std::string header_text(std::string_view text) {
  return std::string(first_characters(text, song_text_max));
}

}  // namespace

score_texts collect_texts(std::string_view utf8_score) {
  score_texts texts;
  int slots_used = 0;
  for_each_choirly_line(utf8_score, [&](std::string_view line) {
    switch (classify_line(line)) {
      case line_kind::song_info: {
        std::array<std::string_view, 4> fields;
        const int taken = split_song_info(line, fields);
        if (taken >= 1) texts.title = header_text(fields[0]);
        if (taken >= 2) texts.author = header_text(fields[1]);
        if (taken >= 3) texts.lyricist = header_text(fields[2]);
        break;
      }
      case line_kind::lyric: {
        if (!lyric_takes_slot(line) || slots_used >= lyric_slots) break;
        ++slots_used;
        std::string converted(4 * line.size(), '\0');
        converted.resize(convert_lyric(line, converted.data(), converted.size()));
        // choirly writes a comment for a slot only when its text is not empty.
        if (!converted.empty())
          texts.lyrics.emplace_back(first_characters(converted, lyric_text_max));
        break;
      }
      default:
        break;
    }
  });
  return texts;
}

rewritten_document rewrite_texts(std::string_view document, const score_texts& texts) {
  const std::array<std::pair<std::string_view, const std::string*>, 3> fields = {{
      {"    title = \"", &texts.title},
      {"    poet = \"", &texts.lyricist},
      {"    composer = \"", &texts.author},
  }};
  std::size_t lyric_lines = 0;
  for_each_choirly_line(document, [&](std::string_view line) {
    if (line.starts_with(lyric_open) && line.ends_with(lyric_close)) ++lyric_lines;
  });
  rewritten_document result;
  result.lyrics_rewritten = lyric_lines == texts.lyrics.size();

  std::string& out = result.text;
  out.reserve(document.size() + document.size() / 4);
  bool in_header = false;
  std::array<bool, 3> field_done{};
  std::size_t next_lyric = 0;
  std::size_t start = 0;
  while (start < document.size()) {
    std::size_t end = document.find('\n', start);
    end = end == std::string_view::npos ? document.size() : end + 1;
    const std::string_view line = document.substr(start, end - start);
    const std::string_view body = line.substr(0, line.find('\n'));
    start = end;
    bool replaced = false;
    if (body == header_open) in_header = true;
    if (body == header_close) in_header = false;
    for (std::size_t f = 0; in_header && f < fields.size() && !replaced; ++f) {
      if (field_done[f] || !body.starts_with(fields[f].first)) continue;
      field_done[f] = replaced = true;
      out += fields[f].first;
      out += header_string_text(*fields[f].second);
      out += "\"\n";
    }
    if (!replaced && result.lyrics_rewritten && body.starts_with(lyric_open) &&
        body.ends_with(lyric_close)) {
      replaced = true;
      out += lyric_open;
      out += texts.lyrics[next_lyric++];
      out += lyric_close;
      out += '\n';
    }
    if (!replaced) out += line;
  }
  return result;
}

}  // namespace choirly::engrave
