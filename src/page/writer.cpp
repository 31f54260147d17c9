// The page as a document: the header, a variable for each staff's music, its lower voices and
// verses, the \score that assembles them with its layout, and the MIDI score when it needs one.
#include "page/writer.hpp"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

#include "page/instruments.hpp"
#include "page/left_out.hpp"
#include "page/notation.hpp"
#include "page/parts.hpp"
#include "page/repeats.hpp"
#include "page/staff_music.hpp"
#include "page/staves.hpp"

namespace choirly::page {

namespace {

constexpr std::size_t midi_channels = 16;

using score::event;
using score::rational;

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

// Where a staff's bar lines and time signatures stand, to compare staves.
struct staff_timing {
  std::set<std::pair<rational, rational>> times;  // (onset, measure length)
  std::set<rational> bars;
  rational end;
};

staff_timing timing_of(const score::staff& s) {
  staff_timing m;
  rational now;
  rational length(1);  // without a time signature a staff counts 4/4
  for (const score::item& it : s.items) {
    if (const auto* e = std::get_if<event>(&it)) now = e->onset + e->advance;
    if (const auto* b = std::get_if<score::bar_line>(&it)) m.bars.insert(b->onset);
    if (const auto* t = std::get_if<score::time_change>(&it); t && t->measure_length() != length) {
      length = t->measure_length();
      m.times.insert({now, length});
    }
  }
  m.end = now;
  return m;
}

// True when every staff taken has its bar lines and time signatures where the others have
// theirs, as far as both go, so that one timing serves them all.
bool timings_agree(const std::vector<staff_timing>& timings, const score::score& model,
                   bool hidden_too) {
  const auto agree = [](const staff_timing& a, const staff_timing& b) {
    for (const rational& bar : a.bars)
      if (bar < b.end && bar > rational(0) && !b.bars.count(bar)) return false;
    for (const auto& t : a.times)
      if (t.first < b.end && !b.times.count(t)) return false;
    return true;
  };
  // Two staves that each agree with the longest agree with each other, as far as both go.
  const staff_timing* longest = nullptr;
  for (std::size_t i = 0; i < timings.size(); ++i)
    if ((hidden_too || model.staves[i].visible) && (!longest || longest->end < timings[i].end))
      longest = &timings[i];
  for (std::size_t i = 0; i < timings.size(); ++i)
    if ((hidden_too || model.staves[i].visible) &&
        (!agree(timings[i], *longest) || !agree(*longest, timings[i])))
      return false;
  return true;
}

// The labels a page staff prints: on the first system, and on the later ones. A layered
// pair is labelled by its upper staff; a file without page setup labels the first system.
struct staff_label {
  std::string first, later;
};

staff_label label_of(const score::score& model, const page_staff& p) {
  const score::staff& upper = model.staves[p.staves.front()];
  const score::page_setup& page = model.page;
  if (page.has_setup && page.labels == score::staff_labels::none) return {};
  staff_label label{upper.label, {}};
  if (page.labels == score::staff_labels::top_systems ||
      page.labels == score::staff_labels::all_systems)
    label.later = upper.label_abbreviation;
  if (page.labels == score::staff_labels::all_systems && label.later.empty())
    label.later = upper.label;
  return label;
}

// About how wide a label prints, in millimetres.
double label_width(const std::string& label) {
  double width = 0;
  for (std::size_t i = 0; i < label.size(); ++i) {
    const auto c = static_cast<unsigned char>(label[i]);
    if ((c & 0xC0) == 0x80) continue;  // inside a character
    // Hangul and CJK (three-byte characters from U+1100 on) are about twice as wide.
    width += c >= 0xE1 ? 3.6 : 1.9;
  }
  return width;
}

// LilyPond leaves 15 mm before the first system for the staff names and none before the
// later ones; a longer label would stand in the page margin, so the systems move in as far
// as the longest needs.
std::string indent_setting(const score::score& model, const std::vector<page_staff>& staves) {
  double widest = 0, widest_later = 0;
  for (const page_staff& p : staves) {
    const staff_label label = label_of(model, p);
    widest = std::max(widest, label_width(label.first));
    widest_later = std::max(widest_later, label_width(label.later));
  }
  std::string out;
  if (const int millimetres = static_cast<int>(widest) + 2; millimetres > 15)
    out += "    indent = " + std::to_string(millimetres) + "\\mm\n";
  if (widest_later > 0)
    out += "    short-indent = " + std::to_string(static_cast<int>(widest_later) + 2) + "\\mm\n";
  return out;
}

struct written_staff {
  std::string base;  // the name its variables begin with
  std::string music_name;
  std::string music;  // the variables' bodies
  std::vector<std::string> lower_names, lowers;
  std::vector<std::string> verse_names;
};

std::string indent(int depth) {
  return std::string(static_cast<std::size_t>(depth) * 2, ' ');
}

// The voice each model staff writes: alone, or the upper or lower layer of its page staff.
std::vector<voice_shape> voice_shapes(const score::score& model,
                                      const std::vector<page_staff>& staves) {
  std::vector<voice_shape> shapes(model.staves.size(), voice_shape::alone);
  for (const page_staff& p : staves)
    if (p.staves.size() > 1)
      for (std::size_t v = 0; v < p.staves.size(); ++v)
        shapes[p.staves[v]] = v + 1 == p.staves.size() ? voice_shape::lower : voice_shape::upper;
  return shapes;
}

// The variables of the document: a name for each staff's music, its lower voices and verses.
class variables {
 public:
  variables(const score::score& model, const repeat_plan& repeats,
            const std::vector<voice_shape>& shapes, const staff_layout& layout)
      : model_(model),
        repeats_(repeats),
        shapes_(shapes),
        layout_(layout),
        written_(model.staves.size()),
        texts_(model.staves.size()) {
    // Visible staves print the tempo marks; a hidden staff's own marks still reach the MIDI.
    for (int pass = 0; pass < 2; ++pass)
      for (std::size_t i = 0; i < model.staves.size(); ++i)
        if (model.staves[i].visible == (pass == 0)) write(i);
  }

