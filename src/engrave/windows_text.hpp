// UTF-8 and Windows' UTF-16 into each other, and Windows' error texts in UTF-8. Windows only.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace choirly::engrave {

std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view utf16);

// FormatMessageW's text for the error, without its closing full stop and line break.
std::string windows_error_text(unsigned long error);

// "CALL PATH: the system's error text".
std::string windows_failure(std::string_view call, const std::filesystem::path& path,
                            unsigned long error);

}  // namespace choirly::engrave
