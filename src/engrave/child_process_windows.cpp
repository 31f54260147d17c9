// CreateProcessW with each child in a Job object, and the console events that keep
// interrupts for the batch.
#include <windows.h>

#include <algorithm>
#include <atomic>

#include "engrave/child_process.hpp"
#include "engrave/utf8_path.hpp"
#include "engrave/windows_rules.hpp"
#include "engrave/windows_text.hpp"

namespace choirly::engrave {

namespace {

constexpr int interrupt_signal = 2;  // Ctrl-C and closing the window count as SIGINT

// The console calls its handler on a thread of its own, with no context: what it saw waits
// here for the batch.
std::atomic<int> pending_interrupt{0};
std::atomic<HANDLE> interrupt_event{nullptr};

BOOL WINAPI on_console_event(DWORD event) {
  pending_interrupt.store(interrupt_signal);
  if (const HANDLE woken = interrupt_event.load()) SetEvent(woken);
  // Windows ends the process as soon as this returns from a closing window, a logoff or a
  // shutdown: it waits here while the batch ends its children and removes its work folders,
  // then leaves by returning from main.
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
    Sleep(INFINITE);
  return TRUE;
}

HANDLE handle_of(std::intptr_t value) {
  return reinterpret_cast<HANDLE>(value);
}

// A handle the child inherits, closed however the start ends.
struct inherited {
  HANDLE handle = INVALID_HANDLE_VALUE;
  ~inherited() {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
};

HANDLE open_inherited(const std::filesystem::path& path, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES security{sizeof security, nullptr, TRUE};
  return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                     &security, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

void release(child_handle& child) {
  if (child.process != -1) CloseHandle(handle_of(child.process));
  if (child.job != 0) CloseHandle(handle_of(child.job));
  child = child_handle{};
}

}  // namespace

struct signal_guard::saved {
  HANDLE event = nullptr;
};

signal_guard::signal_guard() : saved_(std::make_unique<saved>()) {
  saved_->event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  interrupt_event.store(saved_->event);
  SetConsoleCtrlHandler(on_console_event, TRUE);
}

signal_guard::~signal_guard() {
  SetConsoleCtrlHandler(on_console_event, FALSE);
  interrupt_event.store(nullptr);
  if (saved_->event) CloseHandle(saved_->event);
}

int take_interrupt() {
  return pending_interrupt.exchange(0);
}

int wait_for_child_or_interrupt(const std::vector<child_handle>& children,
                                std::chrono::nanoseconds wait) {
  std::vector<HANDLE> handles;
  if (const HANDLE event = interrupt_event.load()) handles.push_back(event);
  for (const child_handle& child : children)
    if (child.process != -1 && handles.size() < MAXIMUM_WAIT_OBJECTS)
      handles.push_back(handle_of(child.process));
  // More children than one wait can watch: the others are looked at every 50 ms.
  if (handles.size() == MAXIMUM_WAIT_OBJECTS)
    wait = std::min<std::chrono::nanoseconds>(wait, std::chrono::milliseconds(50));
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(wait).count();
  const auto timeout = static_cast<DWORD>(std::clamp<long long>(ms, 0, 3'600'000));
  if (handles.empty())
    Sleep(timeout);
  else
    WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), FALSE, timeout);
  const int signal = pending_interrupt.exchange(0);
  if (signal != 0 && interrupt_event.load()) ResetEvent(interrupt_event.load());
  return signal;
}

result<child_handle> spawn_child(const std::vector<std::string>& args,
                                 const std::filesystem::path& dir, const std::filesystem::path& log,
                                 const std::optional<std::filesystem::path>& output) {
  const inherited err{open_inherited(log, FILE_APPEND_DATA | SYNCHRONIZE, OPEN_ALWAYS)};
  if (err.handle == INVALID_HANDLE_VALUE)
    return failure{windows_failure("CreateFileW", log, GetLastError())};
  inherited out;
  if (output) {
    out.handle = open_inherited(*output, GENERIC_WRITE, CREATE_ALWAYS);
    if (out.handle == INVALID_HANDLE_VALUE)
      return failure{windows_failure("CreateFileW", *output, GetLastError())};
  }
  const inherited in{open_inherited(L"NUL", GENERIC_READ, OPEN_EXISTING)};
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in.handle;
  startup.hStdOutput = output ? out.handle : err.handle;
  startup.hStdError = err.handle;

  // Every process the child starts stays in its Job object, and all of them end when the job
  // is ended or its last handle closes (this program ending however it ends).
  const HANDLE job = CreateJobObjectW(nullptr, nullptr);
  if (!job) return failure{windows_failure("CreateJobObjectW", path_of(args[0]), GetLastError())};
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);

  std::wstring line = widen(command_line(args));
  const std::wstring program = widen(args[0]);
  PROCESS_INFORMATION started{};
  // A process group of its own: a Ctrl-C in the console is the batch's to handle, and the
  // batch ends the child with its job.
  const DWORD flags = CREATE_SUSPENDED | CREATE_NEW_PROCESS_GROUP | CREATE_UNICODE_ENVIRONMENT;
  if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE, flags, nullptr,
                      dir.c_str(), &startup, &started)) {
    const DWORD error = GetLastError();
    CloseHandle(job);
    return failure{windows_failure("CreateProcessW", path_of(args[0]), error)};
  }
  AssignProcessToJobObject(job, started.hProcess);
  ResumeThread(started.hThread);
  CloseHandle(started.hThread);
  return child_handle{reinterpret_cast<std::intptr_t>(started.hProcess),
                      reinterpret_cast<std::intptr_t>(job)};
}

result<std::optional<child_exit>> poll_child(child_handle& child, std::string_view title) {
  const DWORD waited = WaitForSingleObject(handle_of(child.process), 0);
  if (waited == WAIT_TIMEOUT) return std::optional<child_exit>();
  DWORD code = 0;
  if (waited != WAIT_OBJECT_0 || !GetExitCodeProcess(handle_of(child.process), &code))
    return failure{"waiting for " + std::string(title) + ": " + windows_error_text(GetLastError())};
  // What it left running ends with it, as its process group does elsewhere.
  TerminateJobObject(handle_of(child.job), 1);
  release(child);
  return std::optional<child_exit>(child_exit{code == 0, windows_exit_text(code)});
}

// Windows has no polite request to a console program that is not attached to a console of
// ours; LilyPond keeps nothing to save, so the job is ended at once.
void end_child(child_handle& child) {
  if (child.process == -1) return;
  TerminateJobObject(handle_of(child.job), 1);
  WaitForSingleObject(handle_of(child.process), 5000);
  release(child);
}

}  // namespace choirly::engrave
