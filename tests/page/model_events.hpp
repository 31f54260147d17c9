// The events a score's model says the page engraves, in the format LilyPond's event log is
// compared with: "note staffN ONSET GRACE PITCH DURATION" and "lyric staffN-verseK ONSET TEXT",
// "beam staffN START END", "stem staffN ONSET up|down", and the marks of model_marks.hpp.
#pragma once

#include <algorithm>
#include <string>

#include "page/staves.hpp"
#include "score/model.hpp"
#include "tests/page/model_heads.hpp"
#include "tests/page/model_marks.hpp"

namespace choirly::tests {

inline std::string pitch_event_text(const score::pitch& p) {
  return std::to_string(p.octave) + ":" + std::to_string(p.step) + ":" +
         score::rational(p.alteration, 2).text();
}

// The notes an event shows with a stem in its staff's own voice: where a chord's parts have
// different lengths the longer part sounds in a voice of its own.
inline std::size_t own_voice_notes(const score::event& e) {
  if (!e.has_second || e.main.length == e.second.length)
    return e.main.notes.size() + e.second.notes.size();
  return (e.second.length < e.main.length ? e.second : e.main).notes.size();
}

inline const score::chord_part& own_voice_part(const score::event& e) {
  return e.has_second && e.second.length < e.main.length ? e.second : e.main;
}

// Beams as NoteWorthy draws them: Beam=First, Beam ... Beam=End over events in a row, all of
// them flagged, with notes at both ends; anything else stays flagged.
inline std::string beam_events(const score::staff& s, const std::string& staff) {
  std::string out;
  const score::event* first = nullptr;
  for (const score::item& it : s.items) {
    const auto* e = std::get_if<score::event>(&it);
    if (!e || e->grace) continue;
    const bool flagged = own_voice_part(*e).base >= 8 && !e->full_measure_rest;
    const bool ends_well = flagged && own_voice_notes(*e) > 0;
    if (e->beam == score::beam_mark::first) {
      first = ends_well ? e : nullptr;
    } else if (first && e->beam == score::beam_mark::end && ends_well) {
      out += "beam " + staff + " " + first->onset.text() + " " + e->onset.text() + "\n";
      first = nullptr;
    } else if (e->beam != score::beam_mark::middle || !flagged) {
      first = nullptr;
    }
  }
  return out;
}

// Stems set by direction: a voice layered on a staff keeps its side (the first up, the others
// down), notes sounding beside a chord's longer notes stand up, and elsewhere the score's
// Stem=Up and Stem=Down.
inline std::string stem_events(const score::staff& s, const std::string& staff, int layer) {
  std::string out;
  score::rational longer_until;
  for (const score::item& it : s.items) {
    const auto* e = std::get_if<score::event>(&it);
    if (!e || e->grace) continue;
    const bool two_lengths = e->has_second && e->main.length != e->second.length;
    const bool beside_longer = two_lengths || e->onset < longer_until;
    if (two_lengths)
      longer_until = std::max(longer_until, e->onset + std::max(e->main.length, e->second.length));
    if (own_voice_notes(*e) == 0) continue;
    std::string side;
    if (layer >= 0)
      side = layer == 0 ? "up" : "down";
    else if (beside_longer || e->stem == score::stem_direction::up)
      side = "up";
    else if (e->stem == score::stem_direction::down)
      side = "down";
    if (!side.empty()) out += "stem " + staff + " " + e->onset.text() + " " + side + "\n";
  }
  return out;
}

inline std::string model_events(const score::score& model) {
  using score::rational;
  std::string out;
  const std::vector<int> numbers = page::staff_numbers(model);
  for (std::size_t i = 0; i < model.staves.size(); ++i) {
    if (numbers[i] == 0) continue;
    const score::staff& s = model.staves[i];
    const std::string staff = "staff" + std::to_string(numbers[i]);
    // The staff's place among the voices layered on its page staff, -1 when alone on it.
    int layer = -1;
    if (std::count(numbers.begin(), numbers.end(), numbers[i]) > 1)
      layer = static_cast<int>(std::find(numbers.begin(), numbers.end(), numbers[i]) -
                               numbers.begin()) == static_cast<int>(i)
                  ? 0
                  : 1;
    out += beam_events(s, staff) + stem_events(s, staff, layer) + head_events(s, staff);
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
