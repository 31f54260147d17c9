// The marks a score's model says the page engraves, beside its notes and syllables:
// "mark staffN ONSET KIND NAME" for articulations, dynamics, hairpin starts and texts, and
// "bar staffN ONSET GLYPH" for repeat bar lines.
#pragma once

#include <array>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "page/marks.hpp"
#include "score/model.hpp"

namespace choirly::tests {

inline std::string mark_events(const score::score& model, const std::vector<int>& numbers) {
  using score::rational;
  static constexpr std::array<std::pair<unsigned, const char*>, 6> names = {{
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
    std::vector<std::string> pending;  // marks waiting for the next note
    bool pending_dynamic = false;
    std::size_t dynamic_at = 0;
    bool dynamic_visible = false;
    bool fermata_pending = false;
    score::hairpin_option hairpin = score::hairpin_option::none;
    rational end;
    const auto line = [&](rational onset, const std::string& what) {
      out += "mark " + staff + " " + onset.text() + " " + what + "\n";
    };
    for (const score::item& it : model.staves[i].items) {
      if (const auto* m = std::get_if<score::mark>(&it)) {
        if (const std::string d = page::printed_dynamic(*m); !d.empty()) {
          // A second dynamic before the same note: the first prints as words if shown.
          if (pending_dynamic)
            pending[dynamic_at] =
                dynamic_visible ? "text " + pending[dynamic_at].substr(8) : std::string();
          dynamic_at = pending.size();
          dynamic_visible = m->visible;
          pending.push_back("dynamic " + d);
          pending_dynamic = true;
        } else if (const std::string t = page::printed_text(*m); !t.empty()) {
          pending.push_back("text " + t);
        } else if (m->kind == score::mark_kind::fermata && !fermata_pending) {
          pending.push_back("articulation fermata");
          fermata_pending = true;
        }
      } else if (const auto* b = std::get_if<score::bar_line>(&it)) {
        const bool open = b->style == score::bar_style::repeat_open;
        if ((open && b->onset > rational(0)) || b->style == score::bar_style::repeat_close)
          bars.insert("bar " + staff + " " + b->onset.text() + (open ? " .|:" : " :|.") + "\n");
      } else if (const auto* e = std::get_if<score::event>(&it)) {
        end = e->onset + e->advance;
        if (e->grace) continue;
        for (const auto& [bit, name] : names)
          if ((e->articulations & bit) && (!e->is_rest() || bit == score::fermata) &&
              (e->visible || !e->is_rest()) && !(bit == score::fermata && fermata_pending))
            line(e->onset, std::string("articulation ") + name);
        const bool continues = hairpin != score::hairpin_option::none && e->hairpin == hairpin;
        if (e->hairpin != score::hairpin_option::none && (!continues || pending_dynamic))
          line(e->onset, e->hairpin == score::hairpin_option::crescendo ? "hairpin crescendo"
                                                                        : "hairpin decrescendo");
        hairpin = e->hairpin;
        pending_dynamic = fermata_pending = false;
        for (const std::string& p : pending)
          if (!p.empty()) line(e->onset, p);
        pending.clear();
      }
    }
    for (const std::string& p : pending)
      if (!p.empty()) line(end, p);
  }
  for (const std::string& b : bars)
    out += b;
  return out;
}

}  // namespace choirly::tests
