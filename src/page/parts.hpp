// What a choir hands out besides the full score: a part for each voice (its staff alone, with
// the score's tempos and flow marks) and a rehearsal playback in which that voice leads.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "page/staves.hpp"
#include "score/model.hpp"

namespace choirly::page {

// True when a staff label or name names a choir voice: soprano, alto, tenor, bass (and
// baritone, mezzo, contralto) in English, German, Italian, French or Korean, or their
// abbreviations (S, A, T, B and their runs such as SA or TB, Sop., Alt, Ten., Bar., Bs.),
// unless it names an instrument too ("Alto Sax", "Bass Guitar").
bool names_a_voice(std::string_view text);

// A staff sings when it has words under it, or its label or name says it is a voice.
bool sings(const score::staff& s);

// The text as a part of a file name: letters and digits kept (those of any script), every
// other run of characters one '-', none at either end.
std::string file_name_text(std::string_view text);

struct part {
  std::size_t page_staff = 0;  // its place among the page's staves
  std::string title;           // as the score spells it: the label, else the staff name
  std::string suffix;          // its files are NAME-suffix.pdf and NAME-suffix-rehearsal.midi
};

// The parts of a score: each shown staff that sings (a layered pair is one staff), or every
// shown staff when none does. Each is named by its upper staff's label, else by the names of
// its staves; equal names (in any case) are numbered from 1, and a staff with no usable name
// is "StaffN" by its place on the page.
std::vector<part> plan_parts(const score::score& model, const std::vector<page_staff>& staves);

// The staves of a part as its page writes them: the tempos, flow marks (segno, coda, D.C.,
// Fine) and tempo words (rit., accel.) of the other shown staves added to the upper one, each
// before its first event at or after the mark, unless the part holds the same mark already.
std::vector<score::staff> part_staves(const score::score& model, const page_staff& p);

// A staff's settings in the rehearsal playback of a part: the rehearsed staff at full volume
// in the middle, on its own instrument unless that is a piano (then an oboe); every other
// staff at a third of the volume on a piano, to the left when it stands above the part and
// to the right below it. Drums stay drums, transpositions stay, and the score's muted staves
// stay silent unless rehearsed.
std::string rehearsal_setting(const score::staff& s, bool rehearsed, bool above);

}  // namespace choirly::page
