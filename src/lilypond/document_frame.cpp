// The fixed frame of the document: the \book with its \paper and \header, the choir staff
// that the staves go into, the lyric comments, and the \midi and \layout closing.
#include "lilypond/document_frame.hpp"

#include <cstring>
#include <string_view>

#include "choirly.hpp"
#include "lilypond/text_output.hpp"
#include "line_table.hpp"
#include "song_data.hpp"
#include "text_scan.hpp"

namespace choirly {

namespace {

constexpr std::string_view version_header = "!NoteWorthyComposer(2.5)";

constexpr std::string_view preamble_head =
    "\\version \"2.16.1\"\n"
    "\n"
    "#(set-global-staff-size 24)\n"
    "#(set-default-paper-size \"letter\")\n"
    "#(ly:set-option 'point-and-click #f )\n"
    "#(ly:set-option 'delete-intermediate-files #t)\n"
    "\n"
    "\n"
    "\\book {\n"
    "  % \\bookOutputName \"book_output_name\"\n"
    "  \\paper {\n"
    "    indent = #0\n"
    "    left-margin = 0.75\\in\n"
    "    line-width = 7.0\\in\n"
    "    top-margin = 0.25\\in\n"
    "    bottom-margin = 0.25\\in\n"
    "    print-page-number = ##f\n"
    "    print-first-page-number = ##f\n"
    "    ragged-bottom = ##t\n"
    "    % page-count = 1\n"
    "  }\n"
    "  \\header {\n";

constexpr std::string_view preamble_tail =
    "    tagline = ##f\n"
    "    copyright = \"Public Domain\"\n"
    "  }\n"
    "  \\score {\n"
    "    \\new ChoirStaff {\n"
    "      <<\n"
    "      \\chords { }\n";

void print_header_field(std::string_view name, const char* text, std::FILE* out) {
  put("    ", out);
  put(name, out);
  put(" = \"", out);
  put(header_string_text(text), out);
  put("\"\n", out);
}

}  // namespace

std::string_view header_string_text(std::string_view text) {
  std::size_t trailing = 0;
  while (trailing < text.size() && text[text.size() - 1 - trailing] == '\\')
    ++trailing;
  if (trailing % 2 == 1) text.remove_suffix(1);
  return text;
}

bool check_version_header(std::FILE* err) {
  if (contains(line_text(0), version_header)) return true;
  std::fputs("ERROR: Input is not a Noteworthy Composer 2.X file\n", err);
  return false;
}

void print_preamble(std::FILE* out) {
  put(preamble_head, out);
  print_header_field("title", song_info.title, out);
  print_header_field("poet", song_info.lyricist, out);
  print_header_field("composer", song_info.author, out);
  put(preamble_tail, out);
}

void print_lyric_comments(std::FILE* out) {
  for (const auto& slot : lyric_table) {
    if (slot[0] == '\0') continue;
    put("      % \\addlyrics { ", out);
    put(slot.data(), out);
    put(" }\n", out);
  }
}

void print_closing(std::FILE* out) {
  put("      >>\n    }\n", out);
  if (tempo == 0)
    put("    \\midi { }\n", out);
  else
    std::fprintf(out, "    \\midi { \\tempo 4 = %d }\n", tempo);
  put("    \\layout { \\context { \\Staff printPartCombineTexts = ##f } }\n  }\n}\n\n", out);
}

}  // namespace choirly
