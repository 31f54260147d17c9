// Character conversions for choirly-engrave: the score's own characters (UTF-8, Windows-1252
// or another ANSI code page) to UTF-8, and UTF-8 to the Windows-1252 that choirly reads.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace choirly::engrave {

// Valid UTF-8 as it is; each maximal invalid sequence becomes U+FFFD.
std::string clean_utf8(std::string_view text);

// Every byte as its Windows-1252 character. The five bytes that Windows-1252 leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the C1 controls of the same value, so that
// utf8_to_windows_1252 gives back the very same bytes.
std::string windows_1252_to_utf8(std::string_view bytes);

// A character that Windows-1252 cannot hold, and an invalid sequence, becomes '?'.
std::string utf8_to_windows_1252(std::string_view text);

// From the ANSI code page `code_page` (949, 932, ...), through iconv, or Windows' own tables
// there. An invalid byte becomes U+FFFD. Empty when the system does not know the code page.
std::optional<std::string> code_page_to_utf8(std::string_view bytes, int code_page);

// Whether the system can decode the ANSI code page `code_page`.
bool known_code_page(int code_page);

// The first `count` characters of valid UTF-8 text, or all of it.
std::string_view first_characters(std::string_view text, std::size_t count);

}  // namespace choirly::engrave
