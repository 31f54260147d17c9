// The walk over the model that writes the page: each staff's music one measure per line, the
// voices that longer chord notes need, the verses, and the \score that assembles them.
#include "page/writer.hpp"

#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <set>
#include <unordered_set>

#include "page/marks.hpp"
#include "page/notation.hpp"
#include "page/repeats.hpp"
#include "page/staves.hpp"

namespace choirly::page {

namespace {

using score::bar_style;
using score::chord_part;
using score::event;
using score::rational;

// How often a "% N" measure number stands before a measure line.
constexpr int measure_number_every = 5;

std::string clef_text(const score::clef_change& c) {
  std::string name;
  switch (c.kind) {
    case score::clef_kind::treble:
      name = "treble";
      break;
    case score::clef_kind::bass:
      name = "bass";
      break;
    case score::clef_kind::alto:
      name = "alto";
      break;
    case score::clef_kind::tenor:
      name = "tenor";
      break;
    case score::clef_kind::percussion:
      // The notes stand where the bass clef puts them: middle C six steps up.
      return "\\clef percussion \\set Staff.middleCClefPosition = #6 "
             "\\applyContext #ly:set-middle-C!";
  }
  if (c.octave_shift < 0) return "\\clef \"" + name + "_8\"";
  if (c.octave_shift > 0) return "\\clef \"" + name + "^8\"";
  return "\\clef " + name;
}

// The major key whose signature is this list, as the number of sharps (negative: flats);
// nullopt when no key has it.
std::optional<int> standard_key(const score::key_change& k) {
  static constexpr int sharp_order[7] = {3, 0, 4, 1, 5, 2, 6};  // F C G D A E B
  static constexpr int flat_order[7] = {6, 2, 5, 1, 4, 0, 3};   // B E A D G C F
  if (k.alterations.empty()) return 0;
  const int sign = k.alterations.front().second;
  if (sign != 1 && sign != -1) return std::nullopt;
  const int* order = sign > 0 ? sharp_order : flat_order;
  std::set<int> steps;
  for (const auto& [step, alteration] : k.alterations) {
    if (alteration != sign) return std::nullopt;
    steps.insert(step);
  }
  const int count = static_cast<int>(steps.size());
  for (int i = 0; i < count; ++i)
    if (!steps.count(order[i])) return std::nullopt;
  return sign * count;
}

std::string key_text(const score::key_change& k) {
  const std::optional<int> sharps = standard_key(k);
  if (!sharps) {
    std::string alist;
    for (const auto& [step, alteration] : k.alterations)
      alist += (alist.empty() ? "(" : " (") + std::to_string(step) + " . " +
               (alteration > 0 ? ",SHARP" : ",FLAT") + ")";
    return "\\set Staff.keyAlterations = #`(" + alist + ")";
  }
  // The major tonic goes up a fifth (four steps) for each sharp.
  const int major_step = ((*sharps * 4) % 7 + 7) % 7;
  const int tonic = k.tonic_step >= 0 ? k.tonic_step : major_step;
  std::array<int, 7> by_key{};
  for (const auto& [step, alteration] : k.alterations)
    by_key[static_cast<std::size_t>(step)] = alteration;
  score::pitch p;
  p.step = tonic;
  p.alteration = by_key[static_cast<std::size_t>(tonic)];
  p.octave = -1;  // no octave marks
  static constexpr std::array<std::string_view, 7> modes = {
      "\\major", "\\dorian", "\\phrygian", "\\lydian", "\\mixolydian", "\\minor", "\\locrian"};
  const int degree = ((tonic - major_step) % 7 + 7) % 7;
  return "\\key " + pitch_text(p) + " " + std::string(modes[static_cast<std::size_t>(degree)]);
}

std::string bar_text(bar_style style) {
  switch (style) {
    case bar_style::double_bar:
      return "\\bar \"||\"";
    case bar_style::section_open:
      return "\\bar \".|\"";
    case bar_style::section_close:
      return "\\bar \"|.\"";
    case bar_style::invisible:
      return "\\bar \"\"";
    default:
      // Repeats are written as plain bar lines for now.
      return "";
  }
}

bool same_length(const chord_part& a, const chord_part& b) {
  return a.length == b.length;
}

// One measure of a staff: its items and what LilyPond must be told about its length.
struct measure {
  std::size_t first_item = 0, end_item = 0;  // end_item: the closing bar, or the staff's end
  rational length;
  rational expected;
  bool closed = false;
  bool has_events = false;
};

std::vector<measure> measures_of(const score::staff& s) {
  std::vector<measure> out;
  measure m;
  rational start;
  rational now;
  rational expected(1);
  bool first_event_seen = false;
  for (std::size_t i = 0; i < s.items.size(); ++i) {
    const score::item& it = s.items[i];
    if (const auto* t = std::get_if<score::time_change>(&it)) {
      expected = t->measure_length();
      if (!first_event_seen) m.expected = expected;
    } else if (const auto* e = std::get_if<event>(&it)) {
      if (!e->grace && !first_event_seen) {
        first_event_seen = true;
        m.expected = expected;
      }
      if (!e->grace) m.has_events = true;
      now = e->onset + e->advance;
    } else if (const auto* b = std::get_if<score::bar_line>(&it)) {
      m.end_item = i;
      m.length = b->onset - start;
      m.closed = true;
      if (!first_event_seen) m.expected = expected;
      out.push_back(m);
      start = now = b->onset;
      m = measure{};
      m.first_item = i + 1;
      first_event_seen = false;
    }
  }
  m.end_item = s.items.size();
  m.length = now - start;
  if (!first_event_seen) m.expected = expected;
  out.push_back(m);
  return out;
}

// A chord part's notes as one voice writes them, with ties where the next event continues.
struct voice_part {
  const chord_part* part = nullptr;  // the duration it is written with
  std::array<const std::vector<score::note>*, 2> lists = {nullptr, nullptr};