  const std::vector<written_staff>& written() const { return written_; }
  std::string text() const {
    std::string out;
    for (const std::string& t : texts_)
      out += t;
    return out;
  }

 private:
  // Many staves of one name take the next free number, not a search from two each.
  std::string base_name(std::size_t i) {
    std::string base = identifier(model_.staves[i].name);
    if (base.empty()) base = "staff" + number_word(static_cast<int>(i) + 1);
    if (names_.count(base)) {
      int& n = next_number_[base];
      if (n < 2) n = 2;
      while (names_.count(base + number_word(n)))
        ++n;
      base += number_word(n++);
    }
    names_.insert(base);
    return base;
  }

  void write(std::size_t i) {
    const std::string base = base_name(i);
    const staff_music music(model_.staves[i], score_marks_, shapes_[i], repeats_.staves[i],
                            repeats_.per_staff, layout_);
    written_staff& w = written_[i];
    w.base = base;
    w.music_name = base + "Music";
    w.music = music.music();
    std::string text = w.music_name + " = {\n" + w.music + "}\n\n";
    const std::vector<std::string> lowers = music.lower_voices();
    w.lowers = lowers;
    for (std::size_t v = 0; v < lowers.size(); ++v) {
      w.lower_names.push_back(base + "Lower" + (v ? number_word(static_cast<int>(v) + 1) : ""));
      text += w.lower_names.back() + " = {\n" + lowers[v] + "}\n\n";
    }
    const std::vector<std::string> verses = music.verses();
    for (std::size_t k = 0; k < verses.size(); ++k) {
      w.verse_names.push_back(base + "Verse" + number_word(static_cast<int>(k) + 1));
      text += w.verse_names.back() + " = \\lyricmode {\n" + verses[k] + "}\n\n";
    }
    texts_[i] = std::move(text);
  }

