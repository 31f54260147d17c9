// Parts and rehearsal playback: which staves sing, what their parts are called, the marks a
// part takes from the other staves, and how each staff sounds in a rehearsal.
#include "page/parts.hpp"

#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <set>
#include <tuple>

#include "page/instruments.hpp"

namespace choirly::page {

namespace {

bool ascii_letter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool ascii_digit(char c) {
  return c >= '0' && c <= '9';
}
bool wide(char c) {
  return static_cast<unsigned char>(c) >= 0x80;
}

std::string lower_ascii(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

// Whole words that name a voice, in the corpus's languages (é as UTF-8).
// A choir's halves and the choir itself count too.
constexpr std::array<std::string_view, 37> voice_words = {
    "soprano",   "sopranos",     "soprani",  "sopran",    "mezzo",   "mezzosoprano", "contralto",
    "contralti", "alto",         "altos",    "alt",       "tenor",   "tenors",       "tenore",
    "tenori",    "t\xc3\xa9nor", "baritone", "baritones", "bariton", "baritono",     "barytone",
    "bass",      "basses",       "basse",    "basso",     "bassi",   "women",        "men",
    "ladies",    "choir",        "chorus",   "chor",      "choeur",  "ch\xc5\x93ur", "voice",
    "voices",    "voix"};

// Instruments named after a voice's range ("Alto Sax", "Bass Guitar", "Basso continuo"):
// a text that names one of these names no voice.
constexpr std::array<std::string_view, 26> instrument_words = {
    "sax",      "saxophone", "clarinet", "flute",  "recorder", "trombone", "horn",
    "guitar",   "drum",      "drums",    "viol",   "violin",   "viola",    "cello",
    "continuo", "tuba",      "trumpet",  "cornet", "oboe",     "piano",    "organ",
    "keyboard", "synth",     "ukulele",  "gamba",  "bassoon"};

// Abbreviations that count when a dot or a number follows, or alone.
constexpr std::array<std::string_view, 5> voice_abbreviations = {"sop", "ten", "bar", "bs", "mez"};

// Korean names of the voices, found anywhere in the text (words take particles there).
constexpr std::array<std::string_view, 8> korean_voices = {
    "\xec\x86\x8c\xed\x94\x84\xeb\x9d\xbc\xeb\x85\xb8",  // 소프라노
    "\xec\x95\x8c\xed\x86\xa0",                          // 알토
    "\xec\x95\xa8\xed\x86\xa0",                          // 앨토
    "\xed\x85\x8c\xeb\x84\x88",                          // 테너
    "\xeb\xb2\xa0\xec\x9d\xb4\xec\x8a\xa4",              // 베이스
    "\xeb\xb0\x94\xeb\xa6\xac\xed\x86\xa4",              // 바리톤
    "\xeb\xa9\x94\xec\xa1\xb0",                          // 메조
    "\xed\x95\xa9\xec\xb0\xbd",                          // 합창 (choir)
};

// S, A, T, B, or a run of them in choir order, each once: "SA", "TB", "SATB".
bool voice_letters(std::string_view word) {
  constexpr std::string_view order = "SATB";
  std::size_t from = 0;
  for (char c : word) {
    const std::size_t at = order.find(c, from);
    if (at == std::string_view::npos) return false;
    from = at + 1;
  }
  return !word.empty();
}

std::string trimmed(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && blank(text.back()))
    text.remove_suffix(1);
  return std::string(text);
}

}  // namespace

bool names_a_voice(std::string_view text) {
  for (std::string_view korean : korean_voices)
    if (text.find(korean) != std::string_view::npos) return true;
  const std::string whole = trimmed(text);
  bool voice = false;
  for (std::size_t i = 0; i < text.size();) {
    if (!ascii_letter(text[i]) && !wide(text[i])) {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < text.size() && (ascii_letter(text[end]) || wide(text[end])))
      ++end;
    const std::string_view word = text.substr(i, end - i);
    const std::string lower = lower_ascii(word);
    const char next = end < text.size() ? text[end] : '\0';
    if (std::find(instrument_words.begin(), instrument_words.end(), lower) !=
        instrument_words.end())
      return false;
    const bool marked = next == '.' || ascii_digit(next) || word == whole;
    voice = voice ||
            std::find(voice_words.begin(), voice_words.end(), lower) != voice_words.end() ||
            (marked && std::find(voice_abbreviations.begin(), voice_abbreviations.end(), lower) !=
                           voice_abbreviations.end()) ||
            voice_letters(word);
    i = end;
  }
  return voice;
}

bool sings(const score::staff& s) {
  for (const score::lyric_line& l : s.lyrics)
    if (!l.syllables.empty()) return true;
  return names_a_voice(s.label) || names_a_voice(s.name);
}

std::string file_name_text(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (ascii_letter(c) || ascii_digit(c) || wide(c))
      out += c;
    else if (!out.empty() && out.back() != '-')
      out += '-';
  }
  while (!out.empty() && out.back() == '-')
    out.pop_back();
  return out;
}

