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

// The part of an event its staff's own voice sings. A chord with two parts sounds the other
// one in a voice below: of two lengths the shorter stays; of one length the part NoteWorthy
// stems up, Dur/Pos when the chord says Stem=Up, Dur2/Pos2 when it says Stem=Down, else the
// one reaching higher (a rest chord's rest).
inline const score::chord_part& own_voice_part(const score::event& e) {
  if (!e.has_second) return e.main;
  if (e.main.length != e.second.length) return e.second.length < e.main.length ? e.second : e.main;
  if (e.stem != score::stem_direction::neutral)
    return e.stem == score::stem_direction::up ? e.main : e.second;
  if (e.main.notes.empty()) return e.main;
  int main_top = -1000, second_top = -1000;
  for (const score::note& n : e.main.notes)
    main_top = std::max(main_top, n.position);
  for (const score::note& n : e.second.notes)
    second_top = std::max(second_top, n.position);
  return main_top >= second_top ? e.main : e.second;
}

// The part sounding in a voice below the staff's own, or null.
inline const score::chord_part* lower_voice_part(const score::event& e) {
  if (!e.has_second) return nullptr;
  return &own_voice_part(e) == &e.main ? &e.second : &e.main;
}

inline std::size_t own_voice_notes(const score::event& e) {
  return own_voice_part(e).notes.size();
}

// Beams as NoteWorthy draws them: Beam=First, Beam ... Beam=End over events in a row, all of
// them flagged, with notes at both ends; anything else stays flagged.
inline std::string beam_events(const score::staff& s, const std::string& staff) {
  std::string out;
  const score::event* first = nullptr;
  std::vector<const score::event*> run;  // the events since `first`
  for (const score::item& it : s.items) {
    const auto* e = std::get_if<score::event>(&it);
    if (!e || e->grace) continue;
    run.push_back(e);
    const bool flagged = own_voice_part(*e).base >= 8 && !e->full_measure_rest;
    const bool ends_well = flagged && own_voice_notes(*e) > 0;
    if (e->beam == score::beam_mark::first) {
      first = ends_well ? e : nullptr;
      run.assign(1, e);
    } else if (first && e->beam == score::beam_mark::end && ends_well) {
      out += "beam " + staff + " " + first->onset.text() + " " + e->onset.text() + "\n";
      // Chords of two parts of one length all through beam their lower parts as well.
      bool lower = true;
      for (const score::event* r : run) {
        const score::chord_part* low = lower_voice_part(*r);
        lower = lower && low && low->length == r->main.length && low->base >= 8;
      }
      lower =
          lower && !lower_voice_part(*first)->notes.empty() && !lower_voice_part(*e)->notes.empty();
      if (lower) out += "beam " + staff + " " + first->onset.text() + " " + e->onset.text() + "\n";
    } else if (e->beam != score::beam_mark::middle || !flagged) {
      first = nullptr;
    }
  }
  return out;
}

// Stems set by direction: a voice layered on a staff keeps its side (the first up, the others
// down), notes sounding beside a chord's lower part stand up, and elsewhere the score's
// Stem=Up and Stem=Down. A lower part's stems stand down, beside a layered staff's upper voice
// up.
inline std::string stem_events(const score::staff& s, const std::string& staff, int layer) {
  std::string out;
  score::rational longer_until;
  for (const score::item& it : s.items) {
    const auto* e = std::get_if<score::event>(&it);
    if (!e || e->grace) continue;
    const score::chord_part* low = lower_voice_part(*e);
    const bool beside_longer = low || e->onset < longer_until;
    if (low) {
      longer_until = std::max(longer_until, e->onset + low->length);
      if (!low->notes.empty())
        out += "stem " + staff + " " + e->onset.text() + " " + (layer == 0 ? "up" : "down") + "\n";
    }
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

// Every tie the score writes, "tie staffN ONSET GRACE PITCH TO": to the onset of the note it
// lands on when that note sounds in the same voice (LilyPond ties within a voice only), "-"
// for a tie left to ring.
inline std::string tie_events(const score::staff& s, const std::string& staff) {
  std::string out;
  const auto in_lower = [&](std::size_t item, int part) {
    const auto& e = std::get<score::event>(s.items[item]);
    return !e.grace && lower_voice_part(e) == (part == 0 ? &e.main : &e.second);
  };
  for (std::size_t i = 0; i < s.items.size(); ++i) {
    const auto* e = std::get_if<score::event>(&s.items[i]);
    if (!e) continue;
    for (int part = 0; part < 2; ++part)
      for (const score::note& n : (part == 0 ? e->main : e->second).notes) {
        if (!n.written_tie) continue;
        std::string to = "-";
        if (n.tied_to && in_lower(i, part) == in_lower(n.tied_to->item, n.tied_to->part))
          to = std::get<score::event>(s.items[n.tied_to->item]).onset.text();
        out += "tie " + staff + " " + e->onset.text() + " " + (e->grace ? "g" : "-") + " " +
               pitch_event_text(n.sound) + " " + to + "\n";
      }
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
    out += beam_events(s, staff) + stem_events(s, staff, layer) + tie_events(s, staff) +
           head_events(s, staff);
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
