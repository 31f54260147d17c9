// Finding the repeat structure of each staff and writing it at the measure boundaries.
#include "page/repeats.hpp"

#include <algorithm>
#include <optional>

namespace choirly::page {

namespace {

using score::bar_style;

// The repeat marks of one staff by measure boundary.
struct boundary {
  bool open = false, close = false, local = false, section = false;
  int count = 0;
  std::optional<score::mark> ending;
  score::rational onset;
};

std::vector<boundary> boundaries_of(const score::staff& s) {
  std::vector<boundary> out(1);
  for (const score::item& it : s.items) {
    if (const auto* b = std::get_if<score::bar_line>(&it)) {
      boundary next;
      next.onset = b->onset;
      next.local = b->local;
      next.open = b->style == bar_style::repeat_open;
      next.close = b->style == bar_style::repeat_close;
      next.count = b->repeat_count;
      next.section = b->style == bar_style::double_bar || b->style == bar_style::section_open ||
                     b->style == bar_style::section_close;
      out.push_back(std::move(next));
    } else if (const auto* m = std::get_if<score::mark>(&it)) {
      if (m->kind == score::mark_kind::ending) out.back().ending = *m;
    } else if (const auto* e = std::get_if<score::event>(&it)) {
      if (out.size() == 1) out.front().onset = e->onset;
    }
  }
  out.emplace_back();  // the staff's end
  out.back().section = true;
  return out;
}

std::string number_list(const std::vector<int>& numbers, std::string_view separator) {
  std::string out;
  for (int n : numbers) {
    if (!out.empty()) out += separator;
    out += std::to_string(n);
  }
  return out;
}

// The passes an ending is played in; "D" takes the passes no other ending of its repeat names.
std::vector<int> passes(const score::mark& ending, const std::vector<int>& named, int count) {
  std::vector<int> out = ending.numbers;
  if (ending.default_ending)
    for (int n = 1; n <= count; ++n)
      if (std::find(named.begin(), named.end(), n) == named.end()) out.push_back(n);
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

// Writes the staff's repeats as \repeat volta; false (with a reason) when they do not nest.
bool write_volta(const std::vector<boundary>& bs, staff_repeats& out, std::string& problem) {
  const int last = static_cast<int>(bs.size()) - 1;
  std::vector<std::string> closing(bs.size()), chain(bs.size()), opening(bs.size()),
      inner_open(bs.size());
  const auto fail = [&](std::string why) {
    problem = std::move(why);
    return false;
  };
  int local_open = -1;
  int region_end = 0;  // where the last master repeat's music ended
  bool first_region = true;
  int explicit_open = -1;
  std::vector<bool> used(bs.size(), false);  // endings written as alternatives
  for (int b = 0; b <= last; ++b) {
    const boundary& here = bs[static_cast<std::size_t>(b)];
    if (here.close && here.local) {
      if (local_open < 0) return fail("a local repeat closes that never opened");
      closing[static_cast<std::size_t>(b)] += "} ";
      inner_open[static_cast<std::size_t>(local_open)] +=
          "\\repeat volta " + std::to_string(here.count ? here.count : 2) + " { ";
      local_open = -1;
    }
    if (here.close && !here.local) {
      if (local_open >= 0) return fail("a local repeat runs across a master repeat's end");
      int open = explicit_open;
      if (open < 0) {
        if (!first_region) return fail("a repeat closes with no open repeat bar before it");
        open = region_end;
      }
      // The endings between the open bar and this close, and those that follow it.
      std::vector<int> starts;
      for (int e = open + 1; e < b; ++e)
        if (bs[static_cast<std::size_t>(e)].ending) starts.push_back(e);
      if (bs[static_cast<std::size_t>(open)].ending)
        return fail("an ending starts where its repeat opens");
      int end = b;
      if (starts.empty()) {
        if (here.ending) return fail("an ending follows a repeat that had none before");
        const int count = here.count ? here.count : 2;
        opening[static_cast<std::size_t>(open)] +=
            "\\repeat volta " + std::to_string(count) + " { ";
        chain[static_cast<std::size_t>(b)] += "} ";
      } else {
        // Endings before the close end at it; endings after a close run on to the next close,
        // the next ending, or the next repeat or section bar.
        std::vector<std::pair<int, int>> runs;  // start, end
        for (std::size_t k = 0; k < starts.size(); ++k) {
          const int stop = k + 1 < starts.size() ? starts[k + 1] : b;
          for (int x = starts[k] + 1; x < stop; ++x)
            if (bs[static_cast<std::size_t>(x)].open || bs[static_cast<std::size_t>(x)].close)
              return fail("a repeat bar stands inside an ending");
          runs.emplace_back(starts[k], stop);
        }
        int at_b = b;
        while (bs[static_cast<std::size_t>(at_b)].ending) {
          int stop = at_b + 1;
          while (stop < last && !bs[static_cast<std::size_t>(stop)].ending &&
                 !bs[static_cast<std::size_t>(stop)].open &&
                 !bs[static_cast<std::size_t>(stop)].close &&
                 !bs[static_cast<std::size_t>(stop)].section)
            ++stop;
          runs.emplace_back(at_b, stop);
          const boundary& s = bs[static_cast<std::size_t>(stop)];
          if (s.close && !s.local) {
            at_b = stop;
            if (!s.ending) {
              // A close after the last ending repeats nothing further.
              return fail("a repeat closes after its last ending");
            }
            continue;
          }
          if (s.ending && !s.close) return fail("an ending follows an ending without a repeat bar");
          break;
        }
        end = runs.back().second;
        std::vector<int> named;
        int count = 0;
        for (const auto& [start, stop] : runs) {
          const score::mark& m = *bs[static_cast<std::size_t>(start)].ending;
          named.insert(named.end(), m.numbers.begin(), m.numbers.end());
          for (int n : m.numbers)
            count = std::max(count, n);
          used[static_cast<std::size_t>(start)] = true;
        }
        count = std::max({count, static_cast<int>(runs.size()), 2});
        opening[static_cast<std::size_t>(open)] +=
            "\\repeat volta " + std::to_string(count) + " { ";
        for (std::size_t k = 0; k < runs.size(); ++k) {
          const auto [start, stop] = runs[k];
          const std::vector<int> p =
              passes(*bs[static_cast<std::size_t>(start)].ending, named, count);
          if (p.empty()) return fail("an ending names no pass");
          chain[static_cast<std::size_t>(start)] +=
              std::string(k == 0 ? "} \\alternative { " : "") + "\\volta " + number_list(p, ",") +
              " { ";
          chain[static_cast<std::size_t>(stop)].insert(0, k + 1 == runs.size() ? "} } " : "} ");
        }
        // Closes inside the chain belong to it.
        for (const auto& run : runs)
          for (int x = run.first + 1; x < run.second; ++x)
            if (bs[static_cast<std::size_t>(x)].ending) return fail("endings overlap");
      }
      region_end = end;
      first_region = false;
      explicit_open = -1;
      // Skip the boundaries the endings took: their closes are handled.
      for (int x = b + 1; x < end; ++x)
        if (bs[static_cast<std::size_t>(x)].open || bs[static_cast<std::size_t>(x)].local)
          return fail("a repeat opens inside an ending");
      b = std::max(b, end - 1);
      continue;
    }
    if (here.open && here.local) {
      if (local_open >= 0) return fail("a local repeat opens inside another");
      local_open = b;
    }
    if (here.open && !here.local) {
      if (explicit_open >= 0) return fail("two repeat open bars without a close between");
      explicit_open = b;
    }
  }
  if (local_open >= 0) return fail("a local repeat never closes");
  if (explicit_open >= 0) return fail("a repeat opens and never closes");
  for (std::size_t b = 0; b < bs.size(); ++b)
    if (bs[b].ending && !used[b]) return fail("an ending stands outside any repeat");
  for (std::size_t b = 0; b < bs.size(); ++b) {
    out.closing[b] = closing[b] + chain[b];
    out.opening[b] = opening[b] + inner_open[b];
  }
  return true;
}

// Bar lines set one by one, in each staff where the score has them, and the brackets.
void write_commands(const std::vector<boundary>& bs, staff_repeats& out, bool per_staff) {
  bool bracket = false;
  for (std::size_t b = 0; b < bs.size(); ++b) {
    const boundary& here = bs[b];
    std::string commands;
    if (bracket && (here.ending || here.open || here.close || here.section)) {
      commands += " (volta #f)";
      bracket = false;
    }
    if (here.ending) {
      std::string label;
      for (int n : here.ending->numbers)
        label += (label.empty() ? "" : ", ") + std::to_string(n) + ".";
      commands += " (volta \"" + label + "\")";
      bracket = true;
    }
    std::string text;
    if (here.close) text += "\\bar \":|.\" ";
    if (here.open) text += "\\bar \".|:\" ";
    if (!commands.empty())
      text += std::string(per_staff ? "\\once \\set Staff" : "\\set Score") +
              ".repeatCommands = #'(" + commands.substr(1) + ") ";
    out.opening[b] = text;
  }
}

// The repeats and endings of a staff as (onset, what) pairs, to compare staves.
std::vector<std::pair<score::rational, int>> signature(const std::vector<boundary>& bs) {
  std::vector<std::pair<score::rational, int>> out;
  for (const boundary& b : bs) {
    const int what = (b.open ? 1 : 0) + (b.close ? 2 : 0) + (b.local ? 4 : 0) + (b.ending ? 8 : 0) +
                     b.count * 16;
    if (what != 0 && what != 4) out.emplace_back(b.onset, what);
  }
  return out;
}

}  // namespace

repeat_plan plan_repeats(const score::score& model) {
  repeat_plan plan;
  std::vector<std::vector<boundary>> all;
  for (const score::staff& s : model.staves) {
    all.push_back(boundaries_of(s));
    for (const boundary& b : all.back())
      plan.any = plan.any || b.open || b.close || b.ending.has_value();
  }
  plan.staves.resize(model.staves.size());
  for (std::size_t i = 0; i < all.size(); ++i) {
    plan.staves[i].closing.resize(all[i].size());
    plan.staves[i].opening.resize(all[i].size());
  }
  if (!plan.any) return plan;
  plan.volta = true;
  for (std::size_t i = 1; i < all.size(); ++i)
    plan.per_staff = plan.per_staff || signature(all[i]) != signature(all[0]);
  for (std::size_t i = 0; i < all.size() && plan.volta; ++i) {
    std::string problem;
    if (!write_volta(all[i], plan.staves[i], problem)) {
      plan.problems.push_back(problem);
      plan.volta = false;
    }
    if (plan.volta && plan.per_staff) {
      plan.problems.push_back("the staves' repeats differ");
      plan.volta = false;
    }
  }
  if (plan.volta) return plan;
  for (std::size_t i = 0; i < all.size(); ++i) {
    plan.staves[i] = staff_repeats{std::vector<std::string>(all[i].size()),
                                   std::vector<std::string>(all[i].size())};
    write_commands(all[i], plan.staves[i], plan.per_staff);
  }
  return plan;
}

}  // namespace choirly::page
