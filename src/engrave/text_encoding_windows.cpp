// Code pages other than 1252 through Windows' own tables (MultiByteToWideChar).
#include <windows.h>

#include "engrave/text_encoding.hpp"
#include "engrave/windows_text.hpp"

namespace choirly::engrave {

namespace {

// Code pages that are no ANSI code page of single and double bytes.
bool is_unicode(int code_page) {
  return code_page == 1200 || code_page == 1201 || code_page == 12000 || code_page == 12001 ||
         code_page == 65000 || code_page == 65001;
}

}  // namespace

std::optional<std::string> code_page_to_utf8(std::string_view bytes, int code_page) {
  if (is_unicode(code_page) || !IsValidCodePage(static_cast<UINT>(code_page))) return std::nullopt;
  const auto page = static_cast<UINT>(code_page);
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 2);
  for (std::size_t at = 0; at < bytes.size();) {
    const auto lead = static_cast<unsigned char>(bytes[at]);
    if (lead < 0x80) {
      out += static_cast<char>(lead);
      ++at;
      continue;
    }
    // One character at a time, as iconv goes: a byte that starts none becomes U+FFFD alone,
    // and the next byte is read afresh.
    const std::size_t length = IsDBCSLeadByteEx(page, lead) && at + 1 < bytes.size() ? 2 : 1;
    wchar_t wide[2];
    const int n = MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, bytes.data() + at,
                                      static_cast<int>(length), wide, 2);
    if (n > 0) {
      out += narrow(std::wstring_view(wide, static_cast<std::size_t>(n)));
      at += length;
    } else {
      out += "\xEF\xBF\xBD";  // U+FFFD
      ++at;
    }
  }
  return out;
}

bool known_code_page(int code_page) {
  return code_page == 1252 ||
         (!is_unicode(code_page) && IsValidCodePage(static_cast<UINT>(code_page)) != 0);
}

}  // namespace choirly::engrave
