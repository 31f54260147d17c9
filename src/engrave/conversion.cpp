// Runs choirly in-process on memory streams and judges its outcome.
#include "engrave/conversion.hpp"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "choirly.hpp"
#include "engrave/memory_stream.hpp"
#include "engrave/score_preparation.hpp"
#include "engrave/score_texts.hpp"
#include "limits.hpp"
#include "util/lines.hpp"

namespace choirly::engrave {

namespace {

// The warning choirly gives for a score without "!NoteWorthyComposer-End": the document is
// left unfinished, and LilyPond would refuse it.
constexpr std::string_view no_end_marker = "WARNING: Input has no end marker";

std::string first_line_starting(std::string_view text, std::string_view prefix) {
  for (const std::string_view line : util::lines(text))
    if (line.starts_with(prefix)) return std::string(line);
  return {};
}

}  // namespace

int run_choirly(std::string_view windows_1252, std::string& out, std::string& err) {
  // "-SATB" is accepted silently; without an argument choirly notes that there is none.
  char program[] = "choirly";
  char option[] = "-SATB";
  char* argv[] = {program, option, nullptr};
  std::string input(windows_1252);
  std::FILE* in = open_input(input);
  memory_output document, messages;
  if (!in || !document.file() || !messages.file()) {
    if (in) std::fclose(in);
    err = "ERROR: no memory for the conversion\n";
    return 1;
  }
  const int status = choirly::run(2, argv, in, document.file(), messages.file());
  std::fclose(in);
  out = document.text();
  err = messages.text();
  return status;
}

conversion convert_score(std::string_view file, int code_page) {
  conversion converted;
  const result<prepared_score> score = prepare_score(file, true, code_page);
  if (!score) return refused_file(score.reason());
  converted.log = "choirly-engrave: NoteWorthy Composer " + score->version + " score in " +
                  score->encoding + ", converted with the header !NoteWorthyComposer(2.5)\n";
  std::string document, messages;
  const int status = run_choirly(score->windows_1252, document, messages);
  converted.log += messages;
  if (status != 0) {
    std::string reason = first_line_starting(messages, "ERROR: ");
    if (reason.empty()) reason = "choirly exited with status " + std::to_string(status);
    converted.verdict = failure{std::move(reason)};
    return converted;
  }
  const score_texts texts = collect_texts(score->utf8);
  rewritten_document rewritten = rewrite_texts(document, texts);
  if (!rewritten.lyrics_rewritten)
    converted.log +=
        "choirly-engrave: the lyric comments differ in number from the score's "
        "lyrics, so they stay as choirly wrote them\n";
  converted.document = std::move(rewritten.text);
  if (std::string unfinished = first_line_starting(messages, no_end_marker); !unfinished.empty())
    converted.verdict = failure{std::move(unfinished)};
  return converted;
}

conversion_path choirly_path(int code_page) {
  conversion_path path;
  path.name = "choirly";
  // Lines end in CR LF; the byte-order mark and the header are a few bytes more.
  path.max_file_size =
      static_cast<std::size_t>(line_slots) * (4 * static_cast<std::size_t>(input_line_max) + 2) +
      64;
  path.convert = [code_page](std::string_view file) { return convert_score(file, code_page); };
  path.needs_convert_ly = true;
  return path;
}

conversion_path text_copy_path(int code_page) {
  conversion_path path;
  path.name = "the text copy";
  path.max_file_size = choirly_path().max_file_size;
  path.convert = [code_page](std::string_view file) {
    conversion copied;
    const result<prepared_score> score = prepare_score(file, false, code_page);
    if (!score) return refused_file(score.reason());
    copied.log = "choirly-engrave: NoteWorthy Composer " + score->version + " score in " +
                 score->encoding + ", written as text with the header !NoteWorthyComposer(2.75)\n";
    copied.document = text_copy(*score);
    return copied;
  };
  path.needs_convert_ly = false;
  path.document_extension = ".nwctxt";
  return path;
}

}  // namespace choirly::engrave
