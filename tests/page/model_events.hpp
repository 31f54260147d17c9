// The events a score's model says the page engraves, in the format LilyPond's event log is
// compared with: "note staffN ONSET GRACE PITCH DURATION" and "lyric staffN-verseK ONSET TEXT",
// and the marks of model_marks.hpp.
#pragma once

#include <string>

#include "page/staves.hpp"
#include "score/model.hpp"
#include "tests/page/model_marks.hpp"

namespace choirly::tests {

inline std::string pitch_event_text(const score::pitch& p) {
  return std::to_string(p.octave) + ":" + std::to_string(p.step) + ":" +
         score::rational(p.alteration, 2).text();
}

inline std::string model_events(const score::score& model) {
  using score::rational;
  std::string out;
  const std::vector<int> numbers = page::staff_numbers(model);
  for (std::size_t i = 0; i < model.staves.size(); ++i) {
    if (numbers[i] == 0) continue;
    const score::staff& s = model.staves[i];
    const std::string staff = "staff" + std::to_string(numbers[i]);
    for (const score::item& it : s.items) {
      const auto* e = std::get_if<score::event>(&it);
      if (!e) continue;
      for (const score::chord_part* part : {&e->main, &e->second}) {
        rational length = part->length;
        if (e->grace) {
          length = rational(1, part->base);
          if (part->dots == 1) length = length * rational(3, 2);
          if (part->dots == 2) length = length * rational(7, 4);
        }
        for (const score::note& n : part->notes)
          out += "note " + staff + " " + e->onset.text() + " " + (e->grace ? "g" : "-") + " " +
                 pitch_event_text(n.sound) + " " + length.text() + "\n";
      }
    }
    for (std::size_t k = 0; k < s.lyrics.size(); ++k)
      for (const score::syllable& syl : s.lyrics[k].syllables) {
        if (!syl.placed || syl.text.find_first_not_of(' ') == std::string::npos) continue;
        out += "lyric staff" + std::to_string(i + 1) + "-verse" + std::to_string(k + 1) + " " +
               syl.onset.text() + " " + syl.text + "\n";
      }
  }
  return out + mark_events(model, numbers);
}

}  // namespace choirly::tests
