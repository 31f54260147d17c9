// Stand-in lilypond.exe for the Windows tests: announces each FILE.ly as LilyPond does and
// does to it what STANDIN_LILYPOND says (ok: writes FILE.pdf and FILE.midi; error: an error
// line, the file fails; sleep: sleeps a minute), only to STANDIN_ONLY when that names one.
// "standin.exe --hold FILE SECONDS" holds FILE open as a PDF viewer does.
#include <windows.h>

#include <cstdio>
#include <string>

static std::string utf8(const std::wstring& w) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string s(n > 0 ? n - 1 : 0, '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, s.data(), n, nullptr, nullptr);
  return s;
}

static std::wstring env(const wchar_t* name) {
  wchar_t value[512];
  const DWORD n = GetEnvironmentVariableW(name, value, 512);
  return n > 0 && n < 512 ? std::wstring(value, n) : std::wstring();
}

static void write(const std::wstring& name, const char* text) {
  FILE* f = _wfopen(name.c_str(), L"wb");
  if (f) {
    std::fputs(text, f);
    std::fclose(f);
  }
}

int wmain(int argc, wchar_t** argv) {
  if (argc == 4 && std::wstring(argv[1]) == L"--hold") {
    const HANDLE held =
        CreateFileW(argv[2], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (held == INVALID_HANDLE_VALUE) return 3;
    Sleep(static_cast<DWORD>(_wtoi(argv[3])) * 1000);
    CloseHandle(held);
    return 0;
  }
  std::string failed;
  for (int i = 1; i < argc; ++i) {
    const std::wstring file = argv[i];
    if (file.rfind(L"--", 0) == 0) continue;
    std::printf("Processing `%s'\n", utf8(file).c_str());
    std::fflush(stdout);
    std::wstring mode = env(L"STANDIN_LILYPOND");
    const std::wstring only = env(L"STANDIN_ONLY");
    if (mode.empty() || (!only.empty() && only != file)) mode = L"ok";
    const std::wstring stem = file.substr(0, file.size() - 3);
    if (mode == L"ok") {
      write(stem + L".pdf", "%PDF-1.4\n% stand-in\n%%EOF\n");
      write(stem + L".midi", "MThd stand-in\n");
    } else if (mode == L"error") {
      std::printf("%s:3:1: error: stand-in error\n", utf8(file).c_str());
      failed += " \"" + utf8(file) + "\"";
    } else if (mode == L"sleep") {
      Sleep(60000);
    }
  }
  if (!failed.empty()) {
    std::printf("fatal error: failed files:%s\n", failed.c_str());
    return 1;
  }
  std::printf("Success: compilation successfully completed\n");
  return 0;
}