  template <typename Visit>
  void each(Visit visit) const {
    for (const std::vector<score::note>* list : lists)
      if (list)
        for (const score::note& n : *list)
          visit(n);
  }
  std::size_t size() const {
    return (lists[0] ? lists[0]->size() : 0) + (lists[1] ? lists[1]->size() : 0);
  }
};

class staff_music {
 public:
  // `shape` is the voice's own setting: 0 alone on its staff, 1 upper and 2 lower layer.
  staff_music(const score::staff& s, std::set<std::string>& tempos, int shape,
              const staff_repeats& repeats)
      : staff_(s), tempos_(tempos), shape_(shape), repeats_(repeats), marks_(tempos) {}

  void write() {
    plan_events();
    const std::vector<measure> measures = measures_of(staff_);
    std::size_t m = 0;
    int number = 1;
    bool pickup_possible = true;
    rational lily_length(1);  // LilyPond's measureLength
    bool timing_done = false;
    std::size_t boundary = 0;
    repeat_text(repeats_.opening, boundary);
    for (std::size_t i = 0; i < staff_.items.size(); ++i) {
      const score::item& it = staff_.items[i];
      while (m + 1 < measures.size() && i > measures[m].end_item) {
        ++m;
        timing_done = false;
      }
      if (const auto* c = std::get_if<score::clef_change>(&it)) {
        add(clef_text(*c));
      } else if (const auto* k = std::get_if<score::key_change>(&it)) {
        add(key_text(*k));
      } else if (const auto* t = std::get_if<score::time_change>(&it)) {
        time_signature(*t);
        lily_length = t->measure_length();
      } else if (const auto* tm = std::get_if<score::tempo_mark>(&it)) {
        tempo(*tm);
      } else if (const auto* mk = std::get_if<score::mark>(&it)) {
        add(marks_.take(*mk));
      } else if (const auto* b = std::get_if<score::bar_line>(&it)) {
        if (!timing_done) timing(measures[m], pickup_possible, lily_length);
        if (measures[m].length > rational(0)) pickup_possible = false;
        repeat_text(repeats_.closing, ++boundary);
        add(bar_text(b->style));
        add("|");
        repeat_text(repeats_.opening, boundary);
        end_line();
        ++number;
        if (number % measure_number_every == 0) pending_number_ = number;
        timing_done = false;
      } else if (const auto* e = std::get_if<event>(&it)) {
        if (e->grace) {
          grace(*e);
          continue;
        }
        if (!timing_done) {
          timing(measures[m], pickup_possible, lily_length);
          timing_done = true;
        }
        if (measures[m].length > rational(0)) pickup_possible = false;
        main_event(i, *e);
      }
    }
    close_tuplet();
    flush_graces();
    add(marks_.finish());
    repeat_text(repeats_.closing, repeats_.closing.size() - 1);
    repeat_text(repeats_.opening, repeats_.opening.size() - 1);
    end_line();
    // The staff's own ending bar line, unless its last bar line already has a style.
    const auto* last =
        staff_.items.empty() ? nullptr : std::get_if<score::bar_line>(&staff_.items.back());
    const bool styled_end = last && !bar_text(last->style).empty();
    if (const std::string end = bar_text(staff_.ending_bar); !end.empty() && !styled_end)
      lines_.push_back(end);
  }

