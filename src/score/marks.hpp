// What stands on and around the notes: articulations, dynamics, hairpins, texts, flow and
// tempo marks, pedal marks and the endings of repeats, as the score writes them.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "score/rational.hpp"

namespace choirly::score {

struct record;

// Articulations of a note, as bits.
enum articulation : unsigned {
  staccato = 1,
  staccatissimo = 2,
  accent = 4,
  marcato = 8,
  tenuto = 16,
  fermata = 32,
};

// The note options that draw a hairpin from this note to the next.
enum class hairpin_option { none, crescendo, diminuendo };

enum class mark_kind {
  dynamic,            // style "ff", "sfz", ...
  dynamic_variance,   // style "Crescendo", "Rinforzando", ...
  flow,               // style "Segno", "DCalFine", ...
  text,               // style holds the text
  performance_style,  // style "Dolce", ...
  tempo_variance,     // style "Ritardando", ... (fermatas, breaths and caesuras have kinds)
  fermata,
  breath,
  caesura,
  pedal_down,
  pedal_up,
  ending,  // numbers hold the passes it is played in
};

enum class text_font { plain, bold, italic };

struct mark {
  mark_kind kind = mark_kind::text;
  std::string style;
  std::vector<int> numbers;  // an ending's passes
  bool default_ending = false;
  bool above = true;
  text_font font = text_font::plain;
  bool visible = true;
  rational onset;
  int line = 0;
};

// The mark a record holds; nullopt when the record is of another kind.
std::optional<mark> read_mark(const record& r);

// Articulation bits from a note's Dur and Opts fields.
unsigned read_articulations(const record& r);

hairpin_option read_hairpin_option(const record& r);

}  // namespace choirly::score
