// A staff's music written measure by measure through one printer.
#include "page/staff_music.hpp"

#include <algorithm>
#include <array>
#include <unordered_map>

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

int top(const chord_part& part) {
  int highest = part.notes.empty() ? 0 : part.notes.front().position;
  for (const score::note& n : part.notes)
    highest = std::max(highest, n.position);
  return highest;
}

// Of a chord's two parts of one length, the one whose stems stand up: NoteWorthy turns the
// Dur/Pos notes' stems as the chord's Stem option says and the Dur2/Pos2 notes' the other way.
const chord_part& upper_of_split(const event& e) {
  if (e.stem == score::stem_direction::up) return e.main;
  if (e.stem == score::stem_direction::down) return e.second;
  // Neither turned: the higher notes stand above, a rest keeps the upper place.
  if (e.main.notes.empty()) return e.main;
  return top(e.main) >= top(e.second) ? e.main : e.second;
}

// A beam needs notes at both ends and flags on every event it joins.
bool beamable(const event& e, const voice_part& notes, bool end) {
  return notes.part->base >= 8 && (!end || notes.size() > 0) && !e.full_measure_rest;
}

// Whether the rising list `points` holds `at`. The events ask with rising onsets, so the
// cursor moves on from the last answer instead of searching the list each time.
bool holds(const std::vector<rational>& points, rational at, std::size_t& cursor) {
  if (cursor > 0 && at <= points[cursor - 1])
    cursor = static_cast<std::size_t>(std::lower_bound(points.begin(), points.end(), at) -
                                      points.begin());
  while (cursor < points.size() && points[cursor] < at)
    ++cursor;
  return cursor < points.size() && points[cursor] == at;
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
  // A tie over the notes between waits for the next note of its pitch.
  if (waits_[0]) out_.token("\\set tieWaitForNote = ##t");
  const bool beams = std::find(beam_open_.begin(), beam_open_.end(), true) != beam_open_.end();
  // A beam is no melisma in NoteWorthy: the syllables stay on the notes the score gives them.
  if (beams && !staff_.lyrics.empty())
    out_.token(
        "\\set melismaBusyProperties = #'(melismaBusy slurMelismaBusy tieMelismaBusy "
        "completionBusy)");
  for (const score::item& it : staff_.items)
    if (const auto* b = std::get_if<score::bar_line>(&it)) own_bars_.push_back(b->onset);
  std::sort(own_bars_.begin(), own_bars_.end());
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
  lower_part_.assign(staff_.items.size(), nullptr);
  lower_voice_.assign(staff_.items.size(), 0);
  std::vector<rational> lower_until;  // when each lower voice falls silent
  for (std::size_t index : order_) {
    const event& e = std::get<event>(staff_.items[index]);
    voice_part upper;
    upper.part = &e.main;
    upper.lists = {&e.main.notes, nullptr};
    if (e.has_second) {
      // Two parts: the shorter, or the one stemmed up, in this voice; the other below.
      upper.part = same_length(e.main, e.second)     ? &upper_of_split(e)
                   : e.second.length < e.main.length ? &e.second
                                                     : &e.main;
      upper.lists = {&upper.part->notes, nullptr};
      const chord_part* low = upper.part == &e.main ? &e.second : &e.main;
      std::size_t v = 0;
      while (v < lower_until.size() && lower_until[v] > e.onset)
        ++v;
      if (v == lower_until.size()) lower_until.emplace_back();
      lower_until[v] = e.onset + low->length;
      lower_part_[index] = low;
      lower_voice_[index] = v;
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
    slot_items_.push_back(order_[k]);
    slots_.push_back({std::get<event>(staff_.items[order_[k]]).takes_syllable, before});
  }
  plan_ties();
  plan_beams();
  for (std::size_t s = 0; s < slots_.size(); ++s)
    upper_[slot_items_[s]].each([&](const score::note& n) {
      if (tied_into_.count(&n)) slots_[s].melisma = true;
    });
}

// Each voice's events in order, the staff's own voice first, with the notes each writes and
// when they end.
std::vector<std::vector<staff_music::tie_entry>> staff_music::tie_voices() const {
  std::vector<std::vector<tie_entry>> voices(1);
  for (std::size_t i = 0; i < staff_.items.size(); ++i) {
    const auto* e = std::get_if<event>(&staff_.items[i]);
    if (!e) continue;
    if (e->grace) {
      voices[0].push_back({e, {&e->main.notes, &e->second.notes}, e->onset});
      continue;
    }
    voices[0].push_back({e, upper_[i].lists, e->onset + upper_[i].part->length});
    if (const chord_part* low = lower_part_[i]) {
      const std::size_t v = lower_voice_[i] + 1;
      if (voices.size() <= v) voices.resize(v + 1);
      voices[v].push_back({e, {&low->notes, nullptr}, e->onset + low->length});
    }
  }
  return voices;
}

const score::note* staff_music::tie_target(const score::note& n) const {
  if (!n.tied_to) return nullptr;
  const event& to = std::get<event>(staff_.items[n.tied_to->item]);
  return &(n.tied_to->part == 0 ? to.main : to.second).notes[n.tied_to->index];
}

// Every written tie: to its note in this voice, over the notes between where it skips some,
// and left to ring where its note sounds in another voice or none takes it. LilyPond ties a
// note only to one in its own voice.
void staff_music::plan_ties() {
  const std::vector<std::vector<tie_entry>> voices = tie_voices();
  const auto each_note = [&](auto&& visit) {
    for (std::size_t v = 0; v < voices.size(); ++v)
      for (std::size_t p = 0; p < voices[v].size(); ++p)
        for (const std::vector<score::note>* list : voices[v][p].lists)
          if (list)
            for (const score::note& n : *list)
              visit(n, v, p);
  };
  // Where each note a tie reaches stands: its voice and place there.
  std::unordered_map<const score::note*, std::pair<std::size_t, std::size_t>> where;
  each_note([&](const score::note& n, std::size_t, std::size_t) {
    if (const score::note* target = n.written_tie ? tie_target(n) : nullptr)
      where.emplace(target, std::pair{voices.size(), std::size_t{0}});
  });
  each_note([&](const score::note& n, std::size_t v, std::size_t p) {
    if (const auto found = where.find(&n); found != where.end()) found->second = {v, p};
  });
  std::erase_if(where, [&](const auto& w) { return w.second.first == voices.size(); });
  waits_.assign(voices.size(), false);
  for (std::size_t v = 0; v < voices.size(); ++v)
    for (std::size_t p = 0; p < voices[v].size(); ++p)
      for (const std::vector<score::note>* list : voices[v][p].lists)
        if (list)
          for (const score::note& n : *list) {
            if (!n.written_tie) continue;
            const score::note* target = tie_target(n);
            const auto found = target ? where.find(target) : where.end();
            if (found == where.end() || found->second.first != v) {
              let_ring_.insert(&n);
              continue;
            }
            tied_.insert(&n);
            const tie_entry& from = voices[v][p];
            const bool next = found->second.second == p + 1 &&
                              (from.e->grace || voices[v][p + 1].e->onset == from.end);
            if (!next)
              waits_[v] = true;
            else if (v == 0 && !from.e->grace)
              tied_into_.insert(target);
          }
}

// Beams as the score draws them: Beam=First, Beam ... Beam=End over events in a row; a
// group the page cannot beam (a quarter inside, a rest at an end, no end) is left flagged.
void staff_music::plan_beams() {
  beam_open_.assign(staff_.items.size(), false);
  beam_close_.assign(staff_.items.size(), false);
  lower_beam_open_.assign(staff_.items.size(), false);
  lower_beam_close_.assign(staff_.items.size(), false);
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
      lower_beam(start, k);
    }
    open = false;
  }
}

