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

// The endings of a repeat as (start, stop) boundaries: endings before the close end at it;
// endings after a close run on to the next close, the next ending, or the next repeat or
// section bar.
bool ending_runs(const std::vector<boundary>& bs, const std::vector<int>& starts, int b,
                 std::vector<std::pair<int, int>>& runs, std::string& problem) {
  const int last = static_cast<int>(bs.size()) - 1;
  const auto at = [&](int x) -> const boundary& { return bs[static_cast<std::size_t>(x)]; };
  const auto fail = [&](std::string why) {
    problem = std::move(why);
    return false;
  };
  for (std::size_t k = 0; k < starts.size(); ++k) {
    const int stop = k + 1 < starts.size() ? starts[k + 1] : b;
    for (int x = starts[k] + 1; x < stop; ++x)
      if (at(x).open || at(x).close) return fail("a repeat bar stands inside an ending");
    runs.emplace_back(starts[k], stop);
  }
  int at_b = b;
  while (at(at_b).ending) {
    int stop = at_b + 1;
    while (stop < last && !at(stop).ending && !at(stop).open && !at(stop).close &&
           !at(stop).section)
      ++stop;
    runs.emplace_back(at_b, stop);
    const boundary& s = at(stop);
    if (s.close && !s.local) {
      at_b = stop;
      // A close after the last ending repeats nothing further.
      if (!s.ending) return fail("a repeat closes after its last ending");
      continue;
    }
    if (s.ending && !s.close) return fail("an ending follows an ending without a repeat bar");
    break;
  }
  return true;
}

// The region's count and its alternatives with the passes each is played in.
bool alternatives(const std::vector<boundary>& bs, const std::vector<std::pair<int, int>>& runs,
                  repeat_region& region, std::string& problem) {
  std::vector<int> named;
  int count = 0;
  for (const auto& run : runs) {
    const score::mark& m = *bs[static_cast<std::size_t>(run.first)].ending;
    named.insert(named.end(), m.numbers.begin(), m.numbers.end());
    for (int n : m.numbers)
      count = std::max(count, n);
  }
  region.count = std::max({count, static_cast<int>(runs.size()), 2});
  region.close = static_cast<std::size_t>(runs.front().first);
  for (const auto& [start, stop] : runs) {
    std::vector<int> p = passes(*bs[static_cast<std::size_t>(start)].ending, named, region.count);
    if (p.empty()) {
      problem = "an ending names no pass";
      return false;
    }
    region.endings.push_back(
        {static_cast<std::size_t>(start), static_cast<std::size_t>(stop), std::move(p)});
  }
  return true;
}

// The master repeat from boundary `open` to its close at `b`, with the endings between them
// and those that follow the close; `end` is where its last ending stops.
bool master_region(const std::vector<boundary>& bs, int open, int b, repeat_region& region,
                   int& end, std::vector<bool>& used, std::string& problem) {
  const auto at = [&](int x) -> const boundary& { return bs[static_cast<std::size_t>(x)]; };
  const auto fail = [&](std::string why) {
    problem = std::move(why);
    return false;
  };
  std::vector<int> starts;
  for (int e = open + 1; e < b; ++e)
    if (at(e).ending) starts.push_back(e);
  if (at(open).ending) return fail("an ending starts where its repeat opens");
  region.open = static_cast<std::size_t>(open);
  region.close = static_cast<std::size_t>(b);
  end = b;
  if (starts.empty()) {
    if (at(b).ending) return fail("an ending follows a repeat that had none before");
    region.count = at(b).count ? at(b).count : 2;
    return true;
  }
  std::vector<std::pair<int, int>> runs;
  if (!ending_runs(bs, starts, b, runs, problem)) return false;
  end = runs.back().second;
  if (!alternatives(bs, runs, region, problem)) return false;
  for (const auto& run : runs)
    used[static_cast<std::size_t>(run.first)] = true;
  // Closes inside the chain belong to it.
  for (const auto& run : runs)
    for (int x = run.first + 1; x < run.second; ++x)
      if (at(x).ending) return fail("endings overlap");
  return true;
}

