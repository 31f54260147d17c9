// Reading the records that put marks on and around the notes.
#include "score/mark_records.hpp"

#include <array>
#include <string_view>

namespace choirly::score {

namespace {

// Above the staff unless the record places it below the middle line.
bool above_by_position(const record& r, bool otherwise) {
  const auto pos = r.get("Pos");
  if (!pos) return otherwise;
  const std::optional<int> n = read_int(*pos);
  return n ? *n >= 0 : otherwise;
}

}  // namespace

std::optional<mark> read_mark(const record& r) {
  static constexpr std::array<std::pair<std::string_view, mark_kind>, 7> kinds = {{
      {"Dynamic", mark_kind::dynamic},
      {"DynamicVariance", mark_kind::dynamic_variance},
      {"Flow", mark_kind::flow},
      {"Text", mark_kind::text},
      {"PerformanceStyle", mark_kind::performance_style},
      {"TempoVariance", mark_kind::tempo_variance},
      {"SustainPedal", mark_kind::pedal_down},
  }};
  mark m;
  bool known = false;
  for (const auto& [name, kind] : kinds)
    if (r.name == name) {
      m.kind = kind;
      known = true;
    }
  if (r.name == "Ending") {
    m.kind = mark_kind::ending;
    for (std::string_view item : comma_items(r.get("Endings").value_or(""))) {
      if (item == "D") m.default_ending = true;
      if (const std::optional<int> n = read_int(item); n && *n >= 1 && *n <= 99)
        m.numbers.push_back(*n);
    }
    return m;
  }
  if (!known) return std::nullopt;
  m.style = std::string(r.get("Style").value_or(""));
  m.visible = r.get("Visibility").value_or("") != "Never";
  switch (m.kind) {
    case mark_kind::text: {
      m.text = unquote(r.get("Text").value_or(""));
      const std::string_view font = r.get("Font").value_or("");
      m.font = font == "StaffBold"     ? text_font::bold
               : font == "StaffItalic" ? text_font::italic
                                       : text_font::plain;
      m.above = above_by_position(r, true);
      break;
    }
    case mark_kind::tempo_variance:
      if (m.style == "Fermata") m.kind = mark_kind::fermata;
      if (m.style == "Breath Mark") m.kind = mark_kind::breath;
      if (m.style == "Caesura") m.kind = mark_kind::caesura;
      m.above = above_by_position(r, true);
      break;
    case mark_kind::pedal_down:
      if (r.get("Status").value_or("") == "Released") m.kind = mark_kind::pedal_up;
      m.above = false;
      break;
    case mark_kind::dynamic:
    case mark_kind::dynamic_variance:
    case mark_kind::performance_style:
      m.above = above_by_position(r, false);
      break;
    default:
      m.above = true;
      break;
  }
  return m;
}

unsigned read_articulations(const record& r) {
  static constexpr std::array<std::pair<std::string_view, articulation>, 6> names = {{
      {"Staccato", staccato},
      {"Staccatissimo", staccatissimo},
      {"Accent", accent},
      {"Marcato", marcato},
      {"Tenuto", tenuto},
      {"Fermata", fermata},
  }};
  unsigned bits = 0;
  for (std::string_view field_name : {"Dur", "Opts"})
    for_each_item(r.get(field_name).value_or(""), [&](std::string_view item) {
      for (const auto& [name, bit] : names)
        if (item == name) bits |= bit;
    });
  return bits;
}

hairpin_option read_hairpin_option(const record& r) {
  hairpin_option h = hairpin_option::none;
  for_each_item(r.get("Opts").value_or(""), [&](std::string_view item) {
    if (item == "Crescendo") h = hairpin_option::crescendo;
    if (item == "Diminuendo") h = hairpin_option::diminuendo;
  });
  return h;
}

}  // namespace choirly::score
