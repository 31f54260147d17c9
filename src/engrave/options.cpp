// Reads choirly-engrave's arguments; what the user mistyped is named, nothing is printed here.
#include "engrave/options.hpp"

#include <algorithm>
#include <array>
#include <utility>

#include "engrave/shown_name.hpp"
#include "engrave/text_encoding.hpp"
#include "engrave/utf8_path.hpp"

namespace choirly::engrave {

namespace fs = std::filesystem;

const std::string_view usage_text =
    "usage: choirly-engrave [-j N] [-o DIR] [--timeout SECONDS] [--choirly] [--ly-only]\n"
    "                       [--nwctxt-only] [--codepage N] [--parts] [--png]\n"
    "                       [--lilypond PROGRAM] [-q] [--help] [--version] [--] PATH...\n"
    "\n"
    "Writes each NoteWorthy Composer score, text (.nwctxt) or NoteWorthy's own file (.nwc,\n"
    "saved by version 1.70 to 2.75), as a LilyPond 2.24 score, with its lyrics, triplets and\n"
    "changes in place, and engraves it with LilyPond. A PATH is a score, or a folder searched\n"
    "for scores in every subfolder. NAME.ly, NAME.pdf, NAME.midi and NAME.log are written\n"
    "beside each score (NAME.nwc.ly and so on for a .nwc file beside a NAME.nwctxt).\n"
    "\n"
    "  -j N       run N LilyPond processes at a time, each on a group of scores\n"
    "             (default: the number of cores)\n"
    "  -o DIR     write into DIR instead, keeping the folders below each PATH\n"
    "  --timeout SECONDS\n"
    "             end a convert-ly run, or lilypond's work on one score, that takes\n"
    "             longer (default 600, 0: never)\n"
    "  --choirly  convert with choirly's fixed format instead, updated by convert-ly\n"
    "  --ly-only  write the .ly files alone, without LilyPond\n"
    "  --nwctxt-only\n"
    "             write each score as NAME.nwctxt instead (2.75 text, UTF-8), without LilyPond\n"
    "  --codepage N\n"
    "             read the texts of .nwc files, and of text scores before 2.75 that name no\n"
    "             code page, in Windows code page N (default: Windows-1252, or 949, 932, 936\n"
    "             or 950 when their bytes read as that code page's characters)\n"
    "  --parts    write each voice's part too: NAME-PART.pdf, the staff alone with its words,\n"
    "             and NAME-PART-rehearsal.midi, every staff playing with that one loud and in\n"
    "             the middle (PART from the staff's label or name; the staves that sing, or\n"
    "             every staff when none does)\n"
    "  --png      write PNG pages as well\n"
    "  --lilypond PROGRAM\n"
    "             engrave with this lilypond, or the one in this folder, and the convert-ly\n"
    "             beside it (default: the ones on PATH; on Windows also the newest\n"
    "             lilypond-2.2* folder in Program Files or AppData\\Local\\Programs)\n"
    "  -q         print only the failures and the summary\n"
    "  --help     print this help\n"
    "  --version  print the version\n"
    "  --         every argument after it is a PATH\n";

namespace {

std::optional<int> whole_number(std::string_view text, int most) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  int n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
  }
  if (n > most) return std::nullopt;
  return n;
}

// The options that take no value, and the setting each turns on.
constexpr std::array<std::pair<std::string_view, bool options::*>, 6> switches = {{
    {"--ly-only", &options::ly_only},
    {"--nwctxt-only", &options::nwctxt_only},
    {"--choirly", &options::choirly},
    {"--parts", &options::parts},
    {"--png", &options::png},
    {"-q", &options::quiet},
}};

// Options that cannot be given together.
result<options> checked(options opts) {
  if (opts.paths.empty()) return failure{"no PATH given"};
  if (opts.nwctxt_only && (opts.choirly || opts.png))
    return failure{"--nwctxt-only writes no LilyPond, so it takes neither --choirly nor --png"};
  if (opts.nwctxt_only && opts.parts)
    return failure{"--nwctxt-only writes no LilyPond, so it makes no parts (--parts)"};
  if (opts.parts && opts.choirly)
    return failure{"--parts needs the page path; choirly's fixed format (--choirly) has no parts"};
  return opts;
}

}  // namespace

result<options> parse_options(int argc, const char* const* argv) {
  options opts;
  bool only_paths = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    // An option's value: the rest of the argument, or the next argument.
    const auto value_of = [&](std::string_view attached) -> std::optional<std::string_view> {
      if (!attached.empty()) return attached;
      if (i + 1 == argc) return std::nullopt;
      return std::string_view(argv[++i]);
    };
    const auto needs_value = [](std::string_view name) {
      return failure{std::string(name) + " needs a value"};
    };
    if (only_paths || arg.empty() || arg[0] != '-' || arg == "-") {
      opts.paths.emplace_back(arg);
    } else if (arg == "--") {
      only_paths = true;
    } else if (arg == "--help" || arg == "--version") {
      opts.asked = arg == "--help" ? options::request::help : options::request::version;
      return opts;
    } else if (const auto sw = std::find_if(switches.begin(), switches.end(),
                                            [&](const auto& o) { return o.first == arg; });
               sw != switches.end()) {
      opts.*(sw->second) = true;
    } else if (arg == "--codepage" || arg.starts_with("--codepage=")) {
      const std::optional<std::string_view> value =
          arg == "--codepage" ? value_of(arg.substr(arg.size())) : arg.substr(11);
      if (!value) return needs_value("--codepage");
      const std::optional<int> n = whole_number(*value, 65535);
      if (!n || *n < 1 || !known_code_page(*n))
        return failure{
            "--codepage needs the number of a Windows code page that iconv knows, "
            "such as 1252 or 949, not '" +
            shown_name(*value) + "'"};
      opts.code_page = *n;
    } else if (arg == "--lilypond" || arg.starts_with("--lilypond=")) {
      const std::optional<std::string_view> value =
          arg == "--lilypond" ? value_of(arg.substr(arg.size())) : arg.substr(11);
      if (!value) return needs_value("--lilypond");
      if (value->empty()) return failure{"--lilypond needs a program or a folder"};
      opts.lilypond = std::string(*value);
    } else if (arg == "--timeout" || arg.starts_with("--timeout=")) {
      const std::optional<std::string_view> value =
          arg == "--timeout" ? value_of(arg.substr(arg.size())) : arg.substr(10);
      if (!value) return needs_value("--timeout");
      const std::optional<int> n = whole_number(*value, 999999);
      if (!n)
        return failure{"--timeout needs a whole number of seconds from 0 to 999999, not '" +
                       shown_name(*value) + "'"};
      opts.timeout = *n;
    } else if (arg.starts_with("-j")) {
      const std::optional<std::string_view> value = value_of(arg.substr(2));
      if (!value) return needs_value("-j");
      const std::optional<int> n = whole_number(*value, 9999);
      if (!n || *n < 1)
        return failure{"-j needs a whole number from 1 to 9999, not '" + shown_name(*value) + "'"};
      opts.jobs = static_cast<std::size_t>(*n);
    } else if (arg.starts_with("-o")) {
      const std::optional<std::string_view> value = value_of(arg.substr(2));
      if (!value) return needs_value("-o");
      if (value->empty()) return failure{"-o needs a folder name"};
      opts.output_dir = path_of(*value);
    } else {
      return failure{"unknown option " + shown_name(arg) +
                     "; a PATH that begins with '-' goes after --"};
    }
  }
  return checked(std::move(opts));
}

}  // namespace choirly::engrave
