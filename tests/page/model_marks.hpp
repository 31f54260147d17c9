// The marks a score's model says LilyPond engraves, beside its notes and syllables:
// "mark staffN ONSET KIND NAME" for articulations and hairpin starts, "mark staffN ONSET KIND
// SIDE NAME" for dynamics and texts, placed "up" or "down" by the mark's position, and
// "bar staffN ONSET GLYPH" for repeat bar lines. Worked out from the model's marks by the
// notation's own rules, with tables of its own: it shares no code with the page writer, so
// that a mistake there shows as a difference here.
#pragma once

#include <array>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "score/model.hpp"

namespace choirly::tests {

// What LilyPond engraves for a mark that waits for the next note: ("dynamic", "ff"),
// ("text", "rit."), ("articulation", "fermata"); nullopt for marks that print no such grob.
inline std::optional<std::pair<std::string, std::string>> engraved_kind(const score::mark& m) {
  using score::mark_kind;
  // The dynamics LilyPond has a command for.
  static const std::set<std::string_view> commands = {
      "ppppp", "pppp", "ppp", "pp",  "p",  "mp",  "mf",  "f",   "ff", "fff", "ffff",
      "fffff", "fp",   "sf",  "sff", "sp", "spp", "sfz", "rfz", "fz", "sfp"};
  // NoteWorthy's words and the abbreviations engraved for them.
  static const std::array<std::pair<std::string_view, std::string_view>, 12> words = {{
      {"Crescendo", "cresc."},
      {"Decrescendo", "decresc."},
      {"Diminuendo", "dim."},
      {"Accelerando", "accel."},
      {"Allargando", "allarg."},
      {"Rallentando", "rall."},
      {"Ritardando", "rit."},
      {"Ritenuto", "riten."},
      {"Rubato", "rubato"},
      {"Stringendo", "string."},
      {"Ad Libitum", "ad lib."},
      {"Sforzando", "sfz"},
  }};
  const auto word = [&](const std::string& style, bool lower) {
    for (const auto& [name, abbreviation] : words)
      if (style == name) return std::string(abbreviation);
    std::string out = style;
    if (lower)
      for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
    return out;
  };
  const auto some = [](std::string kind, std::string name) {
    return name.empty() ? std::nullopt : std::optional(std::pair(std::move(kind), std::move(name)));
  };
  switch (m.kind) {
    case mark_kind::dynamic:
      // A hidden dynamic is engraved without a stencil: the grob is there all the same.
      return some(commands.count(m.style) ? "dynamic" : "text", m.style);
    case mark_kind::dynamic_variance:
      if (m.style == "Sforzando") return some("dynamic", "sfz");
      if (m.style == "Rinforzando") return some("dynamic", "rfz");
      return m.visible ? some("text", word(m.style, true)) : std::nullopt;
    case mark_kind::text:
      if (!m.visible || m.text.find_first_not_of(" \n") == std::string::npos) return std::nullopt;
      return some("text", m.text);
    case mark_kind::performance_style:
    case mark_kind::tempo_variance:
      return m.visible ? some("text", word(m.style, m.kind == mark_kind::performance_style))
                       : std::nullopt;
    case mark_kind::fermata:
      return some("articulation", "fermata");
    default:
      return std::nullopt;
  }
}

// The same with the side it stands on before the name of a dynamic or a text.
inline std::optional<std::pair<std::string, std::string>> engraved_mark(const score::mark& m) {
  std::optional<std::pair<std::string, std::string>> engraved = engraved_kind(m);
  if (engraved && (engraved->first == "dynamic" || engraved->first == "text"))
    engraved->second = (m.above ? "up " : "down ") + engraved->second;
  return engraved;
}

inline std::string mark_events(const score::score& model, const std::vector<int>& numbers) {
  using score::rational;
  static constexpr std::array<std::pair<unsigned, const char*>, 6> articulations = {{
      {score::staccato, "staccato"},
      {score::staccatissimo, "staccatissimo"},
      {score::accent, "accent"},
      {score::marcato, "marcato"},
      {score::tenuto, "tenuto"},
      {score::fermata, "fermata"},
  }};
  std::string out;
  std::set<std::string> bars;  // a layered staff and the next one share their bar lines
  for (std::size_t i = 0; i < model.staves.size(); ++i) {
    if (numbers[i] == 0) continue;
    const std::string staff = "staff" + std::to_string(numbers[i]);
    const auto line = [&](rational onset, const std::string& kind, const std::string& name) {
      out += "mark " + staff + " " + onset.text() + " " + kind + " " + name + "\n";
    };
    // The marks met since the last note: a note takes one dynamic (an earlier one, if shown,
    // is engraved as words; a hidden one not at all) and one fermata.
    std::vector<std::pair<std::string, std::string>> waiting;
    bool dynamic = false;
    std::size_t dynamic_at = 0;
    bool dynamic_shown = false;
    bool fermata = false;
    score::hairpin_option hairpin = score::hairpin_option::none;
    rational end;
    for (const score::item& it : model.staves[i].items) {
      if (const auto* b = std::get_if<score::bar_line>(&it)) {
        const bool open = b->style == score::bar_style::repeat_open;
        if ((open && b->onset > rational(0)) || b->style == score::bar_style::repeat_close)
          bars.insert("bar " + staff + " " + b->onset.text() + (open ? " .|:" : " :|.") + "\n");
      }
      if (const auto* m = std::get_if<score::mark>(&it)) {
        std::optional<std::pair<std::string, std::string>> engraved = engraved_mark(*m);
        if (!engraved || (engraved->second == "fermata" && fermata)) continue;
        if (engraved->first == "dynamic") {
          if (dynamic)
            waiting[dynamic_at] = dynamic_shown
                                      ? std::pair(std::string("text"), waiting[dynamic_at].second)
                                      : std::pair(std::string(), std::string());
          dynamic = true;
          dynamic_at = waiting.size();
          dynamic_shown = m->visible;
        }
        fermata = fermata || engraved->second == "fermata";
        waiting.push_back(std::move(*engraved));
      }
      const auto* e = std::get_if<score::event>(&it);
      if (!e) continue;
      end = e->onset + e->advance;
      if (e->grace) continue;
      // A rest takes a fermata and no other articulation; a hidden rest is a skip, which
      // takes none.
      const bool rest = e->main.notes.empty();
      for (const auto& [bit, name] : articulations)
        if ((e->articulations & bit) && (!rest || bit == score::fermata) &&
            (e->visible || !e->is_rest()) && !(bit == score::fermata && fermata))
          line(e->onset, "articulation", name);
      // A hairpin starts where a run of notes with its option starts, or again after a
      // dynamic inside the run.
      if (e->hairpin != score::hairpin_option::none && (e->hairpin != hairpin || dynamic))
        line(e->onset, "hairpin",
             e->hairpin == score::hairpin_option::crescendo ? "crescendo" : "decrescendo");
      hairpin = e->hairpin;
      for (const auto& [kind, name] : waiting)
        if (!kind.empty()) line(e->onset, kind, name);
      waiting.clear();
      dynamic = false;
      fermata = false;
    }
    for (const auto& [kind, name] : waiting)
      if (!kind.empty()) line(end, kind, name);
  }
  for (const std::string& b : bars)
    out += b;
  return out;
}

}  // namespace choirly::tests
