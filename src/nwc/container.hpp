// The outside of a NoteWorthy Composer file: what kind it is, and the zlib stream of a
// compressed one, inflated within a fixed cap.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace choirly::nwc {

// A compressed score of a few kilobytes may claim gigabytes; no real score comes near this.
constexpr std::size_t max_inflated_size = std::size_t{64} << 20;

enum class file_kind {
  compressed,    // "[NWZ]\0" and a zlib stream
  uncompressed,  // "[NoteWorthy ArtWare]..." as it is
  text,          // "!NoteWorthyComposer(...", whatever the file is called
  unknown,
};

file_kind kind_of(std::string_view file);

struct inflated {
  bool ok = false;
  std::string body;
  std::string error;  // the damaged file's reason, when !ok
};

// Inflates the zlib stream after the "[NWZ]\0" mark; never holds more than `cap` bytes.
inflated inflate_body(std::string_view file, std::size_t cap = max_inflated_size);

}  // namespace choirly::nwc