  const score::score& model_;
  const repeat_plan& repeats_;
  const std::vector<voice_shape>& shapes_;
  const staff_layout& layout_;
  std::vector<written_staff> written_;
  std::vector<std::string> texts_;
  std::set<std::string> names_;
  std::map<std::string, int> next_number_;
  std::set<std::string> score_marks_;  // tempo and flow marks written once for the score
};

// A staff with muted notes writes them for the page and skips for the MIDI, tagged so.
bool has_muted_notes(const score::staff& s) {
  return std::any_of(s.items.begin(), s.items.end(), [](const score::item& it) {
    const auto* e = std::get_if<event>(&it);
    return e && e->muted && !e->grace && !e->is_rest();
  });
}

// How a staff's music is named in a score for the page ("page") or for the MIDI ("midi").
std::string music_use(const score::staff& s, const std::string& name, std::string_view keep) {
  if (!has_muted_notes(s)) return "\\" + name;
  return std::string("\\removeWithTag #'") + (keep == "page" ? "midi" : "page") + " \\" + name;
}

// A verse with words on the notes; an empty one would leave LilyPond a \\lyricsto to warn of.
bool sung(const score::lyric_line& line) {
  return std::any_of(line.syllables.begin(), line.syllables.end(), [](const score::syllable& s) {
    return s.placed && s.text.find_first_not_of(' ') != std::string::npos;
  });
}

// Where a staff's verses stand and how they align, when not under it and centred.
std::string verse_setting(const score::staff& s, int page_number) {
  std::string with;
  if (s.lyrics_above) with += " alignAboveContext = \"staff" + std::to_string(page_number) + "\"";
  if (s.lyrics_left) with += " \\override LyricText.self-alignment-X = #LEFT";
  return with.empty() ? "" : " \\with {" + with + " }";
}

// A page staff: its voices, the layered one first, and the verses under them.
// `number_bars`: this staff carries the bar numbers, the score's timing being each staff's.
std::string staff_block(const score::score& model, const std::vector<written_staff>& written,
                        const page_staff& p, int depth, bool number_bars) {
  const score::staff& shown = model.staves[p.staves.back()];
  const staff_label label = label_of(model, p);
  std::string t = indent(depth) + "\\new Staff = \"staff" + std::to_string(p.number) + "\"";
  std::string with;
  if (!label.first.empty()) with += " instrumentName = " + quoted(label.first);
  if (!label.later.empty()) with += " shortInstrumentName = " + quoted(label.later);
  with += instrument_setting(shown);
  if (number_bars) with += " \\consists Bar_number_engraver";
  if (!with.empty()) t += " \\with {" + with + " }";
  t += " <<\n";
  for (std::size_t v = 0; v < p.staves.size(); ++v) {
    const std::size_t i = p.staves[v];
    const std::string shape = p.staves.size() == 1 ? "" : (v == 0 ? "\\voiceOne " : "\\voiceTwo ");
    t += indent(depth + 1) + "\\new Voice = \"voice" + std::to_string(i + 1) + "\" { " + shape +
         music_use(model.staves[i], written[i].music_name, "page") + " }\n";
    // The lower voices are named too, for the events log to tell their stems.
    for (std::size_t k = 0; k < written[i].lower_names.size(); ++k)
      t += indent(depth + 1) + "\\new Voice = \"voice" + std::to_string(i + 1) + "lower" +
           std::to_string(k + 1) + "\" { \\" + written[i].lower_names[k] + " }\n";
  }
  t += indent(depth) + ">>\n";
  for (std::size_t i : p.staves)
    for (std::size_t k = 0; k < written[i].verse_names.size(); ++k) {
      if (!sung(model.staves[i].lyrics[k])) continue;
      t += indent(depth) + "\\new Lyrics = \"staff" + std::to_string(i + 1) + "-verse" +
           std::to_string(k + 1) + "\"" + verse_setting(model.staves[i], p.number) +
           " \\lyricsto \"voice" + std::to_string(i + 1) + "\" { \\" + written[i].verse_names[k] +
           " }\n";
    }
  return t;
}

// The page staves from `p` to the end of their group, in a group context when they are more
// than one; `p` moves past them.
// `numbered`: the page staff that carries the bar numbers itself, if any.
std::string group_block(const score::score& model, const std::vector<written_staff>& written,
                        const std::vector<page_staff>& staves, std::size_t& p,
                        std::size_t numbered) {
  std::size_t end = p;
  while (end + 1 < staves.size() && staves[end].group != score::group_with_next::none)
    ++end;
  if (end == p) {
    ++p;
    return staff_block(model, written, staves[p - 1], 2, p - 1 == numbered);
  }
  bool all_braces = true, lyrics = false;
  for (std::size_t q = p; q <= end; ++q) {
    if (q < end && staves[q].group != score::group_with_next::brace) all_braces = false;
    for (std::size_t i : staves[q].staves)
      for (const score::lyric_line& l : model.staves[i].lyrics)
        lyrics = lyrics || sung(l);
  }
  const char* group = all_braces ? "PianoStaff" : lyrics ? "ChoirStaff" : "StaffGroup";
  std::string out = indent(2) + "\\new " + group + " <<\n";
  for (; p <= end; ++p)
    out += staff_block(model, written, staves[p], 3, p == numbered);
  return out + indent(2) + ">>\n";
}

// How the bar numbers look, in the context that counts the measures: at the start of every
// system, the first one too, circled or boxed as the score asks.
std::string bar_number_settings(const score::page_setup& page, bool own_timing) {
  if (!page.has_setup) return {};
  if (page.numbers == score::bar_numbers::none)
    return own_timing ? "" : "    \\context { \\Score \\remove Bar_number_engraver }\n";
  // Where each staff keeps its own measures, the top staff prints them (see staff_block).
  std::string out = "    \\context { \\Score\n";
  if (own_timing) out += "      \\remove Bar_number_engraver\n";
  out +=
      "      barNumberVisibility = #all-bar-numbers-visible\n"
      "      \\override BarNumber.break-visibility = ##(#f #f #t)\n";
  if (page.numbers == score::bar_numbers::circled)
    out +=
        "      \\override BarNumber.stencil = #(make-stencil-circler 0.1 0.25 "
        "ly:text-interface::print)\n";
  if (page.numbers == score::bar_numbers::boxed)
    out +=
        "      \\override BarNumber.stencil = #(make-stencil-boxer 0.1 0.25 "
        "ly:text-interface::print)\n";
  return out + "    }\n";
}

// A \layout or \midi block with what it must be told of the staves' timing and repeats.
std::string output_block(std::string_view name, bool agree, bool per_staff_repeats,
                         const std::string& layout_text) {
  // Where the staves' bar lines disagree (NoteWorthy Composer keeps them apart), each
  // staff keeps its own measures.
  constexpr std::string_view own_timing =
      "    \\context { \\Score \\remove Timing_translator }\n"
      "    \\context { \\Staff \\consists Timing_translator }\n";
  std::string settings = layout_text;
  // Staves whose repeats differ keep their own measures and draw their own brackets.
  if (!agree || per_staff_repeats) settings += own_timing;
  if (per_staff_repeats && name == "layout")
    settings +=
        "    \\context { \\Score \\remove Volta_engraver }\n"
        "    \\context { \\Staff \\consists Volta_engraver }\n";
  if (settings.empty()) return "  \\" + std::string(name) + " { }\n";
  return "  \\" + std::string(name) + " {\n" + settings + "  }\n";
}

// MIDI has 16 channels, the tenth for percussion. Up to 16 staves each play on a channel of
// their own; more share them as the score sets them: the staves of one Channel play from one
// MIDI staff, the first one's instrument and settings, and a muted one not at all. The drums
// come last: LilyPond numbers the channels in order, and percussion met earlier would take a
// number from the others.
std::vector<std::vector<std::size_t>> midi_staves(const score::score& model) {
  std::vector<std::vector<std::size_t>> groups;
  const bool share = model.staves.size() > midi_channels;
  std::map<int, std::size_t> by_channel;
  for (std::size_t i = 0; i < model.staves.size(); ++i) {
    const score::staff& s = model.staves[i];
    if (!share) {
      groups.push_back({i});
      continue;
    }
    if (s.muted) continue;
    const bool drums = instrument_setting(s).find("\"drums\"") != std::string::npos;
    const int channel = drums ? 10 : s.channel;
    if (channel != 0 && by_channel.count(channel)) {
      groups[by_channel[channel]].push_back(i);
      continue;
    }
    if (channel != 0) by_channel[channel] = groups.size();
    groups.push_back({i});
  }
  if (const auto drums = by_channel.find(10); drums != by_channel.end())
    std::rotate(groups.begin() + static_cast<std::ptrdiff_t>(drums->second),
                groups.begin() + static_cast<std::ptrdiff_t>(drums->second) + 1, groups.end());
  return groups;
}

// Hidden staves sound in the MIDI only, from a score of their own, which also plays the
// repeats as often as they are taken. `sounding` lists the model staves of each MIDI staff,
// `setting` gives each MIDI staff's \\with settings by its place in that list.
template <typename Setting>
std::string midi_score(const score::score& model, const std::vector<written_staff>& written,
                       const std::vector<std::vector<std::size_t>>& sounding, bool unfold,
                       Setting setting) {
  std::string out = "\\score {\n  " + std::string(unfold ? "\\unfoldRepeats " : "") + "<<\n";
  for (std::size_t k = 0; k < sounding.size(); ++k) {
    const std::string with = setting(k);
    out += "    \\new Staff" + (with.empty() ? "" : " \\with {" + with + " }") + " <<\n";
    for (std::size_t i : sounding[k]) {
      out += indent(3) + "\\new Voice { " +
             music_use(model.staves[i], written[i].music_name, "midi") + " }\n";
      for (const std::string& lower : written[i].lower_names)
        out += indent(3) + "\\new Voice { \\" + lower + " }\n";
    }
    out += "    >>\n";
  }
  return out + "  >>\n";
}

// The paper as the score sets it out: margins in centimetres, bound on the inner side when
// mirrored, and the last system and the page's bottom left ragged unless stretched.
std::string paper_block(const score::page_setup& page) {
  std::string out;
  const auto length = [&](std::string_view name, double cm) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", cm);
    out += "  " + std::string(name) + " = " + text + "\\cm\n";
  };
  if (page.has_margins) {
    length("top-margin", page.margin_top);
    length("bottom-margin", page.margin_bottom);
    if (page.mirror_margins) out += "  two-sided = ##t\n";
    length(page.mirror_margins ? "inner-margin" : "left-margin", page.margin_left);
    length(page.mirror_margins ? "outer-margin" : "right-margin", page.margin_right);
  }
  if (page.has_setup) {
    if (!page.justify_vertically) out += "  ragged-bottom = ##t\n";
    if (!page.extend_last_system) out += "  ragged-last = ##t\n";
  }
  return out.empty() ? "" : "\\paper {\n" + out + "}\n\n";
}

// Where a line may break: at every staff's bar lines, so that staves whose bar lines differ
// still break together, and on every beat of a measure that runs past its time signature
// (a cadenza, rests written without bar lines), which no line might otherwise hold.
std::vector<rational> break_points(const score::score& model) {
  std::vector<rational> bars, points;
  std::size_t shown = 0;
  for (const score::staff& s : model.staves) {
    if (!s.visible) continue;
    ++shown;
    for (const score::item& it : s.items)
      if (const auto* b = std::get_if<score::bar_line>(&it)) bars.push_back(b->onset);
    for (const score::measure& m : s.measures)
      if (m.length > m.expected && m.length > rational(2))
        for (rational at = m.onset + rational(1, 4); at < m.onset + m.length;
             at = at + rational(1, 4))
          points.push_back(at);
  }
  if (shown > 1) points.insert(points.end(), bars.begin(), bars.end());
  std::sort(points.begin(), points.end());
  points.erase(std::unique(points.begin(), points.end()), points.end());
  return points;
}

// Each line of a block one step further in, blank lines left empty.
std::string indented(const std::string& text) {
  std::string out;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    end = end == std::string::npos ? text.size() : end + 1;
    if (text[start] != '\n') out += "  ";
    out.append(text, start, end - start);
    start = end;
  }
  return out;
}

