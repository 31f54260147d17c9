// Marks, dynamics, hairpins and texts written as LilyPond post-events and marks.
#include "page/marks.hpp"

#include <array>
#include <cctype>
#include <utility>

#include "page/left_out.hpp"
#include "page/notation.hpp"

namespace choirly::page {

namespace {

using score::mark_kind;

constexpr std::array<std::string_view, 21> lily_dynamics = {
    "ppppp", "pppp", "ppp", "pp",  "p",  "mp",  "mf",  "f",   "ff", "fff", "ffff",
    "fffff", "fp",   "sf",  "sff", "sp", "spp", "sfz", "rfz", "fz", "sfp"};

std::string hidden(bool visible, const std::string& post) {
  return visible ? post : "-\\tweak stencil ##f " + post;
}

// A dynamic on the side the score puts it: LilyPond's own choice would follow the voice.
std::string sided(bool above, bool visible, const std::string& post) {
  return std::string(above ? "^" : "_") + (visible ? "" : "\\tweak stencil ##f ") + post;
}

std::string markup(bool above, std::string_view style, const std::string& text) {
  std::string out = above ? "^\\markup " : "_\\markup ";
  if (!style.empty()) {
    out += '\\';
    out += style;
    out += ' ';
  }
  return out + quoted(text);
}

std::string lower_case(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

std::string tempo_variance_text(const std::string& style) {
  static constexpr std::array<std::pair<std::string_view, std::string_view>, 7> names = {{
      {"Accelerando", "accel."},
      {"Allargando", "allarg."},
      {"Rallentando", "rall."},
      {"Ritardando", "rit."},
      {"Ritenuto", "riten."},
      {"Rubato", "rubato"},
      {"Stringendo", "string."},
  }};
  for (const auto& [name, text] : names)
    if (style == name) return std::string(text);
  return style;
}

std::string performance_text(const std::string& style) {
  if (style == "Ad Libitum") return "ad lib.";
  return lower_case(style);
}

}  // namespace

std::string printed_dynamic(const score::mark& m) {
  if (m.kind == mark_kind::dynamic) {
    for (std::string_view d : lily_dynamics)
      if (m.style == d) return m.style;
  }
  if (m.kind == mark_kind::dynamic_variance) {
    if (m.style == "Sforzando") return "sfz";
    if (m.style == "Rinforzando") return "rfz";
  }
  return "";
}

std::string printed_text(const score::mark& m) {
  switch (m.kind) {
    case mark_kind::dynamic:
      // A dynamic LilyPond has no command for prints as words in the dynamics' font.
      return printed_dynamic(m).empty() ? m.style : "";
    case mark_kind::dynamic_variance:
      if (!m.visible || !printed_dynamic(m).empty()) return "";
      return m.style == "Crescendo"     ? "cresc."
             : m.style == "Decrescendo" ? "decresc."
             : m.style == "Diminuendo"  ? "dim."
                                        : lower_case(m.style);
    case mark_kind::text:
      return m.visible && m.text.find_first_not_of(" \n") != std::string::npos ? m.text : "";
    case mark_kind::performance_style:
      return m.visible ? performance_text(m.style) : "";
    case mark_kind::tempo_variance:
      return m.visible ? tempo_variance_text(m.style) : "";
    default:
      return "";
  }
}

std::string flow_text(std::string_view style) {
  static constexpr std::array<std::pair<std::string_view, std::string_view>, 9> names = {{
      {"DaCapo", "D.C."},
      {"DCalFine", "D.C. al Fine"},
      {"DCalCoda", "D.C. al Coda"},
      {"DalSegno", "D.S."},
      {"DSalFine", "D.S. al Fine"},
      {"DSalCoda", "D.S. al Coda"},
      {"Fine", "Fine"},
      {"ToCoda", "To Coda"},
      {"Coda", ""},
  }};
  for (const auto& [name, text] : names)
    if (style == name) return std::string(text);
  if (style == "Segno") return "";
  return std::string(style);
}

std::string mark_writer::flow(const score::mark& m) {
  if (!m.visible) return "";
  // Marks belong to the whole score: one for each moment, though several staves hold it.
  if (!shared_.insert("flow " + m.onset.text() + " " + m.style).second) return "";
  const std::string text = flow_text(m.style);
  // The first sign of each, as often as the score has it: the default would count on.
  if (m.style == "Segno") return "\\segnoMark 1";
  if (m.style == "Coda") return "\\codaMark 1";
  if (m.style == "ToCoda")
    return "\\textEndMark \\markup { " + quoted(text) + " \\musicglyph \"scripts.coda\" }";
  return "\\textEndMark " + quoted(text);
}

void mark_writer::dynamic(const score::mark& m) {
  if (const std::string d = printed_dynamic(m); !d.empty()) {
    // One dynamic a note: an earlier shown one stays as words, a hidden one goes.
    if (pending_dynamic_)
      pending_[dynamic_at_] =
          dynamic_visible_ ? markup(dynamic_above_, "dynamic", dynamic_name_) : "";
    dynamic_at_ = pending_.size();
    dynamic_visible_ = m.visible;
    dynamic_above_ = m.above;
    dynamic_name_ = d;
    pending_.push_back(sided(m.above, m.visible, "\\" + d));
    pending_dynamic_ = true;
  } else if (const std::string text = printed_text(m); !text.empty()) {
    pending_.push_back(m.kind == mark_kind::dynamic
                           ? sided(m.above, m.visible, "\\markup \\dynamic " + quoted(text))
                           : markup(m.above, "italic", text));
  }
}

std::string mark_writer::take(const score::mark& m) {
  switch (m.kind) {
    case mark_kind::ending:
      return "";  // the repeats write it
    case mark_kind::breath:
      return m.visible ? "\\breathe" : "\\once \\omit BreathingSign \\breathe";
    case mark_kind::caesura:
      return m.visible ? "\\caesura" : "\\once \\omit BreathingSign \\caesura";
    case mark_kind::flow:
      return flow(m);
    case mark_kind::dynamic:
    case mark_kind::dynamic_variance:
      dynamic(m);
      return "";
    case mark_kind::text:
    case mark_kind::performance_style:
    case mark_kind::tempo_variance:
      if (const std::string text = printed_text(m); !text.empty()) {
        const bool bold = m.kind == mark_kind::text && m.font == score::text_font::bold;
        const bool plain = m.kind == mark_kind::text && m.font == score::text_font::plain;
        pending_.push_back(markup(m.above, bold ? "bold" : plain ? "" : "italic", text));
      }
      return "";
    case mark_kind::fermata:
      // LilyPond prints one fermata a note, however often it is asked for.
      if (!fermata_pending_) pending_.push_back(hidden(m.visible, "\\fermata"));
      fermata_pending_ = true;
      return "";
    case mark_kind::pedal_down:
      // Pressed again while down: LilyPond draws the release and the new press together.
      if (pedal_down_) pending_.push_back(hidden(m.visible, "\\sustainOff"));
      pending_.push_back(hidden(m.visible, "\\sustainOn"));
      pedal_down_ = true;
      return "";
    case mark_kind::pedal_up:
      if (pedal_down_) pending_.push_back(hidden(m.visible, "\\sustainOff"));
      pedal_down_ = false;
      return "";
  }
  return "";
}

std::string mark_writer::post_events(const score::event& e) {
  std::string out;
  static constexpr std::array<std::pair<unsigned, std::string_view>, 6> scripts = {{
      {score::staccato, "-."},
      {score::staccatissimo, "-!"},
      {score::accent, "->"},
      {score::marcato, "-^"},
      {score::tenuto, "--"},
      {score::fermata, "\\fermata"},
  }};
  const unsigned shown = shown_articulations(e);
  for (const auto& [bit, text] : scripts)
    if ((shown & bit) && !(bit == score::fermata && fermata_pending_)) out += text;
  // A hairpin ends on the note after its run; a dynamic there ends it by itself.
  const bool continues = hairpin_ != score::hairpin_option::none && e.hairpin == hairpin_;
  if (hairpin_ != score::hairpin_option::none && !continues && !pending_dynamic_) out += "\\!";
  for (const std::string& p : pending_)
    out += p;
  if (e.hairpin != score::hairpin_option::none && (!continues || pending_dynamic_))
    out += e.hairpin == score::hairpin_option::crescendo ? "\\<" : "\\>";
  hairpin_ = e.hairpin;
  pending_.clear();
  pending_dynamic_ = fermata_pending_ = false;
  return out;
}

std::string mark_writer::at_staff_end() {
  std::string out;
  if (hairpin_ != score::hairpin_option::none && !pending_dynamic_) out += "\\!";
  // The pedal lifts with the last note by itself; a release after it has nothing to end on.
  for (const std::string& p : pending_)
    if (p.find("\\sustain") == std::string::npos) out += p;
  pending_.clear();
  pending_dynamic_ = fermata_pending_ = false;
  hairpin_ = score::hairpin_option::none;
  return out.empty() ? "" : "<>" + out;
}

}  // namespace choirly::page
