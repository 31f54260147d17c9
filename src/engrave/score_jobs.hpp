// The scores a run of choirly-engrave works on: found below the paths it is given, each once,
// with the names of its outputs, and the names shown for them in messages.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engrave/result.hpp"
#include "engrave/shown_name.hpp"

namespace choirly::engrave {

struct score_job {
  std::filesystem::path source;
  std::string shown;                 // the score's path below its PATH, escaped for messages
  std::filesystem::path output_dir;  // where the outputs go
  std::string stem;                  // their file name without extension
  std::string shown_out;             // the outputs' path below the PATH, escaped, no extension
};

// A file named like a score that is not run, and why.
struct skipped_path {
  std::string shown;
  std::string reason;
};

struct score_search {
  std::vector<score_job> jobs;  // each file once, in the order found
  std::vector<skipped_path> skipped;
  std::vector<std::string> empty_folders;  // the folder PATHs with no score in them, as shown
};

// Every score (.nwctxt or .nwc, in any case) below the paths, in the order given and, within a
// folder, sorted by path. A file reached twice (named twice, or through a link) is taken
// once. The outputs go beside each score, or under `output_dir` with the folders below each
// PATH kept; those of NAME.nwc are named NAME.nwc.* when a NAME.nwctxt lies beside it, so
// that the two never write each other's. Fails, finding nothing, when a PATH is no score and
// no folder.
result<score_search> find_scores(const std::vector<std::string>& paths,
                                 const std::optional<std::filesystem::path>& output_dir);

// Fails when two of the scores cannot run together: they would write the same outputs, or,
// with `parts`, one score's parts would write another's (A-PART.pdf of A, and A-PART).
outcome check_outputs_apart(const std::vector<score_job>& jobs, bool parts = false);

bool has_score_extension(const std::filesystem::path& file);

// The file name extension in lower case, such as ".nwc".
std::string lower_extension(const std::filesystem::path& file);

}  // namespace choirly::engrave
