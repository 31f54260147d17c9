// The note heads a score's model says LilyPond engraves in a style other than the round one:
// "head staffN ONSET PITCH STYLE", NoteWorthy's letters taken to LilyPond's nearest styles by
// a table of this test's own.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

#include "score/model.hpp"

namespace choirly::tests {

inline std::string head_style(char letter) {
  static constexpr std::array<std::pair<char, std::string_view>, 7> styles = {{
      {'x', "cross"},
      {'X', "xcircle"},
      {'y', "diamond"},
      {'Y', "harmonic-black"},
      {'z', "triangle"},
      {'a', "slash"},
      {'b', "slash"},
  }};
  for (const auto& [l, style] : styles)
    if (l == letter) return std::string(style);
  return "";
}

inline std::string head_events(const score::staff& s, const std::string& staff) {
  std::string out;
  for (const score::item& it : s.items) {
    const auto* e = std::get_if<score::event>(&it);
    if (!e) continue;
    for (const score::chord_part* part : {&e->main, &e->second})
      for (const score::note& n : part->notes)
        if (const std::string style = head_style(n.head); !style.empty())
          out += "head " + staff + " " + e->onset.text() + " " + std::to_string(n.sound.octave) +
                 ":" + std::to_string(n.sound.step) + ":" +
                 score::rational(n.sound.alteration, 2).text() + " " + style + "\n";
  }
  return out;
}

}  // namespace choirly::tests
