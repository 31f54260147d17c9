// Unit tests of the measures the reader records: where each starts and ends among the staff's
// items, its onset and length, the length its time signature asks for, and its bar line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "score/reader.hpp"

namespace {

namespace sc = choirly::score;
using sc::rational;

struct expected_measure {
  std::size_t first_item, end_item;
  rational onset, length, expected;
  bool closed;
};

void expect_measures(const sc::staff& s, const std::vector<expected_measure>& want) {
  ASSERT_EQ(s.measures.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) {
    SCOPED_TRACE("measure " + std::to_string(i));
    const sc::measure& m = s.measures[i];
    EXPECT_EQ(m.first_item, want[i].first_item);
    EXPECT_EQ(m.end_item, want[i].end_item);
    EXPECT_EQ(m.onset, want[i].onset);
    EXPECT_EQ(m.length, want[i].length);
    EXPECT_EQ(m.expected, want[i].expected);
    EXPECT_EQ(m.closed, want[i].closed);
    if (m.closed) {
      EXPECT_TRUE(std::holds_alternative<sc::bar_line>(s.items.at(m.end_item)));
    }
  }
}

sc::score read(const std::string& body) {
  const sc::reading r =
      sc::read_nwctxt("!NoteWorthyComposer(2.751)\n" + body + "!NoteWorthyComposer-End\n");
  EXPECT_TRUE(r.ok) << r.error;
  return r.model;
}

TEST(ScoreMeasures, PickupsTimeChangesAndAnEmptyLastMeasure) {
  const sc::score s = read(
      "|AddStaff|Name:\"S\"\n"
      "|TimeSig|Signature:3/4\n"     // item 0
      "|Note|Dur:4th|Pos:0\n"        // 1: a pickup of a quarter
      "|Bar\n"                       // 2
      "|Note|Dur:8th,Grace|Pos:1\n"  // 3: a grace note settles nothing
      "|TimeSig|Signature:2/4\n"     // 4: so the measure asks for 2/4
      "|Note|Dur:Half|Pos:0\n"       // 5
      "|Bar\n"                       // 6
      "|Note|Dur:4th|Pos:0\n"        // 7: the first note settles 2/4 ...
      "|TimeSig|Signature:4/4\n"     // 8: ... whatever follows it in the measure
      "|Note|Dur:Half|Pos:0\n"       // 9
      "|Bar|Style:Double\n"          // 10
      "|Rest|Dur:Whole\n"            // 11: alone in 4/4, it lasts the measure
      "|Bar\n"                       // 12
      "|Clef|Type:Bass\n");          // 13: the last measure holds no note
  expect_measures(s.staves.at(0), {
                                      {0, 2, 0, rational(1, 4), rational(3, 4), true},
                                      {3, 6, rational(1, 4), rational(1, 2), rational(1, 2), true},
                                      {7, 10, rational(3, 4), rational(3, 4), rational(1, 2), true},
                                      {11, 12, rational(3, 2), 1, 1, true},
                                      {13, 14, rational(5, 2), 0, 1, false},
                                  });
}

TEST(ScoreMeasures, EachStaffCountsItsOwnFromFourFour) {
  const sc::score s = read(
      "|AddStaff|Name:\"S\"\n"
      "|TimeSig|Signature:3/4\n"  // item 0
      "|Rest|Dur:Whole\n"         // 1: a whole rest fills a measure of 3/4
      "|Bar\n"                    // 2
      "|Note|Dur:Half|Pos:0\n"    // 3: the last measure ends with its last note
      "|AddStaff|Name:\"A\"\n"
      "|Note|Dur:Half|Pos:0\n"  // 0: 4/4 again on a new staff
      "|Note|Dur:Half|Pos:0\n"  // 1
      "|Bar\n");                // 2: and an empty measure after the last bar line
  expect_measures(s.staves.at(0), {
                                      {0, 2, 0, rational(3, 4), rational(3, 4), true},
                                      {3, 4, rational(3, 4), rational(1, 2), rational(3, 4), false},
                                  });
  expect_measures(s.staves.at(1), {
                                      {0, 2, 0, 1, 1, true},
                                      {3, 3, 1, 0, 1, false},
                                  });
}

TEST(ScoreMeasures, TheModelKeepsTheVersionTheFileHas) {
  EXPECT_EQ(read("").version, "2.751");
  for (const char* header : {"!NoteWorthyComposer(2.5)\n", "\xEF\xBB\xBF!NoteWorthyComposer(2.5)\n",
                             "\n  \r\n!NoteWorthyComposer(2.5)\r\n"}) {
    SCOPED_TRACE(header);
    const sc::reading r = sc::read_nwctxt(std::string(header) + "!NoteWorthyComposer-End\n");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.model.version, "2.5");
    EXPECT_TRUE(r.model.diagnostics.empty());
  }
}

}  // namespace
