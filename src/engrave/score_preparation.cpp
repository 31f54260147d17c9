// Header check, header replacement for choirly and character decoding of a score, in memory.
#include "engrave/score_preparation.hpp"

#include <algorithm>

#include "engrave/text_encoding.hpp"
#include "nwc/container.hpp"
#include "nwc/nwc_file.hpp"
#include "util/lines.hpp"

namespace choirly::engrave {

namespace {

constexpr std::string_view byte_order_mark = "\xEF\xBB\xBF";
constexpr std::string_view header_start = "!NoteWorthyComposer(2.";
constexpr std::string_view accepted_header = "!NoteWorthyComposer(2.5)";
constexpr std::string_view clip_header = "!NoteWorthyComposerClip";
constexpr std::string_view text_header = "!NoteWorthyComposer(2.75)";

// A file whose first bytes hold a control character other than white space is no text at all.
bool looks_binary(std::string_view file) {
  for (const char c : file.substr(0, 512)) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f') return true;
  }
  return false;
}

// The strings of a binary score in UTF-8; they are in `code_page`, the rest is ASCII. A
// string never spans lines (its line breaks are escaped), so only the lines with bytes above
// 127 go through iconv.
result<std::string> decode_strings(std::string_view text, int code_page) {
  if (code_page == 1252) return windows_1252_to_utf8(text);
  std::string out;
  out.reserve(text.size() + text.size() / 4);
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    end = end == std::string_view::npos ? text.size() : end + 1;
    const std::string_view line = text.substr(start, end - start);
    start = end;
    if (std::all_of(line.begin(), line.end(), [](char c) { return (c & 0x80) == 0; })) {
      out += line;
      continue;
    }
    std::optional<std::string> decoded = code_page_to_utf8(line, code_page);
    if (!decoded)
      return failure{"its code page " + std::to_string(code_page) + " is unknown to iconv"};
    out += *decoded;
  }
  return out;
}

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

// The code page of a "|Locale|ACP:N" record, or 0 without one.
int locale_code_page(std::string_view score) {
  for (const std::string_view line : util::lines(score)) {
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

namespace {

// A .nwc file read into the text format, its strings decoded; from 2.75 on that text is
// inside it already and is prepared as any text score.
result<prepared_score> prepare_binary(std::string_view file, bool for_choirly, int code_page) {
  nwc::read_result read = nwc::read_file(file, nwc::read_options{code_page});
  if (!read.ok) return failure{std::move(read.error)};
  if (read.code_page == 0) {
    result<prepared_score> inside = prepare_score(read.text, for_choirly, code_page);
    if (inside) inside->version = read.version;
    return inside;
  }
  result<std::string> text = decode_strings(read.text, read.code_page);
  if (!text) return failure{text.reason()};
  // The reader's text is whole, in UTF-8 now, and begins with its 2.75 header, which only
  // choirly needs changed.
  if (for_choirly) text->replace(0, text_header.size(), accepted_header);
  prepared_score score;
  score.version = std::move(read.version);
  score.encoding = read.code_page == 1252 ? "Windows-1252" : "CP" + std::to_string(read.code_page);
  score.binary = true;
  score.utf8 = std::move(*text);
  if (for_choirly) score.windows_1252 = utf8_to_windows_1252(score.utf8);
  return score;
}

// Where the first line's "!NoteWorthyComposer(2.N)" header stands, and the end of its digits.
struct header_place {
  std::size_t start = std::string_view::npos;
  std::size_t digits_end = 0;
};

header_place find_header(std::string_view first_line) {
  header_place place;
  std::size_t& header = place.start;
  std::size_t& digits_end = place.digits_end;
  for (header = first_line.find(header_start); header != std::string_view::npos;
       header = first_line.find(header_start, header + 1)) {
    digits_end = header + header_start.size();
    while (digits_end < first_line.size() && is_digit(first_line[digits_end]))
      ++digits_end;
    const bool has_digits = digits_end > header + header_start.size();
    if (has_digits && digits_end < first_line.size() && first_line[digits_end] == ')') break;
  }
  return place;
}

// The score's text in UTF-8: in the code page it names, else the one given for scores that
// do not say theirs, unless the text is valid UTF-8 already.
outcome decode_text(std::string body, std::string_view digits, int given, prepared_score& score) {
  const int named = saves_utf8(digits) ? 65001 : locale_code_page(body);
  const int code_page = named != 0 ? named : given;
  // Files re-encoded on their way to a repository keep their old header: text that is valid
  // UTF-8 beyond ASCII is taken as UTF-8, as no code page's text reads as valid UTF-8 by chance.
  const bool ascii = std::all_of(body.begin(), body.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (code_page != 65001 && !ascii && clean_utf8(body) == body) {
    score.encoding = "UTF-8 (the text is valid UTF-8, though " +
                     (named != 0   ? "the header says code page " + std::to_string(named)
                      : given != 0 ? "--codepage says " + std::to_string(given)
                                   : std::string("the header says Windows-1252")) +
                     ")";
    score.utf8 = std::move(body);
  } else if (code_page == 65001) {
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
  return done{};
}

}  // namespace

result<prepared_score> prepare_score(std::string_view file, bool for_choirly, int code_page) {
  // A .nwc file is told by its first bytes, whatever its name.
  const nwc::file_kind kind = nwc::kind_of(file);
  if (kind == nwc::file_kind::compressed || kind == nwc::file_kind::uncompressed)
    return prepare_binary(file, for_choirly, code_page);
  if (file.starts_with(byte_order_mark)) file.remove_prefix(byte_order_mark.size());
  const std::string_view first_line = file.substr(0, file.find('\n'));
  if (first_line.find(clip_header) != std::string_view::npos)
    return failure{"a NoteWorthy Composer clipboard fragment, not a whole score"};
  const header_place header = find_header(first_line);
  // Bytes that are no text, or the start of a .nwc file's mark cut short, get the .nwc
  // reader's verdict.
  if (header.start == std::string_view::npos && (looks_binary(file) || file.starts_with('['))) {
    nwc::read_result read = nwc::read_file(file);
    return failure{read.ok ? "not a NoteWorthy Composer file" : std::move(read.error)};
  }
  if (header.start == std::string_view::npos)
    return failure{"not a NoteWorthy Composer text score (no !NoteWorthyComposer(2.x) header)"};
  const std::size_t digits_start = header.start + header_start.size();
  const std::string_view digits = file.substr(digits_start, header.digits_end - digits_start);
  prepared_score score;
  score.version = "2." + std::string(digits);

  // choirly reads one version header; the page path's reader keeps the one the file has.
  std::string body(file.substr(0, for_choirly ? header.start : file.size()));
  if (for_choirly) {
    body += accepted_header;
    body += file.substr(header.digits_end + 1);
  }
  if (const outcome decoded = decode_text(std::move(body), digits, code_page, score); !decoded)
    return failure{decoded.reason()};
  if (for_choirly) score.windows_1252 = utf8_to_windows_1252(score.utf8);
  return score;
}

std::string text_copy(const prepared_score& score) {
  // The page path's text keeps the header the file had (a 2.0 or 2.5 one, say): the copy
  // is in UTF-8, so it says 2.75.
  std::string text = score.utf8;
  const std::size_t header = text.find(header_start);
  const std::size_t close = text.find(')', header);
  if (header != std::string::npos && close != std::string::npos && close < text.find('\n'))
    text.replace(header, close + 1 - header, text_header);
  return text;
}

}  // namespace choirly::engrave
