// Names of files and messages as they are shown on a terminal line.
#pragma once

#include <string>
#include <string_view>

namespace choirly::engrave {

// The name with its control characters and backslashes escaped (\n, \t, \x1b, \\), so that
// it always shows on one line and cannot pass for another. Messages keep their backslashes.
std::string shown_name(std::string_view name, bool escape_backslash = true);

}  // namespace choirly::engrave
