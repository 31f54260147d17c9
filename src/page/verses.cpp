// Lyric lines written for \lyricsto: syllables, skips and hyphens.
#include "page/verses.hpp"

#include "page/notation.hpp"
#include "page/printer.hpp"

namespace choirly::page {

namespace {

// Where NoteWorthy gives a syllable to a note that LilyPond holds in a melisma, the verse
// tells LilyPond to ignore melismata and names every note's syllable itself.
bool names_every_note(std::size_t placed, const std::vector<syllable_slot>& slots) {
  std::size_t takers = 0;
  for (const syllable_slot& s : slots) {
    if (!s.takes) continue;
    if (takers < placed && s.melisma) return true;
    ++takers;
  }
  return false;
}

std::vector<std::string> verse_tokens(const std::vector<const score::syllable*>& placed,
                                      const std::vector<syllable_slot>& slots) {
  const bool explicit_all = names_every_note(placed.size(), slots);
  std::vector<std::string> tokens;
  if (explicit_all) tokens.push_back("\\set ignoreMelismata = ##t");
  std::size_t next = 0;
  std::size_t pending_skips = 0;
  for (const syllable_slot& s : slots) {
    if (next >= placed.size()) break;
    if (s.takes) {
      for (; pending_skips > 0; --pending_skips)
        tokens.push_back("_");
      const score::syllable& syl = *placed[next++];
      std::string t =
          syl.text.find_first_not_of(' ') == std::string::npos ? "\"\"" : syllable_text(syl.text);
      if (syl.hyphen) t += " --";
      tokens.push_back(t);
    } else if (explicit_all || !s.melisma) {
      // A note LilyPond would give a syllable to but NoteWorthy does not.
      ++pending_skips;
    }
  }
  // A hyphen needs a syllable after it.
  for (auto t = tokens.rbegin(); t != tokens.rend(); ++t) {
    if (*t == "_" || t->starts_with("\\")) continue;
    if (t->ends_with(" --")) t->resize(t->size() - 3);
    break;
  }
  return tokens;
}

}  // namespace

std::string verse_text(const score::lyric_line& line, const std::vector<syllable_slot>& slots) {
  std::vector<const score::syllable*> placed;
  for (const score::syllable& s : line.syllables)
    if (s.placed) placed.push_back(&s);
  printer out({.max_width = 72});
  for (const std::string& t : verse_tokens(placed, slots))
    out.token(t);
  const std::string text = out.text();
  // A verse without syllables still keeps its block's shape: an empty line.
  return text.empty() ? "\n" : text;
}

}  // namespace choirly::page
