// The batch scheduler of choirly-engrave: scores dealt into groups, each group's documents in
// one work folder and engraved by one LilyPond process, time limits per score, interrupts,
// and the move of each score's finished outputs into place.
#include "engrave/engraver.hpp"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>
#include <filesystem>
#include <optional>
#include <utility>

#include "engrave/file_io.hpp"
#include "engrave/utf8_path.hpp"
#include "engrave/windows_rules.hpp"
#include "util/lines.hpp"

namespace choirly::engrave {

namespace {

namespace fs = std::filesystem;
using steady = std::chrono::steady_clock;

// How often the output of a LilyPond engraving several scores is read for the score it has
// begun: the one before is finished then, and the new one's time limit starts.
constexpr auto announcement_poll = std::chrono::milliseconds(200);

// LilyPond's output for a group goes here, in a folder so that no score's outputs can be
// taken for it.
const fs::path group_log = fs::path("lilypond-output") / "log";

struct member {
  std::size_t index = 0;
  int warnings = 0;
};

// Scores engraved together: their documents in one work folder (in the output folder of the
// first, on the same file system as every member's), convert-ly run on each in turn when the
// path needs it, then one LilyPond process on all that are left.
struct score_group {
  fs::path work;
  std::vector<member> members;  // not finished yet, in LilyPond's order
  std::size_t converting = 0;   // the member convert-ly runs on; members.size() for LilyPond
  engrave_step step;
  child_handle child;
  steady::time_point deadline;
  std::uint64_t log_start = 0;  // where this child's output begins in its log
  std::size_t begun = 0;        // members LilyPond has announced
  std::size_t finished = 0;     // members at the front finished while LilyPond goes on
  std::uint64_t scanned = 0;    // bytes of LilyPond's output read for announcements
  bool lilypond() const { return converting == members.size(); }
};

class batch {
 public:
  batch(const std::vector<score_job>& jobs, const engrave_settings& settings,
        batch_observer& observer, std::vector<score_result>& results)
      : jobs_(jobs), settings_(settings), observer_(observer), results_(results) {}

  int run() {
    results_.assign(jobs_.size(), score_result{});
    queue_scores();
    const std::size_t slots = std::max<std::size_t>(1, settings_.jobs);
    while (!pending_.empty() || !groups_.empty()) {
      if (const int signal = take_interrupt()) return stop(signal);
      if (groups_.size() < slots && !pending_.empty()) {
        start_group(slots - groups_.size());
        continue;
      }
      if (const int signal = wait_for_children()) return stop(signal);
      reap();
      watch_lilypond();
    }
    return 0;
  }

 private:
  const score_job& job(std::size_t index) const { return jobs_[index]; }
  fs::path work_file(const score_group& g, std::size_t index, std::string_view extension) const {
    return g.work / path_of(job(index).stem + std::string(extension));
  }

  // Longest first (by the size of the score file), so that no long score finishes last; a
  // batch that only converts keeps the order found.
  void queue_scores() {
    sizes_.assign(jobs_.size(), 0);
    devices_.assign(jobs_.size(), 0);
    for (std::size_t i = 0; i < jobs_.size(); ++i) {
      std::error_code error;
      const std::uintmax_t size = fs::file_size(jobs_[i].source, error);
      sizes_[i] = error ? 0 : size;
      pending_.push_back(i);
    }
    if (!settings_.ly_only)
      std::stable_sort(pending_.begin(), pending_.end(),
                       [&](std::size_t a, std::size_t b) { return sizes_[a] > sizes_[b]; });
  }

  // The output folder made, and its device; false when it cannot be made (the score failed).
  bool prepare_output(std::size_t index) {
    const score_job& j = job(index);
    std::error_code error;
    fs::create_directories(j.output_dir, error);
    const result<file_facts> facts =
        error ? result<file_facts>(failure{error.message()}) : look_at(j.output_dir);
    if (!facts) {
      observer_.started(index);
      fail_early(index, "mkdir " + shown_path(j.output_dir) + ": " + facts.reason());
      return false;
    }
    devices_[index] = facts->volume;
    return true;
  }

