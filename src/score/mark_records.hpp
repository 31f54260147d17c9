// Reading the records and note options that put marks on and around the notes.
#pragma once

#include <optional>

#include "score/model.hpp"
#include "score/records.hpp"

namespace choirly::score {

// The mark a record holds; nullopt when the record is of another kind.
std::optional<mark> read_mark(const record& r);

// Articulation bits from a note's Dur and Opts fields.
unsigned read_articulations(const record& r);

hairpin_option read_hairpin_option(const record& r);

}  // namespace choirly::score
