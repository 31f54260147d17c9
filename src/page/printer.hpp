// The one object the page's music is written through: it owns the lines, their indentation
// and breaks, the bar checks and measure numbers, and the brackets that open and close.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace choirly::page {

// What a printer holds open, so that it is closed as what it is.
enum class nest { tuplet, two_voices, repeat, alternative, ending };

// How a printer breaks its lines.
struct line_breaks {
  int tokens_per_line = 0;       // a break before every Nth token; 0: only where told
  std::size_t max_width = 0;     // a break before a token that would pass this; 0: none
  int measure_number_every = 0;  // a "% N" line before every Nth measure; 0: none
  int first_measure = 1;         // the number the first measure has
};

class printer {
 public:
  explicit printer(line_breaks breaks = {}) : breaks_(breaks), measure_(breaks.first_measure) {}

  // One token, after a blank when the line holds one already; an empty token is nothing.
  void token(std::string_view text);

  // Opens a bracket with its opening token ("\tuplet 3/2 {", or "\voiceOne" where two
  // voices need no brace); nothing is written when `text` is empty.
  void open(nest kind, std::string_view text);
  // Closes the innermost open bracket of this kind with its closing token.
  void close(nest kind, std::string_view text = "}");
  bool is_open(nest kind) const;

  // The bar check that ends a measure and its line; the next measure may take a number.
  void bar_check();

  // Ends the current line, if it holds anything.
  void end_line();

  // A whole line of its own.
  void line(std::string text);

  // The lines so far, each indented by two blanks and ended.
  std::string text() const;

 private:
  line_breaks breaks_;
  std::vector<std::string> lines_;
  std::string line_;
  int tokens_ = 0;          // tokens written, for the break every N
  std::size_t width_ = 0;   // the current line's width as the wrap counts it
  int measure_ = 1;         // the measure being written
  int pending_number_ = 0;  // a measure number waiting for its measure's first token
  std::vector<nest> open_;
};

}  // namespace choirly::page
