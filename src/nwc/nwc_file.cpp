// Dispatch on the kind of file: text as it is, the text inside a 2.75 file, or the binary
// reader for the versions before.
#include "nwc/nwc_file.hpp"

#include "nwc/binary_reader.hpp"
#include "nwc/container.hpp"

namespace choirly::nwc {

namespace {

constexpr std::string_view text_mark = "!NoteWorthyComposer(";
constexpr std::string_view compressed_mark{"[NWZ]\0", 6};
constexpr std::string_view body_mark = "[NoteWorthy ArtWare]";
constexpr int first_text_version = 0x024B;  // 2.75
// The 2.75 preamble is 88 bytes in every file seen; the text is looked for a little further.
constexpr std::size_t preamble_search = 1024;

read_result from_body(std::string_view body, const read_options& options) {
  read_result result;
  const int word = version_word(body);
  if (word >= first_text_version) {
    result.version = std::to_string(word >> 8) + "." + std::to_string(word & 0xFF);
    const std::size_t start = body.substr(0, preamble_search).find(text_mark);
    if (start == std::string_view::npos) {
      result.error = "damaged NoteWorthy Composer file (at byte " +
                     std::to_string(std::min(body.size(), preamble_search)) +
                     ": no score text after the " + result.version + " preamble)";
      return result;
    }
    result.text = body.substr(start);
    result.ok = true;
    return result;
  }
  binary_read binary = read_binary(body, options.code_page);
  result.ok = binary.ok;
  result.error = std::move(binary.error);
  result.version = std::move(binary.version);
  result.text = std::move(binary.text);
  result.code_page = binary.code_page;
  return result;
}

}  // namespace

read_result read_file(std::string_view file, const read_options& options) {
  switch (kind_of(file)) {
    case file_kind::text: {
      read_result result;
      result.ok = true;
      result.text = file;
      return result;
    }
    case file_kind::uncompressed:
      return from_body(file, options);
    case file_kind::compressed: {
      inflated body = inflate_body(file);
      if (!body.ok) {
        read_result result;
        result.error = "damaged NoteWorthy Composer file (" + body.error + ")";
        return result;
      }
      return from_body(body.body, options);
    }
    case file_kind::unknown:
      break;
  }
  read_result result;
  // The start of a mark and nothing after it: a NoteWorthy file cut short.
  const bool cut_short =
      !file.empty() && (compressed_mark.starts_with(file) || body_mark.starts_with(file));
  result.error = cut_short
                     ? "damaged NoteWorthy Composer file (at byte " + std::to_string(file.size()) +
                           ": the file header runs past the end)"
                     : "not a NoteWorthy Composer file";
  return result;
}

}  // namespace choirly::nwc