// A beamed run of chords whose two parts have one length beams the lower voice's part too,
// when the whole run sounds in that voice.
void staff_music::lower_beam(std::size_t start, std::size_t end) {
  for (std::size_t k = start; k <= end; ++k) {
    const chord_part* low = lower_part_[order_[k]];
    if (!low || !same_length(*low, *upper_[order_[k]].part) || low->base < 8 ||
        lower_voice_[order_[k]] != lower_voice_[order_[start]])
      return;
    if ((k == start || k == end) && low->notes.empty()) return;
  }
  lower_beam_open_[order_[start]] = true;
  lower_beam_close_[order_[end]] = true;
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
    if (with_ties && let_ring_.count(&n)) t += "\\laissezVibrer";
  });
  if (!single) t += ">" + dur;
  return t;
}

void staff_music::grace(const event& e) {
  voice_part notes;
  notes.lists = {&e.main.notes, &e.second.notes};
  if (!graces_.empty()) graces_ += ' ';
  graces_ += chord_text(notes, duration_text(e.main.base, e.main.dots), true);
  ++grace_count_;
}

void staff_music::flush_graces() {
  if (graces_.empty()) return;
  out_.token(grace_count_ == 1 ? "\\grace " + graces_ : "\\grace { " + graces_ + " }");
  graces_.clear();
  grace_count_ = 0;
}

