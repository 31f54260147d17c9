// The page's word on what it does not engrave.
#include "page/left_out.hpp"

#include <algorithm>
#include <map>
#include <string>
#include <utility>

namespace choirly::page {

unsigned shown_articulations(const score::event& e) {
  // A rest chord's rest is its main part: its notes sound under the rest's articulations.
  return e.main.notes.empty() ? e.articulations & score::fermata : e.articulations;
}

void note_left_out(const score::score& model, std::vector<score::diagnostic>& notes) {
  std::map<std::string, std::pair<int, int>> kinds;  // kind -> (count, first line)
  int rest_marks = 0;
  int first_rest_mark = 0;
  for (const score::staff& s : model.staves)
    for (const score::item& it : s.items) {
      if (const auto* k = std::get_if<score::skipped_record>(&it)) {
        auto& [count, first] = kinds.try_emplace(k->kind, 0, k->line).first->second;
        ++count;
        first = std::min(first, k->line);
      } else if (const auto* e = std::get_if<score::event>(&it);
                 e && shown_articulations(*e) != e->articulations) {
        if (rest_marks++ == 0) first_rest_mark = e->line;
      }
    }
  for (const auto& [kind, seen] : kinds)
    notes.push_back({seen.second, "|" + kind + "| records are not on the page (" +
                                      std::to_string(seen.first) + " in the score, first here)"});
  if (rest_marks > 0)
    notes.push_back({first_rest_mark,
                     std::to_string(rest_marks) +
                         " staccato, accent or tenuto marks on rests are not on the page (first "
                         "here)"});
}

}  // namespace choirly::page