// What every part's books are made from: the full score's plan and variables.
struct part_context {
  const score::score& model;
  const std::vector<page_staff>& staves;
  const repeat_plan& repeats;
  const staff_layout& layout;
  const std::vector<written_staff>& written;
  const std::vector<std::vector<std::size_t>>& sounding;  // the model staves of each MIDI staff
  std::string midi_settings;  // the \midi block of the full score's playback
};

// A part's own music variables, its page as a \book, and its rehearsal playback as another.
std::string part_books(const part_context& c, const part& part) {
  const page_staff& shown = c.staves[part.page_staff];
  const std::vector<voice_shape> shapes = voice_shapes(c.model, c.staves);
  // The part's staves written again, with the marks of the whole score they lacked, under
  // names of their own where that changes them; their verses are the full score's.
  std::vector<written_staff> written = c.written;
  const std::vector<score::staff> own = part_staves(c.model, shown);
  std::set<std::string> marks;
  std::string out;
  for (std::size_t v = 0; v < shown.staves.size(); ++v) {
    const std::size_t i = shown.staves[v];
    const staff_music music(own[v], marks, shapes[i], c.repeats.staves[i], c.repeats.per_staff,
                            c.layout);
    written_staff& w = written[i];
    if (music.music() == w.music && music.lower_voices() == w.lowers) continue;
    w.music_name = w.base + "PartMusic";
    out += w.music_name + " = {\n" + music.music() + "}\n\n";
    const std::vector<std::string> lowers = music.lower_voices();
    w.lower_names.clear();
    for (std::size_t k = 0; k < lowers.size(); ++k) {
      w.lower_names.push_back(w.base + "PartLower" +
                              (k ? number_word(static_cast<int>(k) + 1) : ""));
      out += w.lower_names.back() + " = {\n" + lowers[k] + "}\n\n";
    }
  }
  // A part numbers its measures as the full score does, at every system, whether or not the
  // full score shows the numbers: singers find their place by them.
  score::page_setup numbers = c.model.page;
  numbers.has_setup = true;
  if (numbers.numbers == score::bar_numbers::none) numbers.numbers = score::bar_numbers::plain;
  const bool own_timing = c.repeats.per_staff;
  std::string page =
      "\\score {\n  \\compressMMRests <<\n" + staff_block(c.model, written, shown, 2, own_timing) +
      "  >>\n" +
      output_block("layout", true, c.repeats.per_staff,
                   indent_setting(c.model, {shown}) + bar_number_settings(numbers, own_timing)) +
      "}\n";
  out += "\\book {\n  \\bookOutputSuffix " + quoted(part.suffix) +
         "\n  \\header { instrument = " + quoted(part.title.empty() ? part.suffix : part.title) +
         " }\n" + indented(page) + "}\n\n";
  // The rehearsal: the staves of the full score's playback, the part's own ones leading; the
  // voices above it to the left. A MIDI staff plays as the last of its model staves.
  const std::size_t first = shown.staves.front();
  const auto setting = [&](std::size_t k) {
    const std::size_t i = c.sounding[k].back();
    const bool rehearsed =
        std::find(shown.staves.begin(), shown.staves.end(), i) != shown.staves.end();
    return rehearsal_setting(c.model.staves[i], rehearsed, i < first);
  };
  const std::string rehearsal =
      midi_score(c.model, c.written, c.sounding, c.repeats.volta, setting) + c.midi_settings +
      "}\n";
  out += "\\book {\n  \\bookOutputSuffix " + quoted(part.suffix + "-rehearsal") + "\n" +
         indented(rehearsal) + "}\n";
  return out;
}

}  // namespace

