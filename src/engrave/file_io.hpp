// The few raw file operations of a batch: a score read within a size limit (a FIFO or a
// growing file cannot hang or swell it), a new file written whole, a log read from an offset.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "engrave/result.hpp"

namespace choirly::engrave {

// "CALL PATH: the call's own error text".
std::string call_failure(std::string_view call, const std::filesystem::path& path, int error);

// The file's bytes, when it is a plain file no larger than `max_size`; `reader` names what
// reads it in the message for a larger one.
result<std::string> read_plain_file(const std::filesystem::path& path, std::size_t max_size,
                                    std::string_view reader);

// Creates the file, which must not exist yet, and writes it whole.
outcome write_new_file(const std::filesystem::path& path, std::string_view data);

// What the file holds from byte `start` on; what could be read when reading fails.
std::string read_file_from(const std::filesystem::path& path, off_t start);

}  // namespace choirly::engrave