  // Takes the next score and as many more as the group may hold: on the same file system,
  // with outputs that cannot be mixed up, within the bounds, and no more than an even share
  // of what is left among the workers free now, so that each of them has some.
  std::vector<std::size_t> choose_members(std::size_t free_slots) {
    std::vector<std::size_t> chosen;
    while (!pending_.empty() && chosen.empty()) {
      const std::size_t first = pending_.front();
      pending_.pop_front();
      if (prepare_output(first)) chosen.push_back(first);
    }
    if (chosen.empty() || settings_.ly_only) return chosen;
    const std::size_t share = (pending_.size() + free_slots) / free_slots;
    const std::size_t most = std::min(std::max<std::size_t>(1, settings_.group_scores), share);
    std::uintmax_t bytes = sizes_[chosen[0]];
    for (auto it = pending_.begin(); it != pending_.end() && chosen.size() < most;) {
      const std::size_t index = *it;
      const bool fits = bytes + sizes_[index] <= settings_.group_bytes &&
                        std::none_of(chosen.begin(), chosen.end(), [&](std::size_t other) {
                          return outputs_overlap(job(other).stem, job(index).stem);
                        });
      if (!fits || !prepare_output(index)) {
        // One that failed to prepare has ended; one that does not fit waits.
        it = fits ? pending_.erase(it) : it + 1;
        continue;
      }
      if (devices_[index] != devices_[chosen[0]]) {
        ++it;
        continue;
      }
      bytes += sizes_[index];
      chosen.push_back(index);
      it = pending_.erase(it);
    }
    return chosen;
  }

  // Converts the group's scores into a new work folder and starts its first child.
  void start_group(std::size_t free_slots) {
    const std::vector<std::size_t> chosen = choose_members(free_slots);
    if (chosen.empty()) return;
    score_group g;
    const result<fs::path> work = make_work_folder(job(chosen[0]).output_dir);
    if (!work) {
      for (std::size_t index : chosen) {
        observer_.started(index);
        fail_early(index, work.reason());
      }
      return;
    }
    g.work = *work;
    for (std::size_t index : chosen) {
      observer_.started(index);
      member m{index, 0};
      const outcome converted = convert(g, index);
      if (!converted)
        finish(g, m, converted);
      else if (settings_.ly_only)
        finish(g, m, done{});
      else
        g.members.push_back(m);
    }
    g.converting = settings_.path.needs_convert_ly ? 0 : g.members.size();
    if (start_step(g)) groups_.push_back(std::move(g));
  }

  // Writes the score's log and document into the work folder; the conversion's verdict.
  outcome convert(const score_group& g, std::size_t index) {
    const result<std::string> bytes =
        read_plain_file(job(index).source, settings_.path.max_file_size, settings_.path.name);
    if (!bytes) return failure{bytes.reason()};
    const conversion converted = settings_.path.convert(*bytes);
    if (const outcome written = write_new_file(work_file(g, index, ".log"), converted.log);
        !written)
      return written;
    if (!converted.document.empty())
      if (const outcome written = write_new_file(
              work_file(g, index, settings_.path.document_extension), converted.document);
          !written)
        return written;
    return converted.verdict;
  }

  void fail_early(std::size_t index, std::string reason) {
    score_result& r = results_[index];
    r.state = score_state::failed;
    r.reason = std::move(reason);
    observer_.finished(index, r);
  }

  // Starts the group's next child: convert-ly on a member, or LilyPond on all of them. False
  // when nothing is left to run (the group's members have all finished and its folder is
  // gone).
  bool start_step(score_group& g) {
    while (!g.members.empty()) {
      const outcome started = spawn_step(g);
      if (started) return true;
      // convert-ly fails its one member; LilyPond, all of them.
      if (!g.lilypond()) {
        finish(g, g.members[g.converting], started);
        g.members.erase(g.members.begin() + static_cast<std::ptrdiff_t>(g.converting));
        continue;
      }
      for (member& m : g.members)
        finish(g, m, started);
      g.members.clear();
    }
    std::error_code error;
    fs::remove_all(g.work, error);
    return false;
  }

