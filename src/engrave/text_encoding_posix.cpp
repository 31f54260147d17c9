// Code pages other than 1252 through iconv.
#include <iconv.h>

#include <array>
#include <cerrno>
#include <cstdint>

#include "engrave/text_encoding.hpp"

namespace choirly::engrave {

std::optional<std::string> code_page_to_utf8(std::string_view bytes, int code_page) {
  const std::string name = "CP" + std::to_string(code_page);
  iconv_t to_utf8 = iconv_open("UTF-8", name.c_str());
  if (to_utf8 == reinterpret_cast<iconv_t>(static_cast<std::intptr_t>(-1))) return std::nullopt;
  std::string input(bytes);
  char* in = input.data();
  std::size_t in_left = input.size();
  std::string out;
  std::array<char, 4096> chunk;
  while (in_left > 0) {
    char* put = chunk.data();
    std::size_t put_left = chunk.size();
    const std::size_t done = iconv(to_utf8, &in, &in_left, &put, &put_left);
    const int error = errno;
    out.append(chunk.data(), chunk.size() - put_left);
    if (done != static_cast<std::size_t>(-1) || error == E2BIG) continue;
    // EILSEQ, or EINVAL for a sequence cut short by the end: one byte stands for U+FFFD.
    out += "\xEF\xBF\xBD";  // U+FFFD
    ++in;
    --in_left;
    iconv(to_utf8, nullptr, nullptr, nullptr, nullptr);
  }
  iconv_close(to_utf8);
  return out;
}

bool known_code_page(int code_page) {
  if (code_page == 1252) return true;
  const std::string name = "CP" + std::to_string(code_page);
  iconv_t to_utf8 = iconv_open("UTF-8", name.c_str());
  if (to_utf8 == reinterpret_cast<iconv_t>(static_cast<std::intptr_t>(-1))) return false;
  iconv_close(to_utf8);
  return true;
}

}  // namespace choirly::engrave