  std::string music() const {
    std::string out;
    for (const std::string& line : lines_)
      out += "  " + line + "\n";
    return out;
  }

  std::vector<std::string> lower_voices() const {
    std::vector<std::string> out;
    for (const lower_voice& v : lower_)
      out.push_back(v.text + "\n");
    return out;
  }

  // The lyric lines in lyric mode, one syllable per note as NoteWorthy Composer lays them.
  std::vector<std::string> verses() const {
    std::vector<std::string> out;
    for (const score::lyric_line& line : staff_.lyrics) {
      out.push_back(verse(line));
    }
    return out;
  }

 private:
  struct slot {
    bool takes = false;    // NoteWorthy gives it a syllable
    bool melisma = false;  // LilyPond would hold the syllable before over it
  };
  struct lower_voice {
    rational until;
    std::string text;
    int tokens = 0;
  };

  void add(const std::string& token) {
    if (token.empty()) return;
    if (line_.empty() && pending_number_ > 0) {
      lines_.push_back("% " + std::to_string(pending_number_));
      pending_number_ = 0;
    }
    if (!line_.empty()) line_ += ' ';
    line_ += token;
  }
  void end_line() {
    if (!line_.empty()) lines_.push_back(std::move(line_));
    line_.clear();
  }

  void repeat_text(const std::vector<std::string>& texts, std::size_t boundary) {
    if (boundary >= texts.size()) return;
    std::string text = texts[boundary];
    while (!text.empty() && text.back() == ' ')
      text.pop_back();
    add(text);
  }

  void time_signature(const score::time_change& t) {
    const bool symbol_style = t.shown != score::time_change::symbol::numbers;
    const bool symbol_shape =
        (t.numerator == 4 && t.denominator == 4) || (t.numerator == 2 && t.denominator == 2);
    if (symbol_shape && symbol_style != symbols_) {
      add(symbol_style ? "\\defaultTimeSignature" : "\\numericTimeSignature");
      symbols_ = symbol_style;
    }
    if (!t.visible) add("\\once \\omit Staff.TimeSignature");
    add("\\time " + std::to_string(t.numerator) + "/" + std::to_string(t.denominator));
  }

  void tempo(const score::tempo_mark& t) {
    // One mark for each moment, though several staves may carry it.
    if (!tempos_.insert(t.onset.text()).second) return;
    if (!t.visible) add("\\once \\omit Score.MetronomeMark");
    std::string text = "\\tempo ";
    if (!t.text.empty()) text += quoted(t.text) + " ";
    add(text + duration_text(t.base, t.dots) + " = " + std::to_string(t.beats_per_minute));
  }

  // Tells LilyPond a measure's length where the score's measure differs from its time
  // signature: a pickup at the start, otherwise that measure's own length.
  void timing(const measure& m, bool pickup_possible, rational& lily_length) {
    const bool regular =
        m.length == m.expected || m.length == rational(0) || (!m.closed && m.length < m.expected);
    if (regular) {
      if (lily_length != m.expected && m.length > rational(0)) {
        add("\\set Timing.measureLength = " + moment_text(m.expected));
        lily_length = m.expected;
      }
      return;
    }
    if (pickup_possible && m.length < m.expected) {
      add("\\partial " + length_text(m.length));
      return;
    }
    add("\\set Timing.measureLength = " + moment_text(m.length));
    lily_length = m.length;
  }