  outcome spawn_step(score_group& g) {
    fs::path log_path;
    if (g.lilypond()) {
      std::vector<std::string> stems;
      for (const member& m : g.members)
        stems.push_back(job(m.index).stem);
      g.step = lilypond_step(settings_.tools, settings_.png, stems);
      std::error_code error;
      fs::create_directories(g.work / group_log.parent_path(), error);
      log_path = g.work / group_log;
    } else {
      const std::size_t index = g.members[g.converting].index;
      g.step = convert_ly_step(settings_.tools, job(index).stem);
      log_path = work_file(g, index, ".log");
    }
    std::error_code error;
    const std::uintmax_t log_size = fs::file_size(log_path, error);
    g.log_start = error ? 0 : log_size;
    g.scanned = g.log_start;
    g.begun = 0;
    g.finished = 0;
    std::optional<fs::path> output;
    if (!g.step.output_file.empty()) output = g.work / path_of(g.step.output_file);
    const result<child_handle> child = spawn_child(g.step.argv, g.work, log_path, output);
    if (!child) return failure{child.reason()};
    g.child = *child;
    g.deadline = steady::now() + std::chrono::seconds(settings_.timeout_seconds);
    return done{};
  }

  // Waits for a child to end, a time limit to pass, LilyPond's output to be read again or an
  // interrupt: its signal, or 0.
  int wait_for_children() {
    auto wait = std::chrono::nanoseconds(std::chrono::hours(1));
    const auto now = steady::now();
    std::vector<child_handle> children;
    for (const score_group& g : groups_) {
      children.push_back(g.child);
      if (settings_.timeout_seconds > 0)
        wait = std::min(wait, std::max(std::chrono::nanoseconds(0),
                                       std::chrono::nanoseconds(g.deadline - now)));
      if (g.lilypond() && g.members.size() > 1)
        wait = std::min<std::chrono::nanoseconds>(wait, announcement_poll);
    }
    return wait_for_child_or_interrupt(children, wait);
  }

  // Every child that has ended moves its group on; one that cannot be waited for fails the
  // score it was on.
  void reap() {
    for (std::size_t i = 0; i < groups_.size();) {
      score_group& g = groups_[i];
      const result<std::optional<child_exit>> ended = poll_child(g.child, g.step.title);
      bool going = true;
      if (!ended) {
        end_child(g.child);
        going = child_failed(g, failure{ended.reason()});
      } else if (*ended) {
        going = g.lilypond() ? lilypond_done(g, **ended) : convert_ly_done(g, **ended);
      }
      if (going)
        ++i;
      else
        groups_.erase(groups_.begin() + static_cast<std::ptrdiff_t>(i));
    }
  }

  // Each score LilyPond begins gets the time limit afresh; a child past its limit is ended.
  // Scores that LilyPond has finished (it began the next one) are finished at once.
  void watch_lilypond() {
    const auto now = steady::now();
    for (std::size_t i = 0; i < groups_.size();) {
      score_group& g = groups_[i];
      if (g.lilypond() && g.members.size() > 1) note_announcements(g, now);
      if (settings_.timeout_seconds <= 0 || now < g.deadline) {
        ++i;
        continue;
      }
      end_child(g.child);
      if (child_failed(g, failure{g.step.title + " took longer than " +
                                  std::to_string(settings_.timeout_seconds) + " s"}))
        ++i;
      else
        groups_.erase(groups_.begin() + static_cast<std::ptrdiff_t>(i));
    }
  }

  // Reads LilyPond's new whole lines for "Processing `DOCUMENT'" of the members to come.
  void note_announcements(score_group& g, steady::time_point now) {
    const std::string text = read_file_from(g.work / group_log, g.scanned);
    const std::size_t whole = text.rfind('\n');
    if (whole == std::string::npos) return;
    g.scanned += whole + 1;
    for (std::string_view line : util::lines(std::string_view(text).substr(0, whole))) {
      if (g.begun >= g.members.size()) break;
      if (line.ends_with('\r')) line.remove_suffix(1);
      const std::string expected =
          "Processing `" + document_argument(job(g.members[g.begun].index).stem) + "'";
      if (line != expected) continue;
      // The first member's time began when the process did.
      if (g.begun++ > 0) g.deadline = now + std::chrono::seconds(settings_.timeout_seconds);
    }
    if (g.begun < g.finished + 2) return;
    const std::vector<std::string> arguments = arguments_of(g);
    const lilypond_output output =
        split_lilypond_output(read_file_from(g.work / group_log, g.log_start), arguments);
    for (; g.finished + 1 < std::min(g.begun, output.parts.size()); ++g.finished)
      judge_part(g, g.finished, output, arguments, std::nullopt);
  }

  std::vector<std::string> arguments_of(const score_group& g) const {
    std::vector<std::string> arguments;
    for (const member& m : g.members)
      arguments.push_back(document_argument(job(m.index).stem));
    return arguments;
  }