// The staff's repeats as regions for \repeat volta; false (with a reason) when they do not
// nest.
bool plan_volta(const std::vector<boundary>& bs, staff_repeats& out, std::string& problem) {
  const int last = static_cast<int>(bs.size()) - 1;
  std::vector<repeat_region> regions;
  const auto fail = [&](std::string why) {
    problem = std::move(why);
    return false;
  };
  const auto at = [&](int b) -> const boundary& { return bs[static_cast<std::size_t>(b)]; };
  int local_open = -1;
  int region_end = 0;  // where the last master repeat's music ended
  bool first_region = true;
  int explicit_open = -1;
  std::vector<bool> used(bs.size(), false);  // endings written as alternatives
  for (int b = 0; b <= last; ++b) {
    const boundary& here = at(b);
    if (here.close && here.local) {
      if (local_open < 0) return fail("a local repeat closes that never opened");
      regions.push_back({static_cast<std::size_t>(local_open),
                         static_cast<std::size_t>(b),
                         here.count ? here.count : 2,
                         true,
                         {}});
      local_open = -1;
    }
    if (here.close && !here.local) {
      if (local_open >= 0) return fail("a local repeat runs across a master repeat's end");
      int open = explicit_open;
      if (open < 0) {
        if (!first_region) return fail("a repeat closes with no open repeat bar before it");
        open = region_end;
      }
      repeat_region region;
      int end = b;
      if (!master_region(bs, open, b, region, end, used, problem)) return false;
      regions.push_back(std::move(region));
      region_end = end;
      first_region = false;
      explicit_open = -1;
      // Skip the boundaries the endings took: their closes are handled.
      for (int x = b + 1; x < end; ++x)
        if (at(x).open || at(x).local) return fail("a repeat opens inside an ending");
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
  out.regions = std::move(regions);
  return true;
}

// Bar lines set one by one, in each staff where the score has them, and the brackets.
void plan_bars(const std::vector<boundary>& bs, staff_repeats& out) {
  bool bracket = false;
  out.bars.assign(bs.size(), repeat_bar{});
  for (std::size_t b = 0; b < bs.size(); ++b) {
    const boundary& here = bs[b];
    repeat_bar& bar = out.bars[b];
    if (bracket && (here.ending || here.open || here.close || here.section)) {
      bar.end_bracket = true;
      bracket = false;
    }
    if (here.ending) {
      for (int n : here.ending->numbers)
        bar.bracket += (bar.bracket.empty() ? "" : ", ") + std::to_string(n) + ".";
      bar.starts_bracket = true;
      bracket = true;
    }
    bar.close = here.close;
    bar.open = here.open;
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
  if (!plan.any) return plan;
  plan.volta = true;
  for (std::size_t i = 1; i < all.size(); ++i)
    plan.per_staff = plan.per_staff || signature(all[i]) != signature(all[0]);
  for (std::size_t i = 0; i < all.size() && plan.volta; ++i) {
    std::string problem;
    if (!plan_volta(all[i], plan.staves[i], problem)) {
      plan.problems.push_back(problem);
      plan.volta = false;
    }
    if (plan.volta && plan.per_staff) {
      plan.problems.push_back("the staves' repeats differ");
      plan.volta = false;
    }
  }
  if (plan.volta) {
    for (std::size_t i = 0; i < all.size(); ++i)
      index_boundaries(plan.staves[i], all[i].size());
    return plan;
  }
  for (std::size_t i = 0; i < all.size(); ++i) {
    plan.staves[i] = staff_repeats{};
    plan_bars(all[i], plan.staves[i]);
  }
  return plan;
}

void index_boundaries(staff_repeats& r, std::size_t boundaries) {
  r.at_boundary.assign(boundaries, {});
  const auto add = [&](std::size_t b, std::size_t region, std::size_t k) {
    if (b < boundaries) r.at_boundary[b].emplace_back(region, k);
  };
  for (std::size_t i = 0; i < r.regions.size(); ++i) {
    const repeat_region& region = r.regions[i];
    add(region.open, i, no_ending);
    add(region.close, i, no_ending);
    for (std::size_t k = 0; k < region.endings.size(); ++k) {
      add(region.endings[k].start, i, k);
      add(region.endings[k].stop, i, k);
    }
  }
  for (auto& here : r.at_boundary) {
    // A region's own open and close (no_ending, which wraps to 0) before its endings.
    std::sort(here.begin(), here.end(), [](const auto& x, const auto& y) {
      return x.first != y.first ? x.first < y.first : x.second + 1 < y.second + 1;
    });
    here.erase(std::unique(here.begin(), here.end()), here.end());
  }
}

namespace {

// What stands at boundary b: its index entries, or every region and ending when there is
// no index, in the same order.
std::vector<std::pair<std::size_t, std::size_t>> standing_at(const staff_repeats& r,
                                                             std::size_t b) {
  if (!r.at_boundary.empty()) {
    if (b < r.at_boundary.size()) return r.at_boundary[b];
    return {};
  }
  std::vector<std::pair<std::size_t, std::size_t>> all;
  for (std::size_t i = 0; i < r.regions.size(); ++i) {
    all.emplace_back(i, no_ending);
    for (std::size_t k = 0; k < r.regions[i].endings.size(); ++k)
      all.emplace_back(i, k);
  }
  return all;
}

}  // namespace

void print_before_bar(const staff_repeats& r, std::size_t b, printer& out) {
  const auto here = standing_at(r, b);
  for (const auto& [i, k] : here) {
    const repeat_region& region = r.regions[i];
    if (k == no_ending) {
      if (region.local && region.close == b) out.close(nest::repeat);
      if (!region.local && region.endings.empty() && region.close == b) out.close(nest::repeat);
    } else if (!region.local && region.endings[k].stop == b) {
      out.close(nest::ending);
      if (k + 1 == region.endings.size()) out.close(nest::alternative);
    }
  }
  for (const auto& [i, k] : here) {
    if (k == no_ending) continue;
    const repeat_region& region = r.regions[i];
    if (region.endings[k].start != b) continue;
    if (k == 0) {
      out.close(nest::repeat);
      out.open(nest::alternative, "\\alternative {");
    }
    out.open(nest::ending, "\\volta " + number_list(region.endings[k].passes, ",") + " {");
  }
}

void print_after_bar(const staff_repeats& r, bool per_staff, std::size_t b, printer& out) {
  const auto here = standing_at(r, b);
  for (bool local : {false, true})
    for (const auto& [i, k] : here) {
      const repeat_region& region = r.regions[i];
      if (k == no_ending && region.local == local && region.open == b)
        out.open(nest::repeat, "\\repeat volta " + std::to_string(region.count) + " {");
    }
  if (b >= r.bars.size()) return;
  const repeat_bar& bar = r.bars[b];
  if (bar.close) out.token("\\bar \":|.\"");
  if (bar.open) out.token("\\bar \".|:\"");
  std::string commands;
  if (bar.end_bracket) commands += " (volta #f)";
  if (bar.starts_bracket) commands += " (volta \"" + bar.bracket + "\")";
  if (!commands.empty())
    out.token(std::string(per_staff ? "\\once \\set Staff" : "\\set Score") +
              ".repeatCommands = #'(" + commands.substr(1) + ")");
}

}  // namespace choirly::page
