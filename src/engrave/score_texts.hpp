// The header texts and lyric comments of a score in its own characters, found by choirly's
// rules in the UTF-8 text, and put into choirly's ASCII document in place of its own.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace choirly::engrave {

struct score_texts {
  std::string title, author, lyricist;  // cut as choirly cuts them
  std::vector<std::string> lyrics;      // one for each comment line choirly writes
};

score_texts collect_texts(std::string_view utf8_score);

struct rewritten_document {
  std::string text;
  // False when the document holds another number of lyric comments than the score gave:
  // then they are left as choirly wrote them.
  bool lyrics_rewritten = true;
};

rewritten_document rewrite_texts(std::string_view document, const score_texts& texts);

}  // namespace choirly::engrave