  // Which events sound in a second voice, and which notes are tied and slurred.
  void plan_events() {
    upper_.resize(staff_.items.size());
    slur_open_.assign(staff_.items.size(), false);
    slur_close_.assign(staff_.items.size(), false);
    for (std::size_t i = 0; i < staff_.items.size(); ++i)
      if (const auto* e = std::get_if<event>(&staff_.items[i]); e && !e->grace) order_.push_back(i);
    for (std::size_t k = 0; k < order_.size(); ++k) {
      const event& e = std::get<event>(staff_.items[order_[k]]);
      voice_part upper;
      if (!e.has_second || same_length(e.main, e.second)) {
        upper.part = &e.main;
        upper.lists = {&e.main.notes, &e.second.notes};
      } else {
        const bool second_shorter = e.second.length < e.main.length;
        upper.part = second_shorter ? &e.second : &e.main;
        upper.lists = {&upper.part->notes, nullptr};
      }
      upper_[order_[k]] = upper;
    }
    // Slurs: NoteWorthy's flag joins an event to the next; LilyPond's slur spans a chain of
    // such links between notes.
    std::vector<bool> link(order_.size(), false);
    for (std::size_t k = 0; k + 1 < order_.size(); ++k) {
      const event& e = std::get<event>(staff_.items[order_[k]]);
      link[k] = e.slur && has_notes(order_[k]) && has_notes(order_[k + 1]);
    }
    for (std::size_t k = 0; k < order_.size(); ++k) {
      const bool before = k > 0 && link[k - 1];
      if (link[k] && !before) slur_open_[order_[k]] = true;
      if (before && !link[k]) slur_close_[order_[k]] = true;
      slot s;
      const event& e = std::get<event>(staff_.items[order_[k]]);
      s.takes = e.takes_syllable;
      s.melisma = before;
      if (!has_notes(order_[k])) continue;
      // Ties: written only where the next event continues them in this voice.
      if (k + 1 < order_.size()) {
        upper_[order_[k]].each([&](const score::note& n) {
          if (!n.tie) return;
          upper_[order_[k + 1]].each([&](const score::note& next) {
            if (next.tied_from && next.sound == n.sound) {
              tied_.insert(&n);
              tied_into_.insert(&next);
            }
          });
        });
      }
      slots_.push_back({order_[k], s});
    }
    for (auto& entry : slots_) {
      slot& s = entry.second;
      upper_[entry.first].each([&](const score::note& n) {
        if (tied_into_.count(&n)) s.melisma = true;
      });
    }
  }

  bool has_notes(std::size_t index) const {
    return index < upper_.size() && upper_[index].size() > 0;
  }

  std::string chord_text(const voice_part& notes, const std::string& dur, bool with_ties) const {
    const bool single = notes.size() == 1;
    std::string t = single ? "" : "<";
    bool first = true;
    notes.each([&](const score::note& n) {
      if (!first) t += ' ';
      first = false;
      t += pitch_text(n.sound);
      if (n.redundant_accidental) t += '!';
      if (single) t += dur;
      if (with_ties && tied_.count(&n)) t += '~';
    });
    if (!single) t += ">" + dur;
    return t;
  }

  void grace(const event& e) {
    voice_part notes;
    notes.lists = {&e.main.notes, &e.second.notes};
    if (!graces_.empty()) graces_ += ' ';
    graces_ += chord_text(notes, duration_text(e.main.base, e.main.dots), false);
    ++grace_count_;
  }

  void flush_graces() {
    if (graces_.empty()) return;
    add(grace_count_ == 1 ? "\\grace " + graces_ : "\\grace { " + graces_ + " }");
    graces_.clear();
    grace_count_ = 0;
  }

  void close_tuplet() {
    if (!in_tuplet_) return;
    add("}");
    in_tuplet_ = false;
  }

