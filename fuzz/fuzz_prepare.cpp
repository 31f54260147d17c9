// libFuzzer entry for choirly-engrave's preparation of a real score: the header, the code
// page, decoding to UTF-8 and back to Windows-1252, and the UTF-8 texts put into choirly's
// document. Each property below holds for every input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engrave/conversion.hpp"
#include "engrave/score_preparation.hpp"
#include "engrave/score_texts.hpp"
#include "engrave/text_encoding.hpp"

using namespace choirly::engrave;

namespace {

void check(bool holds) {
  if (!holds) std::abort();
}

bool valid_utf8(std::string_view text) {
  return clean_utf8(text) == text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view file(reinterpret_cast<const char*>(data), size);

  // Windows-1252 bytes survive the way to UTF-8 and back, every one of them.
  const std::string utf8 = windows_1252_to_utf8(file);
  check(valid_utf8(utf8));
  check(utf8_to_windows_1252(utf8) == file);
  const std::string cleaned = clean_utf8(file);
  check(valid_utf8(cleaned));
  check(valid_utf8(first_characters(cleaned, size % 7)));
  for (const int code_page : {949, 932})
    if (const auto decoded = code_page_to_utf8(file, code_page)) check(valid_utf8(*decoded));

  const result<prepared_score> prepared = prepare_score(file);
  check(prepared.ok() == prepared.reason().empty());
  if (prepared) {
    const prepared_score& score = *prepared;
    check(valid_utf8(score.utf8));
    check(score.utf8.find("!NoteWorthyComposer(2.5)") != std::string::npos);
    check(score.windows_1252 == utf8_to_windows_1252(score.utf8));
    // The texts choirly cuts are cut within the score's own characters, never inside one.
    const score_texts texts = collect_texts(score.utf8);
    for (const std::string* text : {&texts.title, &texts.author, &texts.lyricist})
      check(valid_utf8(*text));
    for (const std::string& lyric : texts.lyrics)
      check(valid_utf8(lyric));
    // Any valid text, taken as a document, stays valid through the rewrite.
    const rewritten_document again = rewrite_texts(cleaned, texts);
    check(valid_utf8(again.text));
  }

  // The whole conversion of the file: a document in UTF-8, or a reason why there is none.
  const conversion converted = convert_score(file);
  check(valid_utf8(converted.document));
  check(converted.verdict ? converted.verdict.reason().empty()
                          : !converted.verdict.reason().empty());
  return 0;
}
