// Telling the kinds of NoteWorthy file apart, and inflating the compressed kind.
#include "nwc/container.hpp"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <limits>

namespace choirly::nwc {

namespace {

constexpr std::string_view compressed_mark{"[NWZ]\0", 6};
constexpr std::string_view body_mark = "[NoteWorthy ArtWare]";
constexpr std::string_view text_mark = "!NoteWorthyComposer(";
constexpr std::string_view byte_order_mark = "\xEF\xBB\xBF";

}  // namespace

file_kind kind_of(std::string_view file) {
  if (file.starts_with(compressed_mark)) return file_kind::compressed;
  if (file.starts_with(body_mark)) return file_kind::uncompressed;
  if (file.starts_with(byte_order_mark)) file.remove_prefix(byte_order_mark.size());
  if (file.starts_with(text_mark)) return file_kind::text;
  return file_kind::unknown;
}

inflated inflate_body(std::string_view file, std::size_t cap) {
  inflated result;
  const std::string_view stream = file.substr(std::min(file.size(), compressed_mark.size()));
  z_stream z{};
  if (inflateInit(&z) != Z_OK) {
    result.error = "zlib could not start";
    return result;
  }
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(stream.data()));
  // zlib counts input in 32-bit units; a score file is far smaller.
  z.avail_in =
      static_cast<uInt>(std::min<std::size_t>(stream.size(), std::numeric_limits<uInt>::max()));
  std::array<char, 16384> chunk;
  int status = Z_OK;
  while (status == Z_OK) {
    z.next_out = reinterpret_cast<Bytef*>(chunk.data());
    z.avail_out = static_cast<uInt>(chunk.size());
    status = inflate(&z, Z_NO_FLUSH);
    const std::size_t produced = chunk.size() - z.avail_out;
    if (result.body.size() + produced > cap) {
      result.error = "at byte " + std::to_string(compressed_mark.size() + z.total_in) +
                     ": the compressed score inflates past " + std::to_string(cap >> 20) + " MiB";
      result.body.clear();
      result.body.shrink_to_fit();
      inflateEnd(&z);
      return result;
    }
    // Grown by hand so that the capacity, like the size, never passes the cap.
    if (result.body.size() + produced > result.body.capacity())
      result.body.reserve(
          std::min(cap, std::max(result.body.capacity() * 2, result.body.size() + produced)));
    result.body.append(chunk.data(), produced);
    // Without progress and without input left, the stream is cut short.
    if (status == Z_BUF_ERROR || (status == Z_OK && z.avail_in == 0 && produced == 0)) break;
  }
  const std::size_t at = compressed_mark.size() + z.total_in;
  inflateEnd(&z);
  if (status != Z_STREAM_END) {
    result.error = "at byte " + std::to_string(at) +
                   (status == Z_DATA_ERROR ? ": the compressed stream is corrupt"
                                           : ": the compressed stream ends early");
    result.body.clear();
    return result;
  }
  result.ok = true;
  return result;
}

}  // namespace choirly::nwc
