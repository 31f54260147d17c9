// The format scanners against std::sscanf, format by format: on the golden inputs, the real
// scores, and strings made from the formats and mutated with a fixed seed.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "scan_against_sscanf.hpp"

namespace choirly {
namespace {

namespace fs = std::filesystem;

// The lines of every score under `folder` (one level of subfolders), cut at a NUL as the
// reader cuts them, with the carriage return of a CR LF line end dropped.
void add_lines_of_scores(const fs::path& folder, const std::string& name,
                         std::set<std::string>& lines) {
  if (!fs::exists(folder)) return;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.path().filename() != name && entry.path().extension() != name) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    for (std::string line; std::getline(in, line);) {
      line = line.substr(0, line.find('\0'));
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.insert(line);
      // The fields of a record, which the position and item forms read.
      for (std::size_t colon = line.find(':'); colon != std::string::npos;
           colon = line.find(':', colon + 1)) {
        const std::string field = line.substr(colon + 1, line.find('|', colon) - colon - 1);
        lines.insert(field);
        for (std::size_t comma = field.find(','); comma != std::string::npos;
             comma = field.find(',', comma + 1))
          lines.insert(field.substr(comma + 1));
      }
    }
  }
}

struct failures {
  int count = 0;
  void operator()(std::string_view format, const std::string& text, const std::string& what) {
    if (++count <= 20)
      ADD_FAILURE() << "format \"" << format << "\" on \"" << text << "\": " << what;
  }
};

int compare_all(const std::string& text, failures& failed) {
  return scan_check::compare_every_format(
      text, [&](std::string_view format, const std::string& what) { failed(format, text, what); });
}

// Makes strings near the formats: a format with each conversion filled at random, pieces of
// the formats strung together, or a known line, then mutated a few times.
class text_maker {
 public:
  explicit text_maker(std::vector<std::string> seeds) : seeds_(std::move(seeds)) {}

  std::string next() {
    std::string text;
    switch (pick(4)) {
      case 0:
      case 1:
        text = fill(
            record_formats::every_format[pick(std::size(record_formats::every_format))].view());
        break;
      case 2:
        for (int n = 1 + pick(6); n > 0; --n)
          text += piece();
        break;
      default:
        text = seeds_.empty() ? piece() : seeds_[pick(seeds_.size())];
        break;
    }
    for (int n = pick(4); n > 0; --n)
      mutate(text);
    return text;
  }

 private:
  int pick(std::size_t n) { return static_cast<int>(random_() % n); }

  // Characters that matter to some conversion, and a few that matter to none.
  char special() {
    static const std::string chars =
        std::string(" \t\n\v\f\r'|,^-+#bvxnd0123456789aZ:%\"\\") + "\x7f\x01\xa0\xe9\xff";
    return chars[pick(chars.size())];
  }

  std::string number() {
    std::string s;
    if (pick(3) == 0) s += " \t\r\v\f"[pick(5)];
    if (pick(2) == 0) s += "+-"[pick(2)];
    // Now and then a number beyond 32 bits, or beyond 64.
    const int digits = pick(8) == 0 ? 9 + pick(16) : 1 + pick(3);
    for (int i = 0; i < digits; ++i)
      s += static_cast<char>('0' + pick(10));
    return s;
  }

  std::string run() {
    static const char* const words[] = {"4th",   "8th,Dotted", "Half,Slur", "REST", "-3^",
                                        "b2",    "n-1",        "x0^",       "1,3",  "mf",
                                        "Whole", "Stem=Up",    "#5,b-2,0",  "",     "a b"};
    std::string s = words[pick(std::size(words))];
    if (pick(4) == 0) s.insert(s.begin() + pick(s.size() + 1), special());
    return s;
  }

  std::string fill(std::string_view format) {
    std::string s;
    for (std::size_t i = 0; i < format.size(); ++i) {
      if (format[i] != '%') {
        s += format[i];
        continue;
      }
      std::size_t j = i + 1;
      while (format[j] == '*' || (format[j] >= '0' && format[j] <= '9'))
        ++j;
      if (format[j] == 'd') {
        s += number();
      } else if (format[j] == 'c') {
        s += special();
      } else {
        if (pick(5) == 0) s += " \t"[pick(2)];
        s += run();
      }
      if (format[j] == '[') j = format.find(']', j + 2);
      i = j;
    }
    return s;
  }

