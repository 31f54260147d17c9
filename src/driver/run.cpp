// The run sequence: command line, first pass, header check, preamble, second pass.
#include <cerrno>
#include <cstring>

#include "choirly.hpp"
#include "driver/command_line.hpp"
#include "driver/line_reader.hpp"
#include "driver/song_capture.hpp"
#include "lilypond/document_frame.hpp"
#include "translate/conversion_pass.hpp"
#include "translate/staff_table.hpp"

namespace choirly {

int run(int argc, char** argv, std::FILE* in, std::FILE* out, std::FILE* err) {
  reset_line_table();
  reset_song_data();
  reset_staff_table();
  reset_conversion_state();

  parse_command_line(argc, argv, err);
  int status = 0;
  if (!read_score(in, err) || !check_version_header(err)) {
    status = 1;
  } else {
    print_preamble(out);
    convert_stored_lines(out, err);
  }
  // A document that did not reach its reader is a failed run, not a converted score.
  errno = 0;
  if (std::fflush(out) != 0 || std::ferror(out)) {
    const int error = errno != 0 ? errno : EIO;
    std::fprintf(err, "ERROR: Cannot write the document to standard output: %s\n",
                 std::strerror(error));
    status = 1;
  }
  std::fflush(err);
  return status;
}

}  // namespace choirly