  // Adds the member's part of LilyPond's output to its log and finishes it: failed by the
  // part's first error, or else by `failed`, when given.
  void judge_part(score_group& g, std::size_t k, const lilypond_output& output,
                  const std::vector<std::string>& arguments,
                  const std::optional<std::string>& failed) {
    member& m = g.members[k];
    const std::string text = output.alone(k, arguments[k]);
    append_to_file(work_file(g, m.index, ".log"), text);
    const lilypond_report report = summarize_lilypond(text);
    m.warnings += report.warnings;
    if (!report.verdict)
      finish(g, m, report.verdict);
    else if (failed)
      finish(g, m, failure{*failed});
    else
      finish(g, m, done{});
  }

  // convert-ly ended: its member goes on to LilyPond, or has failed.
  bool convert_ly_done(score_group& g, const child_exit& status) {
    member& m = g.members[g.converting];
    outcome judged = done{};
    if (!status.clean) {
      judged =
          failure{g.step.title + " " + status.text + " (see " + job(m.index).shown_out + ".log)"};
    } else {
      std::error_code error;
      const fs::path output = g.work / path_of(g.step.output_file);
      fs::rename(output, g.work / path_of(g.step.replaces), error);
      if (error) judged = failure{"rename " + shown_path(output) + ": " + error.message()};
    }
    if (judged) {
      ++g.converting;
    } else {
      finish(g, m, judged);
      g.members.erase(g.members.begin() + static_cast<std::ptrdiff_t>(g.converting));
    }
    return start_step(g);
  }

  // A child ended by the batch (past its time limit) or lost to it (not to be waited for):
  // convert-ly's member fails, and LilyPond's output is judged as far as it went.
  bool child_failed(score_group& g, const outcome& why) {
    if (!g.lilypond()) {
      finish(g, g.members[g.converting], why);
      g.members.erase(g.members.begin() + static_cast<std::ptrdiff_t>(g.converting));
      return start_step(g);
    }
    return lilypond_ended(g, {false, {}, why.reason()});
  }

  bool lilypond_done(score_group& g, const child_exit& status) {
    return lilypond_ended(g, {status.clean, status.text, std::nullopt});
  }

  struct run_end {
    bool clean;                            // exited with status 0
    std::string status;                    // how it exited, when it did by itself
    std::optional<std::string> cut_short;  // why the batch ended it
  };

  // Gives each member its part of LilyPond's output and judges it. The members LilyPond
  // finished are judged by their parts alone; the one it was on when it failed fails with
  // it; the ones it never began are engraved again by a new process. A run that ended by
  // itself, cleanly or with its closing line, has finished with every member.
  bool lilypond_ended(score_group& g, const run_end& end) {
    const std::vector<std::string> arguments = arguments_of(g);
    const lilypond_output output =
        split_lilypond_output(read_file_from(g.work / group_log, g.log_start), arguments);
    const bool whole_run = !end.cut_short && (end.clean || !output.closing.empty());
    // The member the failure belongs to: the last one begun, or the first.
    const std::size_t failing =
        whole_run ? g.members.size() : std::max<std::size_t>(output.parts.size(), 1) - 1;
    const std::size_t judged = whole_run ? g.members.size() : failing + 1;
    for (std::size_t k = g.finished; k < judged; ++k) {
      if (k == failing && end.cut_short)
        finish(g, g.members[k], failure{*end.cut_short});
      else if (k == failing)
        judge_part(g, k, output, arguments, "LilyPond " + end.status + see_log(g.members[k]));
      else
        judge_part(g, k, output, arguments, std::nullopt);
    }
    g.members.erase(
        g.members.begin(),
        whole_run ? g.members.end() : g.members.begin() + static_cast<std::ptrdiff_t>(judged));
    g.converting = g.members.size();  // the ones left go to LilyPond again
    return start_step(g);
  }

  std::string see_log(const member& m) const { return " (see " + job(m.index).shown_out + ".log)"; }

  bool exists(const fs::path& path) const {
    std::error_code error;
    return fs::exists(path, error);
  }

  // Ends the score: its outputs move into place, all of them when it succeeded, only its
  // document and log when it failed.
  void finish(const score_group& g, const member& m, const outcome& verdict) {
    score_result& r = results_[m.index];
    r.warnings = m.warnings;
    r.state = verdict ? score_state::ok : score_state::failed;
    r.reason = verdict.reason();
    note_outputs(g, m.index, r);
    move_outputs(g, m.index, r);
    observer_.finished(m.index, r);
  }