std::string write_page(const score::score& model, std::vector<score::diagnostic>& notes,
                       bool parts) {
  note_left_out(model, notes);
  const std::vector<page_staff> staves = plan_staves(model);
  const repeat_plan repeats = plan_repeats(model);
  // Say why the repeats are drawn bar by bar, which the MIDI then plays only once.
  for (const std::string& problem : repeats.problems)
    notes.push_back({0, "repeats drawn as bar lines and brackets: " + problem});
  const staff_layout layout{model.page.starting_bar, break_points(model)};
  const variables vars(model, repeats, voice_shapes(model, staves), layout);
  std::string out = "\\version \"2.24.0\"\n\n";
  // NoteWorthy's staff size and LilyPond's are both the staff's height in points.
  if (model.page.has_setup) {
    char size[32];
    std::snprintf(size, sizeof size, "%g", model.page.staff_size);
    out += "#(set-global-staff-size " + std::string(size) + ")\n\n";
  }
  out += paper_block(model.page) + header(model) + "\n" + vars.text();
  std::vector<staff_timing> timings;
  for (const score::staff& s : model.staves)
    timings.push_back(timing_of(s));
  const bool shown_agree = timings_agree(timings, model, false);
  const bool own_timing = !shown_agree || repeats.per_staff;
  const bool staff_numbers =
      own_timing && model.page.has_setup && model.page.numbers != score::bar_numbers::none;
  std::string full = "\\score {\n  <<\n";
  for (std::size_t p = 0; p < staves.size();)
    full += group_block(model, vars.written(), staves, p, staff_numbers ? 0 : staves.size());
  full += "  >>\n";
  full += output_block("layout", shown_agree, repeats.per_staff,
                       indent_setting(model, staves) + bar_number_settings(model.page, own_timing));
  // The MIDI staves: the page's, or, when hidden staves, muted notes or staves sharing
  // channels are to sound or be silent, a MIDI score of its own.
  bool own_midi = repeats.volta || model.staves.size() > midi_channels;
  for (const score::staff& s : model.staves)
    own_midi = own_midi || !s.visible || has_muted_notes(s);
  std::vector<std::vector<std::size_t>> sounding;
  if (own_midi)
    sounding = midi_staves(model);
  else
    for (const page_staff& p : staves)
      sounding.push_back(p.staves);
  const std::string midi_settings =
      own_midi ? output_block("midi", timings_agree(timings, model, true), repeats.per_staff, "")
               : output_block("midi", shown_agree, repeats.per_staff, "");
  if (!own_midi)
    full += midi_settings + "}\n";
  else
    full += "}\n\n" +
            midi_score(model, vars.written(), sounding, repeats.volta,
                       [&](std::size_t k) {
                         return instrument_setting(model.staves[sounding[k].front()]);
                       }) +
            midi_settings + "}\n";
  if (!parts) return out + full;
  out += "\\book {\n" + indented(full) + "}\n";
  const part_context context{model,          staves,   repeats,      layout,
                             vars.written(), sounding, midi_settings};
  for (const part& p : plan_parts(model, staves))
    out += "\n" + part_books(context, p);
  return out;
}

}  // namespace choirly::page