  void main_event(std::size_t index, const event& e) {
    const voice_part& upper = upper_[index];
    const bool triplet = upper.part->triplet;
    if (in_tuplet_ && (!triplet || e.triplet == score::triplet_mark::first)) close_tuplet();
    // Two voices while a longer chord part sounds on.
    static constexpr std::array<std::string_view, 3> home = {"\\oneVoice", "\\voiceOne",
                                                             "\\voiceTwo"};
    static constexpr std::array<std::string_view, 3> upper_shape = {"\\voiceOne", "\\voiceOne",
                                                                    "\\voiceTwo"};
    const bool starts_lower = e.has_second && !same_length(e.main, e.second);
    if (in_two_voices_ && e.onset >= two_voices_until_ && !starts_lower) {
      add(std::string(home[static_cast<std::size_t>(shape_)]));
      in_two_voices_ = false;
    }
    if (starts_lower) {
      const chord_part& longer = upper.part == &e.main ? e.second : e.main;
      lower(e.onset, longer);
      if (!in_two_voices_ && shape_ == 0) add(std::string(upper_shape[0]));
      in_two_voices_ = true;
      two_voices_until_ = std::max(two_voices_until_, e.onset + longer.length);
    }
    flush_graces();
    if (triplet && !in_tuplet_) {
      add("\\tuplet 3/2 {");
      in_tuplet_ = true;
    }
    std::string token;
    const std::string dur = duration_text(upper.part->base, upper.part->dots);
    if (upper.size() == 0) {
      if (e.full_measure_rest)
        token = std::string(e.visible ? "R" : "s") + length_text(e.main.length);
      else
        token = std::string(e.visible ? "r" : "s") + dur;
    } else {
      token = chord_text(upper, dur, true);
    }
    if (slur_open_[index]) token += "(";
    if (slur_close_[index]) token += ")";
    token += marks_.post_events(e);
    add(token);
    if (e.triplet == score::triplet_mark::end) close_tuplet();
  }

  // The longer notes of a chord go to a voice of their own, silent elsewhere.
  void lower(rational onset, const chord_part& part) {
    std::size_t v = 0;
    while (v < lower_.size() && lower_[v].until > onset)
      ++v;
    // Under a layered staff's own voice the longer notes take the third or fourth shape.
    static constexpr std::array<std::string_view, 3> shapes = {"  \\voiceTwo", "  \\voiceThree",
                                                               "  \\voiceFour"};
    if (v == lower_.size())
      lower_.push_back({rational(0), std::string(shapes[static_cast<std::size_t>(shape_)]), 0});
    lower_voice& voice = lower_[v];
    voice_part notes;
    notes.lists = {&part.notes, nullptr};
    std::string token;
    if (onset > voice.until) token = "s" + length_text(onset - voice.until) + " ";
    std::string dur = duration_text(part.base, part.dots);
    if (part.triplet) dur += "*2/3";
    token += chord_text(notes, dur, false);
    voice.text += (voice.tokens % 8 == 7 ? "\n  " : " ") + token;
    ++voice.tokens;
    voice.until = onset + part.length;
  }

