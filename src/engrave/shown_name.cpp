// Escapes what a terminal would act on, byte by byte.
#include "engrave/shown_name.hpp"

namespace choirly::engrave {

std::string shown_name(std::string_view name, bool escape_backslash) {
  static constexpr char hex[] = "0123456789abcdef";
  std::string shown;
  shown.reserve(name.size());
  for (std::size_t i = 0; i < name.size(); ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    // The C1 controls in UTF-8 (U+0080 to U+009F) act on terminals as the C0 ones do.
    const bool c1 = c == 0xC2 && i + 1 < name.size() &&
                    static_cast<unsigned char>(name[i + 1]) >= 0x80 &&
                    static_cast<unsigned char>(name[i + 1]) <= 0x9F;
    if (c == '\\' && escape_backslash) {
      shown += "\\\\";
    } else if (c == '\n') {
      shown += "\\n";
    } else if (c == '\t') {
      shown += "\\t";
    } else if (c == '\r') {
      shown += "\\r";
    } else if (c < 0x20 || c == 0x7F || c1) {
      const std::size_t n = c1 ? 2 : 1;
      for (std::size_t k = 0; k < n; ++k) {
        const auto b = static_cast<unsigned char>(name[i + k]);
        shown += {'\\', 'x', hex[b >> 4], hex[b & 15]};
      }
      i += n - 1;
    } else {
      shown += name[i];
    }
  }
  return shown;
}

}  // namespace choirly::engrave
