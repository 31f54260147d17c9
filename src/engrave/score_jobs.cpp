// Finds the scores below the given paths, names their outputs, and keeps one job per file.
#include "engrave/score_jobs.hpp"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <utility>

#include "engrave/file_io.hpp"
#include "engrave/utf8_path.hpp"

namespace fs = std::filesystem;

namespace choirly::engrave {

namespace {

struct search {
  const std::optional<fs::path>& output_dir;
  score_search result;
  std::set<std::pair<std::uint64_t, std::uint64_t>> seen;

  // Takes one file named like a score, `below` being its path below the PATH it came from.
  void take(const fs::path& file, const fs::path& below, const fs::path& out_root) {
    const auto facts = look_at(file);
    if (!facts) {
      result.skipped.push_back({shown_path(below), facts.reason()});
      return;
    }
    if (!facts->plain) {
      result.skipped.push_back(
          {shown_path(below), std::string(facts->kind) + ", not a score file"});
      return;
    }
    if (!seen.insert({facts->volume, facts->index}).second) return;
    score_job job;
    job.source = file;
    job.shown = shown_path(below);
    fs::path base = out_root / below;
    job.output_dir = base.has_parent_path() ? base.parent_path() : fs::path(".");
    job.stem = utf8_of(base.stem());
    fs::path shown_out = below;
    job.shown_out = shown_path(shown_out.replace_extension());
    result.jobs.push_back(std::move(job));
  }

  // Every file named like a score below `dir`, and every folder that cannot be read, in
  // `skipped`. Links to folders are not followed, so a loop of links ends.
  void walk(const fs::path& dir, const fs::path& root, std::vector<fs::path>& found) {
    std::error_code error;
    fs::directory_iterator it(dir, error), end;
    for (; !error && it != end; it.increment(error)) {
      std::error_code type_error;
      const fs::file_status own = it->symlink_status(type_error);
      if (fs::is_directory(own))
        walk(it->path(), root, found);
      else if (has_score_extension(it->path()))
        found.push_back(it->path());
    }
    if (error) {
      const fs::path below = dir == root ? dir : dir.lexically_relative(root);
      result.skipped.push_back(
          {shown_path(below), "cannot search this folder: opendir: " + error.message()});
    }
  }
};

}  // namespace

std::string lower_extension(const fs::path& file) {
  std::string ext = utf8_of(file.extension());
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext;
}

bool has_score_extension(const fs::path& file) {
  const std::string ext = lower_extension(file);
  return ext == ".nwctxt" || ext == ".nwc";
}

namespace {

// The stems of the .nwctxt files in `dir`, read once for each folder.
const std::set<std::string>& text_stems(std::map<fs::path, std::set<std::string>>& known,
                                        const fs::path& dir) {
  const auto [entry, added] = known.try_emplace(dir);
  if (!added) return entry->second;
  std::error_code error;
  for (fs::directory_iterator it(dir.empty() ? fs::path(".") : dir, error), end;
       !error && it != end; it.increment(error))
    if (lower_extension(it->path()) == ".nwctxt") entry->second.insert(utf8_of(it->path().stem()));
  return entry->second;
}

// NAME.nwc beside NAME.nwctxt: its outputs keep the extension in their name.
void keep_outputs_apart(std::vector<score_job>& jobs) {
  std::map<fs::path, std::set<std::string>> known;
  for (score_job& job : jobs) {
    if (lower_extension(job.source) != ".nwc") continue;
    const std::string stem = utf8_of(job.source.stem());
    if (text_stems(known, job.source.parent_path()).count(stem) == 0) continue;
    job.stem += utf8_of(job.source.extension());
    job.shown_out += shown_path(job.source.extension());
  }
}

}  // namespace

result<score_search> find_scores(const std::vector<std::string>& paths,
                                 const std::optional<fs::path>& output_dir) {
  search s{output_dir, {}, {}};
  for (const std::string& arg : paths) {
    const fs::path path = path_of(arg);
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (fs::is_directory(status)) {
      std::vector<fs::path> found;
      s.walk(path, path, found);
      if (found.empty()) s.result.empty_folders.push_back(shown_path(path));
      std::sort(found.begin(), found.end());
      for (const fs::path& file : found)
        s.take(file, file.lexically_relative(path), output_dir.value_or(path));
    } else if (fs::exists(status)) {
      if (!has_score_extension(path))
        return failure{shown_path(path) + " is neither a .nwctxt or .nwc file nor a folder"};
      s.take(path, path.filename(), output_dir.value_or(path.parent_path()));
    } else {
      return failure{"no such file or folder: " + shown_path(path)};
    }
  }
  keep_outputs_apart(s.result.jobs);
  return std::move(s.result);
}

outcome check_outputs_apart(const std::vector<score_job>& jobs, bool parts) {
  // The output folder as the file system resolves it, so that two spellings of one folder
  // (a/../b, a link) meet.
  std::map<fs::path, std::size_t> owners;
  std::vector<fs::path> outputs(jobs.size());
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    std::error_code error;
    const fs::path absolute = fs::absolute(jobs[i].output_dir, error);
    fs::path dir = fs::weakly_canonical(absolute, error);
    if (error) dir = absolute.lexically_normal();
    outputs[i] = dir / jobs[i].stem;
    const auto [owner, first] = owners.emplace(outputs[i], i);
    if (first) continue;
    const score_job& other = jobs[owner->second];
    return failure{shown_path(other.source) + " and " + shown_path(jobs[i].source) +
                   " would both write " + shown_path(jobs[i].output_dir / path_of(jobs[i].stem)) +
                   ".*; rename one of them, or engrave them in separate runs"};
  }
  // A part of score A is A-PART.pdf: it would replace the PDF of a score named A-PART.
  for (std::size_t i = 0; parts && i < jobs.size(); ++i) {
    const std::string& stem = jobs[i].stem;
    for (std::size_t dash = stem.find('-'); dash != std::string::npos;
         dash = stem.find('-', dash + 1)) {
      const auto owner = owners.find(outputs[i].parent_path() / stem.substr(0, dash));
      if (owner == owners.end()) continue;
      const score_job& other = jobs[owner->second];
      return failure{"the parts of " + shown_path(other.source) + " (--parts) could replace " +
                     shown_path(jobs[i].output_dir / path_of(stem)) + ".*, written for " +
                     shown_path(jobs[i].source) +
                     "; rename one of them, or engrave them in separate runs"};
    }
  }
  return done{};
}

}  // namespace choirly::engrave
