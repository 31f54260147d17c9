// The page's staves from the model's.
#include "page/staves.hpp"

namespace choirly::page {

std::vector<page_staff> plan_staves(const score::score& model) {
  std::vector<page_staff> out;
  std::vector<std::size_t> waiting;  // layered staves waiting for the staff they lie on
  for (std::size_t i = 0; i < model.staves.size(); ++i) {
    const score::staff& s = model.staves[i];
    if (!s.visible) continue;
    waiting.push_back(i);
    // A layer lies on the next staff when that one is shown.
    if (s.layered_with_next && i + 1 < model.staves.size() && model.staves[i + 1].visible) continue;
    page_staff p;
    p.staves = std::move(waiting);
    waiting.clear();
    p.number = static_cast<int>(i) + 1;
    p.group = s.group;
    out.push_back(std::move(p));
  }
  if (!out.empty()) out.back().group = score::group_with_next::none;
  return out;
}

std::vector<int> staff_numbers(const score::score& model) {
  std::vector<int> numbers(model.staves.size(), 0);
  for (const page_staff& p : plan_staves(model))
    for (std::size_t i : p.staves)
      numbers[i] = p.number;
  return numbers;
}

}  // namespace choirly::page
