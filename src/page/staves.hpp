// Which of the score's staves the page shows, and how: hidden staves left out, a layered
// staff merged into the next one, brackets and braces between neighbours.
#pragma once

#include <cstddef>
#include <vector>

#include "score/model.hpp"

namespace choirly::page {

struct page_staff {
  std::vector<std::size_t> staves;  // model staves shown here, a layered one before the next
  int number = 0;                   // "staffN": the model index (1-based) of the last of them
  score::group_with_next group = score::group_with_next::none;  // with the next page staff
};

std::vector<page_staff> plan_staves(const score::score& model);

// For each model staff, the N of the Staff context that shows it, or 0 when it is hidden.
std::vector<int> staff_numbers(const score::score& model);

}  // namespace choirly::page