std::vector<part> plan_parts(const score::score& model, const std::vector<page_staff>& staves) {
  std::vector<bool> taken(staves.size(), false);
  bool any = false;
  for (std::size_t p = 0; p < staves.size(); ++p)
    for (std::size_t i : staves[p].staves)
      if (sings(model.staves[i])) taken[p] = any = true;
  std::vector<part> parts;
  for (std::size_t p = 0; p < staves.size(); ++p) {
    if (any && !taken[p]) continue;
    part made;
    made.page_staff = p;
    const score::staff& upper = model.staves[staves[p].staves.front()];
    made.title = trimmed(upper.label);
    if (file_name_text(made.title).empty()) {
      made.title.clear();
      for (std::size_t i : staves[p].staves) {
        const std::string name = trimmed(model.staves[i].name);
        if (file_name_text(name).empty() || made.title == name) continue;
        made.title += (made.title.empty() ? "" : " ") + name;
      }
    }
    made.suffix = file_name_text(made.title);
    if (made.suffix.empty()) made.suffix = "Staff" + std::to_string(staves[p].number);
    parts.push_back(std::move(made));
  }
  // Equal names, as a file system that ignores case sees them, are numbered 1, 2, ...; a
  // number that another part's name already holds is passed over.
  std::map<std::string, int> count;
  std::set<std::string> used;
  for (const part& p : parts) {
    ++count[lower_ascii(p.suffix)];
    used.insert(lower_ascii(p.suffix));
  }
  std::map<std::string, int> next;
  for (part& p : parts) {
    const std::string key = lower_ascii(p.suffix);
    if (count[key] < 2) continue;
    std::string numbered;
    do
      numbered = p.suffix + "-" + std::to_string(++next[key]);
    while (used.count(lower_ascii(numbered)));
    used.insert(lower_ascii(numbered));
    p.suffix = numbered;
  }
  return parts;
}

namespace {

// A mark that a part takes from another staff, and what makes two of them the same.
struct borrowed {
  score::rational onset;
  score::item item;
  std::tuple<int, std::string, std::string> key;  // kind, onset, style
};

std::optional<std::tuple<int, std::string, std::string>> shared_key(const score::item& it) {
  if (const auto* t = std::get_if<score::tempo_mark>(&it))
    return std::tuple{0, t->onset.text(), std::string()};
  if (const auto* m = std::get_if<score::mark>(&it)) {
    if (m->kind == score::mark_kind::flow) return std::tuple{1, m->onset.text(), m->style};
    if (m->kind == score::mark_kind::tempo_variance)
      return std::tuple{2, m->onset.text(), m->style};
  }
  return std::nullopt;
}

score::rational onset_of(const score::item& it) {
  if (const auto* t = std::get_if<score::tempo_mark>(&it)) return t->onset;
  return std::get<score::mark>(it).onset;
}

}  // namespace

std::vector<score::staff> part_staves(const score::score& model, const page_staff& p) {
  std::vector<score::staff> out;
  std::set<std::tuple<int, std::string, std::string>> held;
  for (std::size_t i : p.staves) {
    out.push_back(model.staves[i]);
    for (const score::item& it : model.staves[i].items)
      if (const auto key = shared_key(it)) held.insert(*key);
  }
  std::vector<borrowed> marks;
  for (std::size_t i = 0; i < model.staves.size(); ++i) {
    if (!model.staves[i].visible ||
        std::find(p.staves.begin(), p.staves.end(), i) != p.staves.end())
      continue;
    for (const score::item& it : model.staves[i].items)
      if (const auto key = shared_key(it); key && held.insert(*key).second)
        marks.push_back({onset_of(it), it, *key});
  }
  if (marks.empty()) return out;
  std::stable_sort(marks.begin(), marks.end(),
                   [](const borrowed& a, const borrowed& b) { return a.onset < b.onset; });
  // Into the upper staff, each before the first event at or after it; the measures' item
  // numbers move with the items they name.
  score::staff& upper = out.front();
  std::vector<score::item> items;
  // `moved`: where the marks before item k begin, which is where a measure from k now
  // begins; `landed`: where item k itself stands now.
  std::vector<std::size_t> moved(upper.items.size() + 1), landed(upper.items.size());
  std::size_t next = 0;
  for (std::size_t k = 0; k < upper.items.size(); ++k) {
    moved[k] = items.size();
    if (const auto* e = std::get_if<score::event>(&upper.items[k]))
      while (next < marks.size() && !(e->onset < marks[next].onset))
        items.push_back(marks[next++].item);
    landed[k] = items.size();
    items.push_back(std::move(upper.items[k]));
  }
  moved[upper.items.size()] = items.size();
  while (next < marks.size())
    items.push_back(marks[next++].item);
  // The measure after the last bar line runs to the end, marks added there included.
  for (score::measure& m : upper.measures) {
    const bool to_end = m.end_item >= upper.items.size();
    m.first_item = moved[std::min(m.first_item, upper.items.size())];
    m.end_item = to_end ? items.size() : moved[m.end_item];
  }
  upper.items = std::move(items);
  // The ties' targets follow their notes, not the marks put before them.
  for (score::item& it : upper.items)
    if (auto* e = std::get_if<score::event>(&it))
      for (std::vector<score::note>* notes : {&e->main.notes, &e->second.notes})
        for (score::note& n : *notes)
          if (n.tied_to) n.tied_to->item = landed[n.tied_to->item];
  return out;
}

std::string rehearsal_setting(const score::staff& s, bool rehearsed, bool above) {
  score::staff played = s;
  const bool piano = s.patch < 8;  // 0..7 are pianos; -1: the score names none
  played.volume = rehearsed ? 127 : 42;
  played.pan = rehearsed ? 64 : (above ? 19 : 109);
  if (rehearsed) {
    played.muted = false;
    if (piano) played.patch = 68;  // oboe
    return instrument_setting(played) + " midiExpression = #1.0000 midiPanPosition = #0.0000";
  }
  played.patch = 0;  // acoustic grand
  return instrument_setting(played);
}

}  // namespace choirly::page
