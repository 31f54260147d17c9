// The batch scheduler of choirly-engrave: work folders, child processes in groups of their
// own, time limits, interrupts, and the move of finished outputs into place.
#include "engrave/engraver.hpp"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <utility>

#include "engrave/file_io.hpp"

namespace choirly::engrave {

namespace {

namespace fs = std::filesystem;
using steady = std::chrono::steady_clock;

struct active_score {
  std::size_t index = 0;
  fs::path work;  // the score's work folder, inside its output folder
  std::vector<engrave_step> steps;
  std::size_t step = 0;
  pid_t child = -1;
  steady::time_point deadline;
  off_t log_start = 0;
  int warnings = 0;
};

class batch {
 public:
  batch(const std::vector<score_job>& jobs, const engrave_settings& settings,
        batch_observer& observer, std::vector<score_result>& results)
      : jobs_(jobs), settings_(settings), observer_(observer), results_(results) {}

  int run() {
    results_.assign(jobs_.size(), score_result{});
    std::size_t next = 0;
    const std::size_t slots = std::max<std::size_t>(1, settings_.jobs);
    while (next < jobs_.size() || !active_.empty()) {
      if (const int signal = take_interrupt()) return stop(signal);
      if (active_.size() < slots && next < jobs_.size()) {
        start(next++);
        continue;
      }
      if (const int signal = wait_for_children()) return stop(signal);
      reap();
      enforce_deadlines();
    }
    return 0;
  }

 private:
  const score_job& job(const active_score& a) const { return jobs_[a.index]; }
  fs::path work_file(const active_score& a, std::string_view extension) const {
    return a.work / (job(a).stem + std::string(extension));
  }

  // Converts the score and starts its first step, unless it ends there.
  void start(std::size_t index) {
    observer_.started(index);
    active_score a;
    a.index = index;
    const score_job& j = jobs_[index];
    std::error_code error;
    fs::create_directories(j.output_dir, error);
    if (error)
      return fail_early(index,
                        "mkdir " + shown_name(j.output_dir.string()) + ": " + error.message());
    std::string work_name = (j.output_dir / ".choirly-engrave-XXXXXX").string();
    if (!mkdtemp(work_name.data()))
      return fail_early(index, call_failure("mkdtemp", work_name, errno));
    a.work = work_name;

    const outcome converted = convert(a);
    if (!converted) return finish(a, converted);
    if (settings_.ly_only) return finish(a, done{});
    a.steps = lilypond_steps(settings_.tools, settings_.path.needs_convert_ly, settings_.png,
                             jobs_[index].stem);
    if (start_step(a)) active_.push_back(std::move(a));
  }

