// Header replacement and character decoding of a score, done in memory.
#include "engrave/score_preparation.hpp"

#include "engrave/text_encoding.hpp"
#include "engrave/text_lines.hpp"

namespace choirly::engrave {

namespace {

constexpr std::string_view byte_order_mark = "\xEF\xBB\xBF";
constexpr std::string_view header_start = "!NoteWorthyComposer(2.";
constexpr std::string_view accepted_header = "!NoteWorthyComposer(2.5)";
constexpr std::string_view clip_header = "!NoteWorthyComposerClip";

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

// The code page of a "|Locale|ACP:N" record, or 0 without one.
int locale_code_page(std::string_view score) {
  for (const std::string_view line : lines(score)) {
    if (!line.starts_with("|Locale|")) continue;
    const std::size_t acp = line.find("ACP:");
    if (acp == std::string_view::npos) continue;
    int code_page = 0;
    for (std::size_t i = acp + 4; i < line.size() && is_digit(line[i]) && code_page < 100000; ++i)
      code_page = code_page * 10 + (line[i] - '0');
    if (code_page != 0) return code_page;
  }
  return 0;
}

}  // namespace

bool saves_utf8(std::string_view fraction_digits) {
  // As decimals: compare digit by digit, the shorter one padded with zeros.
  constexpr std::string_view first_utf8 = "75";
  for (std::size_t i = 0; i < std::max(fraction_digits.size(), first_utf8.size()); ++i) {
    const char a = i < fraction_digits.size() ? fraction_digits[i] : '0';
    const char b = i < first_utf8.size() ? first_utf8[i] : '0';
    if (a != b) return a > b;
  }
  return true;
}

result<prepared_score> prepare_score(std::string_view file, bool for_choirly) {
  prepared_score score;
  if (file.starts_with(byte_order_mark)) file.remove_prefix(byte_order_mark.size());
  const std::string_view first_line = file.substr(0, file.find('\n'));
  if (first_line.find(clip_header) != std::string_view::npos)
    return failure{"a NoteWorthy Composer clipboard fragment, not a whole score"};
  std::size_t header = first_line.find(header_start);
  std::size_t digits_end = 0;
  for (; header != std::string_view::npos; header = first_line.find(header_start, header + 1)) {
    digits_end = header + header_start.size();
    while (digits_end < first_line.size() && is_digit(first_line[digits_end]))
      ++digits_end;
    const bool has_digits = digits_end > header + header_start.size();
    if (has_digits && digits_end < first_line.size() && first_line[digits_end] == ')') break;
  }
  if (header == std::string_view::npos)
    return failure{"not a NoteWorthy Composer text score (no !NoteWorthyComposer(2.x) header)"};
  const std::string_view digits =
      file.substr(header + header_start.size(), digits_end - header - header_start.size());
  score.version = "2." + std::string(digits);

  std::string body(file.substr(0, header));
  body += accepted_header;
  body += file.substr(digits_end + 1);

  const int code_page = saves_utf8(digits) ? 65001 : locale_code_page(body);
  if (code_page == 65001) {
    score.encoding = "UTF-8";
    score.utf8 = clean_utf8(body);
  } else if (code_page == 0 || code_page == 1252) {
    score.encoding = "Windows-1252";
    score.utf8 = windows_1252_to_utf8(body);
  } else {
    score.encoding = "CP" + std::to_string(code_page);
    std::optional<std::string> decoded = code_page_to_utf8(body, code_page);
    if (!decoded)
      return failure{"its code page " + std::to_string(code_page) + " is unknown to iconv"};
    score.utf8 = std::move(*decoded);
  }
  if (for_choirly) score.windows_1252 = utf8_to_windows_1252(score.utf8);
  return score;
}

}  // namespace choirly::engrave