// Two voices while a chord's second part sounds: the staff's voice takes the upper shape
// until the lower notes end, then its own again, so that a run of such chords is one span.
void staff_music::two_voices(std::size_t index, const event& e) {
  static constexpr std::array<std::string_view, 3> home = {"\\oneVoice", "\\voiceOne",
                                                           "\\voiceTwo"};
  const chord_part* low = lower_part_[index];
  if (out_.is_open(nest::two_voices) && e.onset >= two_voices_until_ && !low)
    out_.close(nest::two_voices, home[static_cast<std::size_t>(shape_)]);
  if (!low) return;
  lower(index, e);
  // A layer keeps its own shape; a voice alone on its staff becomes the upper one.
  if (!out_.is_open(nest::two_voices))
    out_.open(nest::two_voices, shape_ == voice_shape::alone ? "\\voiceOne" : "");
  two_voices_until_ = std::max(two_voices_until_, e.onset + low->length);
}

void staff_music::main_event(std::size_t index, const event& e) {
  const voice_part& upper = upper_[index];
  const bool triplet = upper.part->triplet;
  if (!triplet || e.triplet == score::triplet_mark::first) out_.close(nest::tuplet);
  two_voices(index, e);
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
  if (e.onset > rational(0) && holds(layout_.break_points, e.onset, next_break_) &&
      !holds(own_bars_, e.onset, next_bar_))
    out_.token("\\bar \"\"");
}

// A chord's lower part goes to a voice of its own, silent elsewhere.
void staff_music::lower(std::size_t index, const event& e) {
  const std::size_t v = lower_voice_[index];
  // Under a layered staff's own voice the lower notes take the third or fourth shape.
  static constexpr std::array<std::string_view, 3> shapes = {"\\voiceTwo", "\\voiceThree",
                                                             "\\voiceFour"};
  if (v == lower_.size()) {
    lower_.push_back({rational(0), printer({.tokens_per_line = lower_voice_tokens_per_line})});
    lower_.back().out.token(std::string(shapes[static_cast<std::size_t>(shape_)]) +
                            " \\autoBeamOff");
    if (v + 1 < waits_.size() && waits_[v + 1])
      lower_.back().out.token("\\set tieWaitForNote = ##t");
  }
  lower_voice& voice = lower_[v];
  const chord_part& part = *lower_part_[index];
  voice_part notes;
  notes.part = &part;
  notes.lists = {&part.notes, nullptr};
  std::string token;
  if (e.onset > voice.until) {
    token = "s";
    token += length_text(e.onset - voice.until);
    token += ' ';
  }
  std::string dur = duration_text(part.base, part.dots);
  if (part.triplet) dur += "*2/3";
  std::string body =
      notes.size() == 0 ? (e.visible ? "r" : "s") + dur : chord_text(notes, dur, true);
  if (lower_beam_open_[index]) body += "[";
  if (lower_beam_close_[index]) body += "]";
  if (!e.visible && notes.size() > 0) body = "\\hideNotes " + body + " \\unHideNotes";
  voice.out.token(token + body);
  voice.until = e.onset + part.length;
}

}  // namespace choirly::page