  // Writes the score's log and document into its work folder; the conversion's verdict.
  outcome convert(const active_score& a) {
    const result<std::string> bytes =
        read_plain_file(job(a).source, settings_.path.max_file_size, settings_.path.name);
    if (!bytes) return failure{bytes.reason()};
    const conversion converted = settings_.path.convert(*bytes);
    if (const outcome written = write_new_file(work_file(a, ".log"), converted.log); !written)
      return written;
    if (!converted.document.empty())
      if (const outcome written =
              write_new_file(work_file(a, settings_.path.document_extension), converted.document);
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

  // Starts the current step; false when it could not start (the score is then finished).
  bool start_step(active_score& a) {
    const engrave_step& step = a.steps[a.step];
    const fs::path log_path = work_file(a, ".log");
    const int log = open(log_path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (log < 0) {
      finish(a, failure{call_failure("open", log_path, errno)});
      return false;
    }
    int out = log;
    if (!step.output_file.empty()) {
      const fs::path out_path = a.work / step.output_file;
      out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
      if (out < 0) {
        const int error = errno;
        close(log);
        finish(a, failure{call_failure("open", out_path, error)});
        return false;
      }
    }
    a.log_start = lseek(log, 0, SEEK_END);
    const result<pid_t> child = spawn_child(step.argv, a.work, out, log);
    if (out != log) close(out);
    close(log);
    if (!child) {
      finish(a, failure{child.reason()});
      return false;
    }
    a.child = *child;
    a.deadline = steady::now() + std::chrono::seconds(settings_.timeout_seconds);
    return true;
  }

  // Waits for a child to end, a time limit to pass or an interrupt: its signal, or 0.
  int wait_for_children() {
    auto wait = std::chrono::nanoseconds(std::chrono::hours(1));
    if (settings_.timeout_seconds > 0) {
      const auto now = steady::now();
      for (const active_score& a : active_)
        wait = std::min(wait, std::max(std::chrono::nanoseconds(0),
                                       std::chrono::nanoseconds(a.deadline - now)));
    }
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(wait);
    return wait_for_child_or_interrupt(static_cast<long>(seconds.count()),
                                       static_cast<long>((wait - seconds).count()));
  }

  // Every child that has ended moves its score on; a child that cannot be waited for fails it.
  void reap() {
    for (std::size_t i = 0; i < active_.size();) {
      active_score& a = active_[i];
      int status = 0;
      pid_t ended = waitpid(a.child, &status, WNOHANG);
      while (ended < 0 && errno == EINTR)
        ended = waitpid(a.child, &status, WNOHANG);
      bool over = false;
      if (ended < 0) {
        const int error = errno;
        end_group(a.child);
        finish(a, failure{"waitpid for " + a.steps[a.step].title + " (process " +
                          std::to_string(a.child) + "): " + std::strerror(error)});
        over = true;
      } else if (ended == a.child) {
        over = !step_done(a, status);
      }
      if (over)
        active_.erase(active_.begin() + static_cast<std::ptrdiff_t>(i));
      else
        ++i;
    }
  }

  void enforce_deadlines() {
    if (settings_.timeout_seconds <= 0) return;
    const auto now = steady::now();
    for (std::size_t i = 0; i < active_.size();) {
      active_score& a = active_[i];
      if (now < a.deadline) {
        ++i;
        continue;
      }
      end_group(a.child);
      finish(a, failure{a.steps[a.step].title + " took longer than " +
                        std::to_string(settings_.timeout_seconds) + " s"});
      active_.erase(active_.begin() + static_cast<std::ptrdiff_t>(i));
    }
  }

  // Judges the step that ended; true when the next step runs, false when the score ended.
  bool step_done(active_score& a, int status) {
    const outcome judged = judge_step(a, status);
    if (judged && ++a.step < a.steps.size()) return start_step(a);
    finish(a, judged);
    return false;
  }

  outcome judge_step(active_score& a, int status) {
    const engrave_step& step = a.steps[a.step];
    if (step.reads_lilypond_log) {
      const lilypond_report report =
          summarize_lilypond(read_file_from(work_file(a, ".log"), a.log_start));
      a.warnings += report.warnings;
      if (!report.verdict) return report.verdict;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
      return failure{step.title + " " + exit_text(status) + " (see " + job(a).shown_out + ".log)"};
    if (!step.output_file.empty()) {
      std::error_code error;
      fs::rename(a.work / step.output_file, a.work / step.replaces, error);
      if (error)
        return failure{"rename " + shown_name((a.work / step.output_file).string()) + ": " +
                       error.message()};
    }
    return done{};
  }

  bool exists(const fs::path& path) const {
    std::error_code error;
    return fs::exists(path, error);
  }

  // Ends the score: its outputs move into place, all of them when it succeeded, only its
  // document and log when it failed.
  void finish(active_score& a, const outcome& verdict) {
    score_result& r = results_[a.index];
    r.warnings = a.warnings;
    r.state = verdict ? score_state::ok : score_state::failed;
    r.reason = verdict.reason();
    note_outputs(a, r);
    move_outputs(a, r);
    std::error_code error;
    fs::remove_all(a.work, error);
    observer_.finished(a.index, r);
  }

  // The ok line's output, and what the user should know of the PDF.
  void note_outputs(const active_score& a, score_result& r) const {
    const score_job& j = job(a);
    const bool ok = r.state == score_state::ok;
    const bool pdf = exists(work_file(a, ".pdf"));
    const bool earlier_pdf = exists(j.output_dir / (j.stem + ".pdf"));
    const std::string shown_pdf = j.shown_out + ".pdf";
    if (ok && settings_.ly_only) {
      r.main_output = settings_.path.document_extension;
    } else if (ok && pdf) {
      r.main_output = ".pdf";
    } else if (ok) {
      r.main_output = ".ly";
      const std::string log = read_file_from(work_file(a, ".log"), 0);
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
  void move_outputs(const active_score& a, score_result& r) const {
    const score_job& j = job(a);
    std::vector<fs::path> outputs;
    std::error_code error;
    if (r.state == score_state::ok) {
      for (fs::directory_iterator it(a.work, error), end; !error && it != end; it.increment(error))
        outputs.push_back(it->path().filename());
      std::sort(outputs.begin(), outputs.end());
      if (error) {
        r.state = score_state::failed;
        r.reason = "opendir " + shown_name(a.work.string()) + ": " + error.message();
        outputs.clear();
      }
    } else {
      for (std::string_view extension :
           {std::string_view(settings_.path.document_extension), std::string_view(".log")})
        if (exists(work_file(a, extension))) outputs.push_back(j.stem + std::string(extension));
    }
    // Renamed one by one: a failure leaves each file whole, the new one or the old one.
    for (const fs::path& name : outputs) {
      if (!error) fs::rename(a.work / name, j.output_dir / name, error);
      if (error && r.reason.empty()) {
        r.state = score_state::failed;
        r.reason = "rename " + shown_name((j.output_dir / name).string()) + ": " + error.message();
      }
    }
  }

  // Ends every child and removes every work folder; the scores in work stay not run.
  int stop(int signal) {
    for (active_score& a : active_) {
      end_group(a.child);
      std::error_code error;
      fs::remove_all(a.work, error);
    }
    active_.clear();
    return signal;
  }

  const std::vector<score_job>& jobs_;
  const engrave_settings& settings_;
  batch_observer& observer_;
  std::vector<score_result>& results_;
  std::vector<active_score> active_;
};

}  // namespace

int engrave_all(const std::vector<score_job>& jobs, const engrave_settings& settings,
                batch_observer& observer, std::vector<score_result>& results) {
  return batch(jobs, settings, observer, results).run();
}

}  // namespace choirly::engrave
