// The few raw file operations of a batch: a score read within a size limit (a FIFO or a
// growing file cannot hang or swell it), a new file written whole, a log read from an offset,
// work folders, and outputs moved into place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "engrave/result.hpp"

namespace choirly::engrave {

// "CALL PATH: the call's own error text" for a C library error number.
std::string call_failure(std::string_view call, const std::filesystem::path& path, int error);

// What a file is, and which: the same `volume` and `index` are one file however it is named.
struct file_facts {
  bool plain = false;
  std::string_view kind;  // for one that is not plain: "a folder", "a FIFO", ...
  std::uint64_t volume = 0, index = 0;
};

// The facts of the file a path names, following links; the failed call's message.
result<file_facts> look_at(const std::filesystem::path& path);

// The file's bytes, when it is a plain file no larger than `max_size`; `reader` names what
// reads it in the message for a larger one.
result<std::string> read_plain_file(const std::filesystem::path& path, std::size_t max_size,
                                    std::string_view reader);

// Creates the file, which must not exist yet, and writes it whole.
outcome write_new_file(const std::filesystem::path& path, std::string_view data);

// Adds the text at the end of the file; a log that cannot take it is left as it is.
void append_to_file(const std::filesystem::path& path, std::string_view text);

// What the file holds from byte `start` on; what could be read when reading fails.
std::string read_file_from(const std::filesystem::path& path, std::uint64_t start);

// A new folder of a unique name (.choirly-engrave-XXXXXX) in `dir`.
result<std::filesystem::path> make_work_folder(const std::filesystem::path& dir);

// How a finished output reached its place.
enum class placed {
  moved,        // it replaced the file there, if any
  kept_beside,  // the file there is open in another program: the new one is NAME.new.EXT
};

// Moves `from` to `to`, replacing what is there; why not, as the call's error text.
result<placed> move_into_place(const std::filesystem::path& from, const std::filesystem::path& to);

}  // namespace choirly::engrave