  // The ok line's output, and what the user should know of the PDF.
  void note_outputs(const score_group& g, std::size_t index, score_result& r) const {
    const score_job& j = job(index);
    const bool ok = r.state == score_state::ok;
    const bool pdf = exists(work_file(g, index, ".pdf"));
    const bool earlier_pdf = exists(j.output_dir / path_of(j.stem + ".pdf"));
    const std::string shown_pdf = j.shown_out + ".pdf";
    if (ok && settings_.ly_only) {
      r.main_output = settings_.path.document_extension;
    } else if (ok && pdf) {
      r.main_output = ".pdf";
    } else if (ok) {
      r.main_output = ".ly";
      const std::string log = read_file_from(work_file(g, index, ".log"), 0);
      const bool no_music = log.find("skipping zero-duration score") != std::string::npos ||
                            log.find("no music found in score") != std::string::npos;
      r.note = no_music ? "no PDF: LilyPond skipped a score without music"
                        : "no PDF: LilyPond wrote none";
      if (earlier_pdf) r.note += "; the " + shown_pdf + " there is from an earlier run";
    } else if (earlier_pdf && !settings_.ly_only) {
      r.note = shown_pdf + " of an earlier run left as it was";
    }
  }

  // Every output of a score that succeeded, only the document and log of one that failed.
  void move_outputs(const score_group& g, std::size_t index, score_result& r) const {
    const score_job& j = job(index);
    std::vector<std::string> outputs;
    std::error_code error;
    if (r.state == score_state::ok) {
      for (fs::directory_iterator it(g.work, error), end; !error && it != end;
           it.increment(error)) {
        std::error_code type_error;
        const std::string name = utf8_of(it->path().filename());
        if (!it->is_directory(type_error) && is_output_of(name, j.stem)) outputs.push_back(name);
      }
      std::sort(outputs.begin(), outputs.end());
      if (error) {
        r.state = score_state::failed;
        r.reason = "opendir " + shown_path(g.work) + ": " + error.message();
        outputs.clear();
      }
    } else {
      for (std::string_view extension :
           {std::string_view(settings_.path.document_extension), std::string_view(".log")})
        if (exists(work_file(g, index, extension)))
          outputs.push_back(j.stem + std::string(extension));
    }
    // Renamed one by one: a failure leaves each file whole, the new one or the old one. One
    // that a viewer holds open (on Windows) is put beside it, and the rest go on.
    for (const std::string& name : outputs) {
      if (error) break;
      const fs::path to = j.output_dir / path_of(name);
      const result<placed> moved = move_into_place(g.work / path_of(name), to);
      if (!moved) {
        error = std::make_error_code(std::errc::io_error);
        if (!r.reason.empty()) continue;
        r.state = score_state::failed;
        r.reason = "rename " + shown_path(to) + ": " + moved.reason();
      } else if (*moved == placed::kept_beside) {
        // An ok score's reason is empty; a failed one keeps its own.
        if (r.reason.empty()) {
          r.state = score_state::failed;
          r.reason = "cannot replace " + j.shown_out + shown_name(name.substr(j.stem.size())) +
                     ": it is open in another program";
        }
        r.note += (r.note.empty() ? "" : "; ") + std::string("the new one is ") + j.shown_out +
                  shown_name(kept_beside_name(name).substr(j.stem.size()));
      }
    }
  }

  // Ends every child and removes every work folder; the scores in work stay not run.
  int stop(int signal) {
    for (score_group& g : groups_) {
      end_child(g.child);
      std::error_code error;
      fs::remove_all(g.work, error);
    }
    groups_.clear();
    return signal;
  }

  const std::vector<score_job>& jobs_;
  const engrave_settings& settings_;
  batch_observer& observer_;
  std::vector<score_result>& results_;
  std::vector<std::uintmax_t> sizes_;
  std::vector<std::uint64_t> devices_;
  std::deque<std::size_t> pending_;
  std::vector<score_group> groups_;
};

}  // namespace

int engrave_all(const std::vector<score_job>& jobs, const engrave_settings& settings,
                batch_observer& observer, std::vector<score_result>& results) {
  return batch(jobs, settings, observer, results).run();
}

}  // namespace choirly::engrave
