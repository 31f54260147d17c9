// File names as the companion keeps them: UTF-8 text, turned into a path and back without
// the Windows ANSI code page in between (a std::string would go through it there).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "engrave/shown_name.hpp"

namespace choirly::engrave {

inline std::filesystem::path path_of(std::string_view utf8) {
  return std::filesystem::path(
      std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

// The path's own spelling, for a child's command line and for building names.
inline std::string utf8_of(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

// The path for messages: with '/' between folders on every system, escaped.
inline std::string shown_path(const std::filesystem::path& path) {
  const std::u8string text = path.generic_u8string();
  return shown_name(std::string_view(reinterpret_cast<const char*>(text.data()), text.size()));
}

}  // namespace choirly::engrave
