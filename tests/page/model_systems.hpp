// What a score's model says each system LilyPond broke the music into shows at its start:
// "system ONSET", "barnumber ONSET N" and "name staffN ONSET TEXT", for the onsets LilyPond's
// log gives. The numbers count as NoteWorthy Composer counts, the labels follow the page
// setup's rules, by code of this test's own.
#pragma once

#include <set>
#include <string>
#include <variant>
#include <vector>

#include "score/model.hpp"

namespace choirly::tests {

// The number NoteWorthy gives the measure that starts at `onset` on `s`: the first measure,
// a pickup too, is the starting bar, and each bar line after the start adds one. Zero when
// no measure starts there.
inline int bar_number_at(const score::score& model, const score::staff& s, score::rational onset) {
  std::set<score::rational> bars;
  for (const score::item& it : s.items)
    if (const auto* b = std::get_if<score::bar_line>(&it); b && b->onset > score::rational(0))
      bars.insert(b->onset);
  if (onset > score::rational(0) && !bars.count(onset)) return 0;
  int number = model.page.starting_bar;
  for (const score::rational& b : bars)
    if (b <= onset) ++number;
  return number;
}

// The label a page staff shows on the first system and on the later ones; a layered pair
// shows its upper staff's.
inline std::string label_at(const score::score& model, const score::staff& upper, bool first) {
  using score::staff_labels;
  const score::page_setup& page = model.page;
  if (!page.has_setup) return first ? upper.label : "";
  switch (page.labels) {
    case staff_labels::none:
      return "";
    case staff_labels::first_system:
      return first ? upper.label : "";
    case staff_labels::top_systems:
      return first ? upper.label : upper.label_abbreviation;
    case staff_labels::all_systems:
      return first || upper.label_abbreviation.empty() ? upper.label : upper.label_abbreviation;
  }
  return "";
}

// `numbers` gives each staff's page staff (0 when hidden), as the other events use it.
inline std::string system_events(const score::score& model, const std::vector<int>& numbers,
                                 const std::vector<score::rational>& starts) {
  std::string out;
  const score::staff* top = nullptr;
  for (std::size_t i = 0; i < model.staves.size() && !top; ++i)
    if (numbers[i] != 0) top = &model.staves[i];
  // Without a page setup LilyPond's own rule holds: no number on the first system.
  const bool numbered =
      model.page.has_setup ? model.page.numbers != score::bar_numbers::none : true;
  for (const score::rational& start : starts) {
    out += "system " + start.text() + "\n";
    const bool first = start == score::rational(0);
    if (top && numbered && (model.page.has_setup || !first))
      if (const int n = bar_number_at(model, *top, start); n != 0)
        out += "barnumber " + start.text() + " " + std::to_string(n) + "\n";
    std::set<int> named;
    for (std::size_t i = 0; i < model.staves.size(); ++i) {
      if (numbers[i] == 0 || !named.insert(numbers[i]).second) continue;
      const std::string text = label_at(model, model.staves[i], first);
      if (text.find_first_not_of(" \t") != std::string::npos)
        out += "name staff" + std::to_string(numbers[i]) + " " + start.text() + " " + text + "\n";
    }
  }
  return out;
}

}  // namespace choirly::tests
