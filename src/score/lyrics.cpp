// Syllables of a lyric line, and which notes take them.
#include "score/lyrics.hpp"

namespace choirly::score {

namespace {

bool is_blank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

void add_syllable(std::vector<syllable>& out, std::string_view piece, bool hyphen,
                  bool underscore_as_space) {
  syllable s;
  s.hyphen = hyphen;
  s.text.reserve(piece.size());
  for (char c : piece)
    s.text += c == '_' && underscore_as_space ? ' ' : c;
  // Underscores at the end draw NoteWorthy's extender line; the text ends before them.
  while (!s.text.empty() && s.text.back() == ' ')
    s.text.pop_back();
  out.push_back(std::move(s));
}

}  // namespace

std::vector<syllable> split_syllables(std::string_view text, bool underscore_as_space) {
  std::vector<syllable> out;
  std::size_t i = 0;
  while (i < text.size()) {
    if (is_blank(text[i])) {
      ++i;
      continue;
    }
    std::size_t start = i;
    while (i < text.size() && !is_blank(text[i])) {
      if (text[i] == '-') {
        add_syllable(out, text.substr(start, i - start), true, underscore_as_space);
        start = i + 1;
      }
      ++i;
    }
    if (i > start) add_syllable(out, text.substr(start, i - start), false, underscore_as_space);
  }
  return out;
}

std::size_t place_lyrics(staff& s) {
  std::vector<rational> onsets;
  for (const item& it : s.items)
    if (const event* e = std::get_if<event>(&it); e && e->takes_syllable)
      onsets.push_back(e->onset);
  std::size_t unplaced = 0;
  for (lyric_line& line : s.lyrics) {
    for (std::size_t i = 0; i < line.syllables.size(); ++i) {
      syllable& syl = line.syllables[i];
      syl.placed = i < onsets.size();
      if (syl.placed)
        syl.onset = onsets[i];
      else
        ++unplaced;
    }
  }
  return unplaced;
}

}  // namespace choirly::score
