// Writes the score model as a LilyPond 2.24 document shaped after LilyPond's choir
// templates: a header, a variable for each staff's music and each verse, one \score.
#pragma once

#include <string>

#include "score/model.hpp"

namespace choirly::page {

std::string write_page(const score::score& model);

}  // namespace choirly::page