  std::string verse(const score::lyric_line& line) const {
    std::vector<const score::syllable*> placed;
    for (const score::syllable& s : line.syllables)
      if (s.placed) placed.push_back(&s);
    // Where NoteWorthy gives a syllable to a note that LilyPond holds in a melisma, the
    // verse tells LilyPond to ignore melismata and names every note's syllable itself.
    bool explicit_all = false;
    std::size_t takers = 0;
    for (const auto& [index, s] : slots_) {
      if (!s.takes) continue;
      if (takers < placed.size() && s.melisma) explicit_all = true;
      ++takers;
    }
    std::vector<std::string> tokens;
    if (explicit_all) tokens.push_back("\\set ignoreMelismata = ##t");
    std::size_t next = 0;
    std::size_t pending_skips = 0;
    for (const auto& [index, s] : slots_) {
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
    std::string out;
    std::size_t width = 0;
    for (const std::string& t : tokens) {
      if (width > 0 && width + t.size() > 72) {
        out += "\n";
        width = 0;
      }
      out += (width == 0 ? "  " : " ") + t;
      width += t.size() + 1;
    }
    return out + "\n";
  }

  const score::staff& staff_;
  std::set<std::string>& tempos_;
  int shape_;
  const staff_repeats& repeats_;
  mark_writer marks_;
  std::vector<std::string> lines_;
  std::string line_;
  std::vector<std::size_t> order_;
  std::vector<voice_part> upper_;  // by item index
  std::vector<bool> slur_open_, slur_close_;
  std::unordered_set<const score::note*> tied_, tied_into_;
  std::vector<std::pair<std::size_t, slot>> slots_;
  std::vector<lower_voice> lower_;
  std::string graces_;
  int grace_count_ = 0;
  int pending_number_ = 0;  // a measure number waiting for its measure's first token
  bool in_tuplet_ = false;
  bool in_two_voices_ = false;
  rational two_voices_until_;
  bool symbols_ = true;  // LilyPond shows 4/4 and 2/2 as C and cut C until told otherwise
};

std::string header(const score::score& model) {
  std::string out = "\\header {\n";
  const auto field = [&](std::string_view name, const std::string& value) {
    if (!value.empty()) out += "  " + std::string(name) + " = " + quoted(value) + "\n";
  };
  field("title", model.title);
  field("composer", model.author);
  field("poet", model.lyricist);
  if (!model.copyright1.empty() && !model.copyright2.empty())
    out += "  copyright = \\markup \\center-column { " + quoted(model.copyright1) + " " +
           quoted(model.copyright2) + " }\n";
  else
    field("copyright", model.copyright1.empty() ? model.copyright2 : model.copyright1);
  out += "  tagline = ##f\n}\n";
  return out;
}

// True when every shown staff has its bar lines and time signatures where the others have
// theirs, as far as both go, so that one timing serves them all.
bool timings_agree(const score::score& model, bool hidden_too) {
  struct marks {
    std::set<std::pair<rational, rational>> times;  // (onset, measure length)
    std::set<rational> bars;
    rational end;
  };
  std::vector<marks> all;
  for (const score::staff& s : model.staves) {
    if (!s.visible && !hidden_too) continue;
    marks m;
    rational now;
    rational length(1);  // without a time signature a staff counts 4/4
    for (const score::item& it : s.items) {
      if (const auto* e = std::get_if<event>(&it)) now = e->onset + e->advance;
      if (const auto* b = std::get_if<score::bar_line>(&it)) m.bars.insert(b->onset);
      if (const auto* t = std::get_if<score::time_change>(&it);
          t && t->measure_length() != length) {
        length = t->measure_length();
        m.times.insert({now, length});
      }
    }
    m.end = now;
    all.push_back(std::move(m));
  }
  // Two staves that each agree with the longest agree with each other, as far as both go.
  const auto agree = [](const marks& a, const marks& b) {
    for (const rational& bar : a.bars)
      if (bar < b.end && bar > rational(0) && !b.bars.count(bar)) return false;
    for (const auto& t : a.times)
      if (t.first < b.end && !b.times.count(t)) return false;
    return true;
  };
  if (all.empty()) return true;
  const marks& longest = *std::max_element(
      all.begin(), all.end(), [](const marks& a, const marks& b) { return a.end < b.end; });
  for (const marks& m : all)
    if (!agree(m, longest) || !agree(longest, m)) return false;
  return true;
}

// LilyPond leaves 15 mm before the first system for the staff names; a longer name would
// stand in the page margin, so the first system moves in as far as the longest needs.
std::string indent_setting(const score::score& model, const std::vector<page_staff>& staves) {
  double widest = 0;
  for (const page_staff& p : staves) {
    const score::staff& shown = model.staves[p.staves.back()];
    const std::string& label = shown.label.empty() ? shown.name : shown.label;
    double width = 0;
    for (std::size_t i = 0; i < label.size(); ++i) {
      const auto c = static_cast<unsigned char>(label[i]);
      if ((c & 0xC0) == 0x80) continue;  // inside a character
      // Hangul and CJK (three-byte characters from U+1100 on) are about twice as wide.
      width += c >= 0xE1 ? 3.6 : 1.9;
    }
    widest = std::max(widest, width);
  }
  const int millimetres = static_cast<int>(widest) + 2;
  if (millimetres <= 15) return {};
  return "    indent = " + std::to_string(millimetres) + "\\mm\n";
}

struct written_staff {
  std::string music_name;
  std::vector<std::string> lower_names;
  std::vector<std::string> verse_names;
};

// The staff's MIDI instrument: its program, or the drum channel.
std::string instrument_setting(const score::staff& s) {
  bool percussion = s.drum_channel;
  for (const score::item& it : s.items)
    if (const auto* c = std::get_if<score::clef_change>(&it)) {
      percussion = percussion || c->kind == score::clef_kind::percussion;
      break;
    }
  if (percussion) return " midiInstrument = \"drums\"";
  if (s.patch < 0) return "";
  return " midiInstrument = " + quoted(std::string(midi_instrument(s.patch)));
}

std::string indent(int depth) {
  return std::string(static_cast<std::size_t>(depth) * 2, ' ');
}

}  // namespace

std::string write_page(const score::score& model) {
  std::string out = "\\version \"2.24.0\"\n\n" + header(model) + "\n";
  const std::vector<page_staff> staves = plan_staves(model);
  std::vector<written_staff> written(model.staves.size());
  std::vector<int> shapes(model.staves.size(), 0);
  for (const page_staff& p : staves)
    if (p.staves.size() > 1)
      for (std::size_t v = 0; v < p.staves.size(); ++v)
        shapes[p.staves[v]] = v + 1 == p.staves.size() ? 2 : 1;
  std::set<std::string> names;
  std::map<std::string, int> next_number;
  std::set<std::string> tempos;
  const repeat_plan repeats = plan_repeats(model);
  // Say why the repeats are drawn bar by bar, which the MIDI then plays only once.
  for (const std::string& problem : repeats.problems)
    out += "% repeats drawn as bar lines and brackets: " + problem + "\n";
  if (!repeats.problems.empty()) out += "\n";
  // Visible staves print the tempo marks; a hidden staff's own marks still reach the MIDI.
  std::vector<std::string> variables(model.staves.size());
  for (int pass = 0; pass < 2; ++pass) {
    for (std::size_t i = 0; i < model.staves.size(); ++i) {
      const score::staff& s = model.staves[i];
      if (s.visible != (pass == 0)) continue;
      std::string base = identifier(s.name);
      if (base.empty()) base = "staff" + number_word(static_cast<int>(i) + 1);
      if (names.count(base)) {
        // Many staves of one name take the next free number, not a search from two each.
        int& n = next_number[base];
        if (n < 2) n = 2;
        while (names.count(base + number_word(n)))
          ++n;
        base += number_word(n++);
      }
      names.insert(base);
      staff_music music(s, tempos, shapes[i], repeats.staves[i]);
      music.write();
      written_staff& w = written[i];
      w.music_name = base + "Music";
      std::string text = w.music_name + " = {\n" + music.music() + "}\n\n";
      const std::vector<std::string> lowers = music.lower_voices();
      for (std::size_t v = 0; v < lowers.size(); ++v) {
        w.lower_names.push_back(base + "Lower" + (v ? number_word(static_cast<int>(v) + 1) : ""));
        text += w.lower_names.back() + " = {\n" + lowers[v] + "}\n\n";
      }
      const std::vector<std::string> verses = music.verses();
      for (std::size_t k = 0; k < verses.size(); ++k) {
        w.verse_names.push_back(base + "Verse" + number_word(static_cast<int>(k) + 1));
        text += w.verse_names.back() + " = \\lyricmode {\n" + verses[k] + "}\n\n";
      }
      variables[i] = std::move(text);
    }
  }
  for (const std::string& v : variables)
    out += v;

  const auto voices = [&](std::size_t i, const std::string& name, const std::string& shape,
                          int depth) {
    std::string t = indent(depth) + "\\new Voice = \"voice" + std::to_string(i + 1) + "\" { " +
                    shape + "\\" + written[i].music_name + " }\n";
    for (const std::string& lower : written[i].lower_names)
      t += indent(depth) + "\\new Voice { \\" + lower + " }\n";
    (void)name;
    return t;
  };
  const auto staff_block = [&](const page_staff& p, int depth) {
    const score::staff& shown = model.staves[p.staves.back()];
    std::string label = shown.label.empty() ? shown.name : shown.label;
    std::string t = indent(depth) + "\\new Staff = \"staff" + std::to_string(p.number) + "\"";
    std::string with;
    if (!label.empty()) with += " instrumentName = " + quoted(label);
    with += instrument_setting(shown);
    if (!with.empty()) t += " \\with {" + with + " }";
    t += " <<\n";
    for (std::size_t v = 0; v < p.staves.size(); ++v) {
      const std::string shape =
          p.staves.size() == 1 ? "" : (v == 0 ? "\\voiceOne " : "\\voiceTwo ");
      t += voices(p.staves[v], "", shape, depth + 1);
    }
    t += indent(depth) + ">>\n";
    for (std::size_t staff_index : p.staves)
      for (std::size_t k = 0; k < written[staff_index].verse_names.size(); ++k) {
        if (model.staves[staff_index].lyrics[k].syllables.empty()) continue;
        t += indent(depth) + "\\new Lyrics = \"staff" + std::to_string(staff_index + 1) + "-verse" +
             std::to_string(k + 1) + "\" \\lyricsto \"voice" + std::to_string(staff_index + 1) +
             "\" { \\" + written[staff_index].verse_names[k] + " }\n";
      }
    return t;
  };

  bool hidden = false;
  for (const score::staff& s : model.staves)
    hidden = hidden || !s.visible;

  out += "\\score {\n  <<\n";
  for (std::size_t p = 0; p < staves.size();) {
    std::size_t end = p;
    while (end + 1 < staves.size() && staves[end].group != score::group_with_next::none)
      ++end;
    if (end == p) {
      out += staff_block(staves[p], 2);
      ++p;
      continue;
    }
    bool all_braces = true, lyrics = false;
    for (std::size_t q = p; q <= end; ++q) {
      if (q < end && staves[q].group != score::group_with_next::brace) all_braces = false;
      for (std::size_t i : staves[q].staves)
        for (const score::lyric_line& l : model.staves[i].lyrics)
          lyrics = lyrics || !l.syllables.empty();
    }
    const char* group = all_braces ? "PianoStaff" : lyrics ? "ChoirStaff" : "StaffGroup";
    out += indent(2) + "\\new " + group + " <<\n";
    for (std::size_t q = p; q <= end; ++q)
      out += staff_block(staves[q], 3);
    out += indent(2) + ">>\n";
    p = end + 1;
  }
  out += "  >>\n";
  // Where the staves' bar lines disagree (NoteWorthy Composer keeps them apart), each
  // staff keeps its own measures.
  constexpr std::string_view own_timing =
      "    \\context { \\Score \\remove Timing_translator }\n"
      "    \\context { \\Staff \\consists Timing_translator }\n";
  const bool shown_agree = timings_agree(model, false);
  const auto output_block = [&](std::string_view name, bool hidden_too) {
    std::string settings;
    if (name == "layout") settings = indent_setting(model, staves);
    // Staves whose repeats differ keep their own measures and draw their own brackets.
    if (!(hidden_too ? timings_agree(model, true) : shown_agree) || repeats.per_staff)
      settings += own_timing;
    if (repeats.per_staff && name == "layout")
      settings +=
          "    \\context { \\Score \\remove Volta_engraver }\n"
          "    \\context { \\Staff \\consists Volta_engraver }\n";
    if (settings.empty()) return "  \\" + std::string(name) + " { }\n";
    return "  \\" + std::string(name) + " {\n" + settings + "  }\n";
  };
  out += output_block("layout", false);
  if (!hidden && !repeats.volta) return out + output_block("midi", false) + "}\n";
  // Hidden staves sound in the MIDI only, from a score of their own, which also plays the
  // repeats as often as they are taken.
  out += "}\n\n\\score {\n  " + std::string(repeats.volta ? "\\unfoldRepeats " : "") + "<<\n";
  for (std::size_t i = 0; i < model.staves.size(); ++i) {
    const std::string with = instrument_setting(model.staves[i]);
    out += "    \\new Staff" + (with.empty() ? "" : " \\with {" + with + " }") + " <<\n";
    out += indent(3) + "\\new Voice { \\" + written[i].music_name + " }\n";
    for (const std::string& lower : written[i].lower_names)
      out += indent(3) + "\\new Voice { \\" + lower + " }\n";
    out += "    >>\n";
  }
  return out + "  >>\n" + output_block("midi", true) + "}\n";
}

}  // namespace choirly::page
