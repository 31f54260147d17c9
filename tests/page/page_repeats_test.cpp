// Unit tests of the repeat planner and the printing of its plan: a staff's repeat bars and
// endings in, the text written at each measure boundary out, or the reason the repeats are
// drawn bar by bar.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "page/repeats.hpp"

namespace {

namespace sc = choirly::score;

// A staff from tokens: "n" a whole note, "|" "||" "|:" ":|" bars, "l|:" and ":|lN" local
// repeats (N passes), "[1,2]" an ending.
sc::staff staff_of(const std::string& tokens) {
  sc::staff s;
  std::istringstream in(tokens);
  std::string t;
  sc::rational now;
  while (in >> t) {
    if (t == "n") {
      sc::event e;
      e.onset = now;
      e.main.base = 1;
      e.main.length = e.advance = sc::rational(1);
      e.main.notes.emplace_back();
      now += e.advance;
      s.items.emplace_back(e);
    } else if (t[0] == '[') {
      sc::mark m;
      m.kind = sc::mark_kind::ending;
      m.onset = now;
      for (char c : t)
        if (c >= '1' && c <= '9') m.numbers.push_back(c - '0');
      s.items.emplace_back(m);
    } else {
      sc::bar_line b;
      b.onset = now;
      b.local = t[0] == 'l' || t.find("|l") != std::string::npos;
      if (t == "||") b.style = sc::bar_style::double_bar;
      if (t.ends_with("|:")) b.style = sc::bar_style::repeat_open;
      if (t.starts_with(":|")) b.style = sc::bar_style::repeat_close;
      if (t.starts_with(":|l")) b.repeat_count = t.back() - '0';
      s.items.emplace_back(b);
    }
  }
  return s;
}

// "B:text " for each boundary with text, as the printer writes it there: what stands before
// the bar line, then what after it.
std::string texts(const choirly::page::repeat_plan& plan, const sc::score& model, std::size_t i) {
  std::size_t boundaries = 2;  // before the first measure and after the last
  for (const sc::item& it : model.staves[i].items)
    boundaries += std::holds_alternative<sc::bar_line>(it) ? 1 : 0;
  std::string out;
  choirly::page::printer p;  // one for the staff, which closes what it opened
  for (std::size_t b = 0; b < boundaries; ++b) {
    const std::string before = p.text();
    choirly::page::print_before_bar(plan.staves[i], b, p);
    choirly::page::print_after_bar(plan.staves[i], plan.per_staff, b, p);
    p.end_line();
    const std::string t = p.text().substr(before.size());
    if (t.empty()) continue;
    EXPECT_TRUE(t.starts_with("  ") && t.ends_with("\n")) << t;
    out += std::to_string(b) + ":" + t.substr(2, t.size() - 3) + " /";
  }
  return out;
}

TEST(PageRepeats, NestedRepeatsBecomeVoltaAndAlternatives) {
  struct repeat_case {
    const char* name;
    const char* staff;
    const char* expected;
  };
  const std::vector<repeat_case> cases = {
      {"close only: from the start", "n | n :| n", "0:\\repeat volta 2 { /2:} /"},
      {"open and close", "n |: n :| n", "1:\\repeat volta 2 { /2:} /"},
      {"first and second ending", "n | [1] n :| [2] n || n",
       "0:\\repeat volta 2 { /1:} \\alternative { \\volta 1 { /2:} \\volta 2 { /3:} } /"},
      {"ending for two passes, last ending to the end", "n |: n | [1,2] n | n :| [3] n | n",
       "1:\\repeat volta 3 { /2:} \\alternative { \\volta 1,2 { /4:} \\volta 3 { /6:} } /"},
      {"local repeat with its count inside a master repeat", "n |: n l|: n :|l3 n :| n",
       "1:\\repeat volta 2 { /2:\\repeat volta 3 { /3:} /4:} /"},
      {"three endings, each closed", "n |: n | [1] n :| [2] n :| [3] n || n",
       "1:\\repeat volta 3 { /2:} \\alternative { \\volta 1 { /3:} \\volta 2 { /4:} \\volta 3 { "
       "/5:} } /"},
  };
  for (const repeat_case& c : cases) {
    SCOPED_TRACE(c.name);
    sc::score model;
    model.staves.push_back(staff_of(c.staff));
    const choirly::page::repeat_plan plan = choirly::page::plan_repeats(model);
    EXPECT_TRUE(plan.any);
    EXPECT_TRUE(plan.volta);
    EXPECT_TRUE(plan.problems.empty());
    EXPECT_EQ(texts(plan, model, 0), c.expected);
  }
}

TEST(PageRepeats, RepeatsThatDoNotNestAreDrawnBarByBar) {
  struct repeat_case {
    const char* staff;
    const char* problem;
    const char* expected;
  };
  const std::vector<repeat_case> cases = {
      {"n |: n |: n :| n", "two repeat open bars without a close between",
       "1:\\bar \".|:\" /2:\\bar \".|:\" /3:\\bar \":|.\" /"},
      {"n l|: n |: n :| n :|l2 n", "a local repeat runs across a master repeat's end",
       "1:\\bar \".|:\" /2:\\bar \".|:\" /3:\\bar \":|.\" /4:\\bar \":|.\" /"},
      {"n :|l2 n", "a local repeat closes that never opened", "1:\\bar \":|.\" /"},
      {"n |: n", "a repeat opens and never closes", "1:\\bar \".|:\" /"},
      {"n | [2] n || n", "an ending stands outside any repeat",
       "1:\\set Score.repeatCommands = #'((volta \"2.\")) /"
       "2:\\set Score.repeatCommands = #'((volta #f)) /"},
      {"n :| n :| n", "a repeat closes with no open repeat bar before it",
       "1:\\bar \":|.\" /2:\\bar \":|.\" /"},
  };
  for (const repeat_case& c : cases) {
    SCOPED_TRACE(c.staff);
    sc::score model;
    model.staves.push_back(staff_of(c.staff));
    const choirly::page::repeat_plan plan = choirly::page::plan_repeats(model);
    EXPECT_FALSE(plan.volta);
    EXPECT_FALSE(plan.per_staff);
    EXPECT_EQ(plan.problems, std::vector<std::string>{c.problem});
    EXPECT_EQ(texts(plan, model, 0), c.expected);
  }
}

TEST(PageRepeats, StavesWithDifferentRepeatsDrawTheirOwn) {
  sc::score model;
  model.staves.push_back(staff_of("n | [1] n :| [2] n"));
  model.staves.push_back(staff_of("n | n :| n"));
  const choirly::page::repeat_plan plan = choirly::page::plan_repeats(model);
  EXPECT_FALSE(plan.volta);
  EXPECT_TRUE(plan.per_staff);
  EXPECT_EQ(texts(plan, model, 0),
            "1:\\once \\set Staff.repeatCommands = #'((volta \"1.\")) /"
            "2:\\bar \":|.\" \\once \\set Staff.repeatCommands = #'((volta #f) (volta \"2.\")) /"
            "3:\\once \\set Staff.repeatCommands = #'((volta #f)) /");
  EXPECT_EQ(texts(plan, model, 1), "2:\\bar \":|.\" /");
}

TEST(PageRepeats, NoRepeatsNoText) {
  sc::score model;
  model.staves.push_back(staff_of("n | n || n"));
  const choirly::page::repeat_plan plan = choirly::page::plan_repeats(model);
  EXPECT_FALSE(plan.any);
  EXPECT_EQ(texts(plan, model, 0), "");
}

// The index by boundary prints what walking every region prints, and holds at each boundary
// only what stands there, so a score of many repeats prints in time proportional to it.
TEST(PageRepeats, BoundaryIndexPrintsAsWalkingEveryRegion) {
  const std::vector<const char*> staves = {
      "n | n :| n",
      "n | [1] n :| [2] n || n",
      "n |: n | [1,2] n | n :| [3] n | n",
      "n |: n l|: n :|l3 n :| n",
      "n |: n | [1] n :| [2] n :| [3] n || n",
      "n |: n :| n |: n | [1] n :| [2] n || n |: n l|: n :|l2 n :| n",
  };
  for (const char* staff : staves) {
    SCOPED_TRACE(staff);
    sc::score model;
    model.staves.push_back(staff_of(staff));
    const choirly::page::repeat_plan indexed = choirly::page::plan_repeats(model);
    ASSERT_TRUE(indexed.volta);
    ASSERT_FALSE(indexed.staves[0].at_boundary.empty());
    choirly::page::repeat_plan walked = indexed;
    walked.staves[0].at_boundary.clear();
    EXPECT_EQ(texts(indexed, model, 0), texts(walked, model, 0));
  }
}

TEST(PageRepeats, ManyRepeatsKeepFewEntriesPerBoundary) {
  std::string tokens = "n";
  for (int i = 0; i < 3000; ++i)
    tokens += i % 2 == 0 ? " |: n :|" : " |: n | [1] n :| [2] n ||";
  sc::score model;
  model.staves.push_back(staff_of(tokens + " n"));
  const choirly::page::repeat_plan plan = choirly::page::plan_repeats(model);
  ASSERT_TRUE(plan.volta);
  const choirly::page::staff_repeats& r = plan.staves[0];
  EXPECT_EQ(r.regions.size(), 3000u);
  // Every bar line, the start and the end.
  ASSERT_EQ(r.at_boundary.size(), 1500u * 2 + 1500u * 4 + 2);
  std::size_t entries = 0;
  for (const auto& here : r.at_boundary) {
    EXPECT_LE(here.size(), 4u);
    entries += here.size();
  }
  // An open and a close for each region, a start and a stop for each ending, some shared.
  EXPECT_GE(entries, 2 * 3000u);
  EXPECT_LE(entries, 2 * 3000u + 2 * 3000u);
}

}  // namespace
