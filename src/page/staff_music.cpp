// A staff's music written measure by measure through one printer.
#include "page/staff_music.hpp"

#include <algorithm>
#include <array>

#include "page/notation.hpp"

namespace choirly::page {

namespace {

using score::chord_part;
using score::event;
using score::rational;

// How often a "% N" measure number stands before a measure line.
constexpr int measure_number_every = 5;

// A voice of longer chord notes breaks its line every eight tokens.
constexpr int lower_voice_tokens_per_line = 8;

bool same_length(const chord_part& a, const chord_part& b) {
  return a.length == b.length;
}

// A staff without measure records is taken as one measure that never closes.
const std::vector<score::measure>& measures_or_whole(const score::staff& s,
                                                     std::vector<score::measure>& whole) {
  if (!s.measures.empty()) return s.measures;
  whole.assign(1, score::measure{});
  whole[0].end_item = s.items.size();
  whole[0].expected = rational(1);
  return whole;
}

// A rest, a whole-measure rest, or a hidden one as a skip.
std::string rest_text(const event& e, const std::string& dur) {
  std::string text(1, e.visible ? (e.full_measure_rest ? 'R' : 'r') : 's');
  text += e.full_measure_rest ? length_text(e.main.length) : dur;
  return text;
}

// A beam needs notes at both ends and flags on every event it joins.
bool beamable(const event& e, const voice_part& notes, bool end) {
  return notes.part->base >= 8 && (!end || notes.size() > 0) && !e.full_measure_rest;
}

}  // namespace

staff_music::staff_music(const score::staff& s, std::set<std::string>& score_marks,
                         voice_shape shape, const staff_repeats& repeats, bool per_staff_repeats,
                         const staff_layout& layout)
    : staff_(s),
      score_marks_(score_marks),
      shape_(shape),
      repeats_(repeats),
      per_staff_repeats_(per_staff_repeats),
      layout_(layout),
      marks_(score_marks),
      out_({.measure_number_every = measure_number_every, .first_measure = layout.first_bar}) {
  write();
}

std::vector<std::string> staff_music::lower_voices() const {
  std::vector<std::string> out;
  for (const lower_voice& v : lower_)
    out.push_back(v.out.text());
  return out;
}

std::vector<std::string> staff_music::verses() const {
  std::vector<std::string> out;
  for (const score::lyric_line& line : staff_.lyrics)
    out.push_back(verse_text(line, slots_));
  return out;
}

void staff_music::write() {
  plan_events();
  std::vector<score::measure> whole;
  const std::vector<score::measure>& measures = measures_or_whole(staff_, whole);
  std::size_t m = 0;
  bool timing_done = false;
  // The score beams what it means to beam; LilyPond would otherwise beam by the meter.
  out_.token("\\autoBeamOff");
  const bool beams = std::find(beam_open_.begin(), beam_open_.end(), true) != beam_open_.end();
  // A beam is no melisma in NoteWorthy: the syllables stay on the notes the score gives them.
  if (beams && !staff_.lyrics.empty())
    out_.token(
        "\\set melismaBusyProperties = #'(melismaBusy slurMelismaBusy tieMelismaBusy "
        "completionBusy)");
  for (const score::item& it : staff_.items)
    if (const auto* b = std::get_if<score::bar_line>(&it)) own_bars_.insert(b->onset);
  if (layout_.first_bar != 1)
    out_.token("\\set Timing.currentBarNumber = #" + std::to_string(layout_.first_bar));
  print_after_bar(repeats_, per_staff_repeats_, boundary_, out_);
  for (std::size_t i = 0; i < staff_.items.size(); ++i) {
    while (m + 1 < measures.size() && i > measures[m].end_item) {
      ++m;
      timing_done = false;
    }
    const score::item& it = staff_.items[i];
    const auto* e = std::get_if<event>(&it);
    if ((e && !e->grace) || std::holds_alternative<score::bar_line>(it)) {
      if (!timing_done) timing(measures[m]);
      timing_done = e != nullptr;
      if (measures[m].length > rational(0)) pickup_possible_ = false;
    }
    item(i, timing_done);
  }
  end_of_staff();
}

void staff_music::item(std::size_t index, bool& timing_done) {
  const score::item& it = staff_.items[index];
  if (const auto* c = std::get_if<score::clef_change>(&it)) {
    if (!c->visible) out_.token("\\once \\omit Staff.Clef \\once \\omit Staff.ClefModifier");
    out_.token(clef_text(*c));
  } else if (const auto* k = std::get_if<score::key_change>(&it)) {
    out_.token(key_text(*k));
  } else if (const auto* t = std::get_if<score::time_change>(&it)) {
    time_signature(*t);
    lily_length_ = t->measure_length();
  } else if (const auto* tm = std::get_if<score::tempo_mark>(&it)) {
    tempo(*tm);
  } else if (const auto* mk = std::get_if<score::mark>(&it)) {
    out_.token(marks_.take(*mk));
  } else if (const auto* b = std::get_if<score::bar_line>(&it)) {
    bar(*b);
    timing_done = false;
  } else if (const auto* e = std::get_if<event>(&it)) {
    if (e->grace)
      grace(*e);
    else
      main_event(index, *e);
  }
}

void staff_music::bar(const score::bar_line& b) {
  print_before_bar(repeats_, ++boundary_, out_);
  out_.token(bar_text(b.style));
  if (b.system_break) out_.token("\\break");
  out_.bar_check();
  // LilyPond gives a pickup the number of the measure after it; NoteWorthy counts it.
  if (renumber_after_pickup_)
    out_.token("\\set Timing.currentBarNumber = #" + std::to_string(layout_.first_bar + 1));
  renumber_after_pickup_ = false;
  print_after_bar(repeats_, per_staff_repeats_, boundary_, out_);
  out_.end_line();
}

void staff_music::end_of_staff() {
  out_.close(nest::tuplet);
  flush_graces();
  out_.token(marks_.at_staff_end());
  print_before_bar(repeats_, boundary_ + 1, out_);
  print_after_bar(repeats_, per_staff_repeats_, boundary_ + 1, out_);
  out_.end_line();
  // The staff's own ending bar line, unless its last bar line already has a style.
  const auto* last =
      staff_.items.empty() ? nullptr : std::get_if<score::bar_line>(&staff_.items.back());
  const bool styled_end = last && !bar_text(last->style).empty();
  if (const std::string end = bar_text(staff_.ending_bar); !end.empty() && !styled_end)
    out_.line(end);
}

void staff_music::time_signature(const score::time_change& t) {
  const bool symbol_style = t.shown != score::time_change::symbol::numbers;
  const bool symbol_shape =
      (t.numerator == 4 && t.denominator == 4) || (t.numerator == 2 && t.denominator == 2);
  if (symbol_shape && symbol_style != symbols_) {
    out_.token(symbol_style ? "\\defaultTimeSignature" : "\\numericTimeSignature");
    symbols_ = symbol_style;
  }
  if (!t.visible) out_.token("\\once \\omit Staff.TimeSignature");
  out_.token("\\time " + std::to_string(t.numerator) + "/" + std::to_string(t.denominator));
}

void staff_music::tempo(const score::tempo_mark& t) {
  // One mark for each moment, though several staves may carry it.
  if (!score_marks_.insert(t.onset.text()).second) return;
  if (!t.visible) out_.token("\\once \\omit Score.MetronomeMark");
  std::string text = "\\tempo ";
  if (!t.text.empty()) text += quoted(t.text) + " ";
  out_.token(text + duration_text(t.base, t.dots) + " = " + std::to_string(t.beats_per_minute));
}

// Tells LilyPond a measure's length where the score's measure differs from its time
// signature: a pickup at the start, otherwise that measure's own length.
void staff_music::timing(const score::measure& m) {
  const bool regular =
      m.length == m.expected || m.length == rational(0) || (!m.closed && m.length < m.expected);
  if (regular) {
    if (lily_length_ != m.expected && m.length > rational(0)) {
      out_.token("\\set Timing.measureLength = " + moment_text(m.expected));
      lily_length_ = m.expected;
    }
    return;
  }
  if (pickup_possible_ && m.length < m.expected) {
    out_.token("\\partial " + length_text(m.length));
    renumber_after_pickup_ = m.closed;
    return;
  }
  out_.token("\\set Timing.measureLength = " + moment_text(m.length));
  lily_length_ = m.length;
}

// Which events sound in a second voice, and which notes are tied and slurred.
void staff_music::plan_events() {
  upper_.resize(staff_.items.size());
  slur_open_.assign(staff_.items.size(), false);
  slur_close_.assign(staff_.items.size(), false);
  for (std::size_t i = 0; i < staff_.items.size(); ++i)
    if (const auto* e = std::get_if<event>(&staff_.items[i]); e && !e->grace) order_.push_back(i);
  for (std::size_t index : order_) {
    const event& e = std::get<event>(staff_.items[index]);
    voice_part upper;
    if (!e.has_second || same_length(e.main, e.second)) {
      upper.part = &e.main;
      upper.lists = {&e.main.notes, &e.second.notes};
    } else {
      upper.part = e.second.length < e.main.length ? &e.second : &e.main;
      upper.lists = {&upper.part->notes, nullptr};
    }
    upper_[index] = upper;
  }
  // Slurs: NoteWorthy's flag joins an event to the next; LilyPond's slur spans a chain of
  // such links between notes.
  std::vector<bool> link(order_.size(), false);
  for (std::size_t k = 0; k + 1 < order_.size(); ++k)
    link[k] = std::get<event>(staff_.items[order_[k]]).slur && has_notes(order_[k]) &&
              has_notes(order_[k + 1]);
  for (std::size_t k = 0; k < order_.size(); ++k) {
    const bool before = k > 0 && link[k - 1];
    if (link[k] && !before) slur_open_[order_[k]] = true;
    if (before && !link[k]) slur_close_[order_[k]] = true;
    if (!has_notes(order_[k])) continue;
    plan_ties(k);
    slot_items_.push_back(order_[k]);
    slots_.push_back({std::get<event>(staff_.items[order_[k]]).takes_syllable, before});
  }
  plan_beams();
  for (std::size_t s = 0; s < slots_.size(); ++s)
    upper_[slot_items_[s]].each([&](const score::note& n) {
      if (tied_into_.count(&n)) slots_[s].melisma = true;
    });
}

// Ties are written only where the next event continues them in this voice.
void staff_music::plan_ties(std::size_t k) {
  if (k + 1 >= order_.size()) return;
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

// Beams as the score draws them: Beam=First, Beam ... Beam=End over events in a row; a
// group the page cannot beam (a quarter inside, a rest at an end, no end) is left flagged.
void staff_music::plan_beams() {
  beam_open_.assign(staff_.items.size(), false);
  beam_close_.assign(staff_.items.size(), false);
  std::size_t start = 0;
  bool open = false;
  for (std::size_t k = 0; k < order_.size(); ++k) {
    const event& e = std::get<event>(staff_.items[order_[k]]);
    const voice_part& notes = upper_[order_[k]];
    const bool first = e.beam == score::beam_mark::first;
    if (first) {
      start = k;
      open = beamable(e, notes, true);
      continue;
    }
    if (!open) continue;
    if (e.beam == score::beam_mark::middle && beamable(e, notes, false)) continue;
    if (e.beam == score::beam_mark::end && beamable(e, notes, true)) {
      beam_open_[order_[start]] = true;
      beam_close_[order_[k]] = true;
    }
    open = false;
  }
}

bool staff_music::has_notes(std::size_t index) const {
  return index < upper_.size() && upper_[index].size() > 0;
}

std::string staff_music::chord_text(const voice_part& notes, const std::string& dur,
                                    bool with_ties) const {
  const bool single = notes.size() == 1;
  std::string t = single ? "" : "<";
  bool first = true;
  notes.each([&](const score::note& n) {
    if (!first) t += ' ';
    first = false;
    t += head_text(n.head) + pitch_text(n.sound);
    if (n.redundant_accidental) t += '!';
    if (single) t += dur;
    if (with_ties && tied_.count(&n)) t += '~';
  });
  if (!single) t += ">" + dur;
  return t;
}

void staff_music::grace(const event& e) {
  voice_part notes;
  notes.lists = {&e.main.notes, &e.second.notes};
  if (!graces_.empty()) graces_ += ' ';
  graces_ += chord_text(notes, duration_text(e.main.base, e.main.dots), false);
  ++grace_count_;
}

void staff_music::flush_graces() {
  if (graces_.empty()) return;
  out_.token(grace_count_ == 1 ? "\\grace " + graces_ : "\\grace { " + graces_ + " }");
  graces_.clear();
  grace_count_ = 0;
}

// Two voices while a longer chord part sounds on: the staff's voice takes the upper shape
// until the longer notes end, then its own again.
void staff_music::two_voices(const event& e, const voice_part& upper) {
  static constexpr std::array<std::string_view, 3> home = {"\\oneVoice", "\\voiceOne",
                                                           "\\voiceTwo"};
  const bool starts_lower = e.has_second && !same_length(e.main, e.second);
  if (out_.is_open(nest::two_voices) && e.onset >= two_voices_until_ && !starts_lower)
    out_.close(nest::two_voices, home[static_cast<std::size_t>(shape_)]);
  if (!starts_lower) return;
  const chord_part& longer = upper.part == &e.main ? e.second : e.main;
  lower(e.onset, longer);
  // A layer keeps its own shape; a voice alone on its staff becomes the upper one.
  if (!out_.is_open(nest::two_voices))
    out_.open(nest::two_voices, shape_ == voice_shape::alone ? "\\voiceOne" : "");
  two_voices_until_ = std::max(two_voices_until_, e.onset + longer.length);
}

void staff_music::main_event(std::size_t index, const event& e) {
  const voice_part& upper = upper_[index];
  const bool triplet = upper.part->triplet;
  if (!triplet || e.triplet == score::triplet_mark::first) out_.close(nest::tuplet);
  two_voices(e, upper);
  break_point(e);
  stem(e);
  flush_graces();
  if (triplet && !out_.is_open(nest::tuplet)) out_.open(nest::tuplet, "\\tuplet 3/2 {");
  const std::string dur = duration_text(upper.part->base, upper.part->dots);
  std::string token = upper.size() == 0 ? rest_text(e, dur) : chord_text(upper, dur, true);
  if (beam_open_[index]) token += "[";
  if (beam_close_[index]) token += "]";
  if (slur_open_[index]) token += "(";
  if (slur_close_[index]) token += ")";
  const std::string post = marks_.post_events(e);
  token += post;
  // A hidden note keeps its time, its syllable, its ties and marks; only its drawing goes.
  if (!e.visible && upper.size() > 0) token = "\\hideNotes " + token + " \\unHideNotes";
  // A muted note is drawn but silent: the MIDI takes a skip of its length with its marks.
  if (e.muted && upper.size() > 0)
    token = "\\tag #'page { " + token + " } \\tag #'midi { s" + dur + post + " }";
  out_.token(token);
  if (e.triplet == score::triplet_mark::end) out_.close(nest::tuplet);
}

// Stems as the score turns them, one command for a run of them. Where two voices share the
// staff their shapes set the stems, and leaving them sets every stem free again.
void staff_music::stem(const event& e) {
  using score::stem_direction;
  if (shape_ != voice_shape::alone || out_.is_open(nest::two_voices)) {
    stem_ = stem_direction::neutral;
    return;
  }
  if (e.is_rest() || e.stem == stem_) return;
  static constexpr std::array<std::string_view, 3> commands = {"\\stemNeutral", "\\stemUp",
                                                               "\\stemDown"};
  out_.token(std::string(commands[static_cast<std::size_t>(e.stem)]));
  stem_ = e.stem;
}

// An invisible bar line where the page may break a line though this staff has none.
void staff_music::break_point(const event& e) {
  if (e.onset > rational(0) && layout_.break_points.count(e.onset) && !own_bars_.count(e.onset))
    out_.token("\\bar \"\"");
}

// The longer notes of a chord go to a voice of their own, silent elsewhere.
void staff_music::lower(rational onset, const chord_part& part) {
  std::size_t v = 0;
  while (v < lower_.size() && lower_[v].until > onset)
    ++v;
  // Under a layered staff's own voice the longer notes take the third or fourth shape.
  static constexpr std::array<std::string_view, 3> shapes = {"\\voiceTwo", "\\voiceThree",
                                                             "\\voiceFour"};
  if (v == lower_.size()) {
    lower_.push_back({rational(0), printer({.tokens_per_line = lower_voice_tokens_per_line})});
    lower_.back().out.token(std::string(shapes[static_cast<std::size_t>(shape_)]) +
                            " \\autoBeamOff");
  }
  lower_voice& voice = lower_[v];
  voice_part notes;
  notes.lists = {&part.notes, nullptr};
  std::string token;
  if (onset > voice.until) {
    token = "s";
    token += length_text(onset - voice.until);
    token += ' ';
  }
  std::string dur = duration_text(part.base, part.dots);
  if (part.triplet) dur += "*2/3";
  token += chord_text(notes, dur, false);
  voice.out.token(token);
  voice.until = onset + part.length;
}

}  // namespace choirly::page