  std::string piece() {
    static const char* const pieces[] = {"|Note|Dur:",
                                         "|Chord|Dur:",
                                         "|Rest|Dur:",
                                         "|RestChord|Dur:",
                                         "|Pos:",
                                         "|Pos2:",
                                         "|Dur2:",
                                         "|Opts:",
                                         "|Tempo|Tempo:",
                                         "|Lyric",
                                         "|Text:",
                                         "|TimeSig|Signature:",
                                         "|Dynamic||Style:",
                                         "/",
                                         "|",
                                         ",",
                                         "'",
                                         "^"};
    switch (pick(3)) {
      case 0:
        return pieces[pick(std::size(pieces))];
      case 1:
        return number();
      default:
        return run();
    }
  }

  void mutate(std::string& s) {
    const std::size_t at = s.empty() ? 0 : pick(s.size());
    switch (pick(5)) {
      case 0:
        if (!s.empty()) s.erase(at, 1);
        break;
      case 1:
        s.insert(s.begin() + at, special());
        break;
      case 2:
        if (!s.empty()) s[at] = special();
        break;
      case 3:
        s.resize(at);
        break;
      default:
        s.insert(at, s.substr(at, pick(8)));
        break;
    }
    s = s.substr(0, s.find('\0'));
  }

  std::vector<std::string> seeds_;
  std::mt19937_64 random_{20261208};
};

TEST(ScanDifferential, KnownLinesAndMadeStringsReadAsSscanfReadsThem) {
  std::set<std::string> known;
  add_lines_of_scores(CHOIRLY_CASES_DIR, "input.nwctxt", known);
  const std::size_t golden = known.size();
  add_lines_of_scores(CHOIRLY_CORPUS_DIR, ".nwctxt", known);
  ASSERT_GE(golden, 500u) << "the golden inputs were not found at " << CHOIRLY_CASES_DIR;

  failures failed;
  long comparisons = 0;
  for (const std::string& line : known)
    comparisons += compare_all(line, failed);
  const long on_known = comparisons;

  text_maker maker({known.begin(), known.end()});
  constexpr int made_strings = 40000;
  for (int i = 0; i < made_strings; ++i)
    comparisons += compare_all(maker.next(), failed);

  std::printf(
      "scan differential: %ld comparisons (%zu known lines and fields, %ld on them; "
      "%d made strings)\n",
      comparisons, known.size(), on_known, made_strings);
  EXPECT_EQ(failed.count, 0);
  EXPECT_GE(comparisons, 300000);
}

// The rules that a few record lines depend on, each checked against sscanf by name.
TEST(ScanDifferential, EdgesOfTheMatchingRules) {
  const char* const edges[] = {
      "",                                    // nothing: -1 from every format
      "|Note|Dur:",                          // ends before the first conversion
      "|Note|Dur:4th|Pos",                   // ends inside a literal after one conversion
      "|Note|Dur:|Pos:1",                    // an empty set conversion
      "|Note|Dur:4th'|Pos:1",                // the apostrophe ends a set conversion
      "|TimeSig|Signature:3/",               // the numerator assigned, the line ended
      "|TimeSig|Signature: \t-3/+4",         // white space and signs
      "|TimeSig|Signature:-/4",              // a sign without digits
      "|Tempo|Tempo:99999999999999999999|",  // saturates
      "|Tempo|Tempo:-2147483649|",
      "|Lyric+1|Text:a",                           // "%1d": the sign uses the width
      "|Lyric12|Text:a",                           // "%1d" takes one digit only
      "|Lyric1|Text:  \v",                         // "%s" after white space finds nothing
      "|RestChord|Dur:4th|Opts:|Dur2:8th|Pos2:1",  // empty options: the form stops
      "b-3^",
      "n 2",
      "#",
      "x+",
      "12",
      "-",
      " 7,8",
      "a,b,c,d e",
      ",1",
      "1,,2",
      "1,2,3,",
  };
  failures failed;
  for (const char* text : edges)
    compare_all(text, failed);
  EXPECT_EQ(failed.count, 0);
}

}  // namespace
}  // namespace choirly
