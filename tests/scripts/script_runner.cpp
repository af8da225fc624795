// Runs every checked-in script under tests/scripts with zelkrun and compares
// what it printed with the expected files beside it:
//   X.zls     the script; it is a test when X.out exists
//   X.out     expected standard output
//   X.err     expected standard error (optional; otherwise not compared)
//   X.args    arguments placed before the script path (optional, one line)
//   X.status  expected exit status (optional, default 0); POSIX shows a code
//             outside 0..255 as 255
//   X.win.out, X.posix.out (and .err, .status)  where the platforms differ,
//             used instead of X.out (.err, .status) on that platform only
//   X.lang    "ja" runs the script on a Japanese system (optional). Natively the
//             runner sets the child's LANG; Wine fixes the system language when
//             its server starts, so there the runner takes only the scripts
//             that match the language it finds and ./dev runs it once per language.
// The absolute path of the scripts folder is replaced by $ROOT in the output,
// with the separators of the path that follows it turned into '\', so that
// the same expectations hold natively and under Wine.
//
// Usage: script_tests [gtest flags] SCRIPTS_FOLDER [ZELKRUN]
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

constexpr int kTimeoutSeconds = 60;

struct RunResult {
  std::string out, err;
  int status = -1;
  bool timedOut = false;
};

std::string ReadFileBytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string FirstLine(const std::string& s) {
  std::string line = s.substr(0, s.find_first_of("\r\n"));
  while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.pop_back();
  return line;
}

std::vector<std::string> SplitArgs(const std::string& line) {
  std::vector<std::string> args;
  std::istringstream in(line);
  for (std::string a; in >> a;) args.push_back(a);
  return args;
}

#ifdef _WIN32

std::wstring Widen(const std::string& s) {
  int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

std::wstring QuoteArg(const std::wstring& a) {
  if (!a.empty() && a.find_first_of(L" \t\"") == std::wstring::npos) return a;
  std::wstring q = L"\"";
  for (wchar_t c : a) {
    if (c == L'"') q += L'\\';
    q += c;
  }
  return q + L"\"";
}

void Drain(HANDLE h, std::string* into) {
  char buf[4096];
  DWORD got;
  while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0) into->append(buf, got);
}

RunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::string&) {
  RunResult r;
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE outRead, outWrite, errRead, errWrite;
  CreatePipe(&outRead, &outWrite, &sa, 0);
  CreatePipe(&errRead, &errWrite, &sa, 0);
  SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
  HANDLE nul = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                           OPEN_EXISTING, 0, nullptr);
  std::wstring cmd = QuoteArg(Widen(program));
  for (const auto& a : args) cmd += L" " + QuoteArg(Widen(a));
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = nul;
  si.hStdOutput = outWrite;
  si.hStdError = errWrite;
  PROCESS_INFORMATION pi{};
  BOOL ok = CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                           nullptr, &si, &pi);
  CloseHandle(outWrite);
  CloseHandle(errWrite);
  CloseHandle(nul);
  if (!ok) {
    r.err = "cannot start " + program;
    CloseHandle(outRead);
    CloseHandle(errRead);
    return r;
  }
  std::thread outThread(Drain, outRead, &r.out);
  std::thread errThread(Drain, errRead, &r.err);
  if (WaitForSingleObject(pi.hProcess, kTimeoutSeconds * 1000) != WAIT_OBJECT_0) {
    r.timedOut = true;
    TerminateProcess(pi.hProcess, 99);
    WaitForSingleObject(pi.hProcess, INFINITE);
  }
  outThread.join();
  errThread.join();
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  r.status = static_cast<int>(code);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  CloseHandle(outRead);
  CloseHandle(errRead);
  return r;
}

#else

RunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::string& lang) {
  RunResult r;
  int outPipe[2], errPipe[2];
  if (pipe(outPipe) != 0 || pipe(errPipe) != 0) return r;
  pid_t pid = fork();
  if (pid == 0) {
    dup2(outPipe[1], 1);
    dup2(errPipe[1], 2);
    close(outPipe[0]);
    close(errPipe[0]);
    if (!lang.empty()) {
      setenv("LANG", lang.c_str(), 1);
      unsetenv("LC_ALL");
      unsetenv("LC_MESSAGES");
    }
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(outPipe[1]);
  close(errPipe[1]);
  pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
  std::string* into[2] = {&r.out, &r.err};
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kTimeoutSeconds);
  int open = 2;
  while (open > 0) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      r.timedOut = true;
      kill(pid, SIGKILL);
      break;
    }
    if (poll(fds, 2, static_cast<int>(left.count())) < 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      char buf[4096];
      ssize_t n = read(fds[i].fd, buf, sizeof buf);
      if (n > 0) {
        into[i]->append(buf, static_cast<std::size_t>(n));
      } else {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
  for (auto& f : fds) {
    if (f.fd >= 0) close(f.fd);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return r;
}

#endif

bool SameSeparatorless(char a, char b) {
  auto fold = [](char c) {
    if (c == '/') return '\\';
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
  };
  return fold(a) == fold(b);
}

// Replaces the scripts folder by $ROOT and makes the path behind it use '\'.
std::string Normalize(std::string text, const std::string& root) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      ++i;
      continue;
    }
    bool hit = !root.empty() && i + root.size() <= text.size() &&
               std::equal(root.begin(), root.end(), text.begin() + static_cast<long>(i),
                          SameSeparatorless);
    if (!hit) {
      out += text[i++];
      continue;
    }
    out += "$ROOT";
    i += root.size();
    while (i < text.size() && text[i] != ' ' && text[i] != '\n' && text[i] != '\r' &&
           text[i] != '\t' && text[i] != '"') {
      out += text[i] == '/' ? '\\' : text[i];
      ++i;
    }
  }
  return out;
}

// The first differing line, for a failure message that tells what broke.
std::string Difference(const std::string& expected, const std::string& actual) {
  std::istringstream e(expected), a(actual);
  std::string le, la;
  for (int line = 1;; ++line) {
    bool he = static_cast<bool>(std::getline(e, le));
    bool ha = static_cast<bool>(std::getline(a, la));
    if (!he && !ha) return "(only line endings differ)";
    if (he != ha || le != la) {
      return "line " + std::to_string(line) + ":\n  expected: " + (he ? le : "<end>") +
             "\n  got:      " + (ha ? la : "<end>");
    }
  }
}

#ifdef _WIN32
constexpr const char* kPlatformInfix = ".win";
#else
constexpr const char* kPlatformInfix = ".posix";
#endif

// X.ext, or X.win.ext / X.posix.ext when this platform has its own.
fs::path Beside(const fs::path& script, const char* ext) {
  fs::path own = script;
  own.replace_extension(std::string(kPlatformInfix) + ext);
  if (fs::exists(own)) return own;
  fs::path p = script;
  p.replace_extension(ext);
  return p;
}

class ScriptTest : public testing::Test {
 public:
  ScriptTest(fs::path script, std::string root, std::string zelkrun)
      : script_(std::move(script)), root_(std::move(root)), zelkrun_(std::move(zelkrun)) {}

  void TestBody() override {
    auto beside = [&](const char* ext) { return Beside(script_, ext); };
    std::vector<std::string> args;
    if (fs::exists(beside(".args"))) args = SplitArgs(FirstLine(ReadFileBytes(beside(".args"))));
    args.push_back(script_.string());
    std::string lang;
    if (fs::exists(beside(".lang")) && FirstLine(ReadFileBytes(beside(".lang"))) == "ja")
      lang = "ja_JP.UTF-8";
    int wantStatus = 0;
    if (fs::exists(beside(".status"))) wantStatus = std::stoi(ReadFileBytes(beside(".status")));
#ifndef _WIN32
    if (wantStatus < 0 || wantStatus > 255) wantStatus = 255;
#endif

    RunResult r = RunProgram(zelkrun_, args, lang);
    ASSERT_FALSE(r.timedOut) << script_.string() << ": no end within " << kTimeoutSeconds << " s";
    std::string out = Normalize(r.out, root_), err = Normalize(r.err, root_);
    std::string wantOut = Normalize(ReadFileBytes(beside(".out")), root_);
    EXPECT_EQ(wantOut, out) << "standard output of " << script_.string() << ", "
                            << Difference(wantOut, out) << "\nstderr:\n"
                            << err;
    if (fs::exists(beside(".err"))) {
      std::string wantErr = Normalize(ReadFileBytes(beside(".err")), root_);
      EXPECT_EQ(wantErr, err) << "standard error of " << script_.string() << ", "
                              << Difference(wantErr, err);
    }
    EXPECT_EQ(wantStatus, r.status) << "exit status of " << script_.string() << "\nstderr:\n"
                                    << err;
  }

 private:
  fs::path script_;
  std::string root_, zelkrun_;
};

std::string TestName(const fs::path& relative) {
  std::string name = relative.generic_string();
  name = name.substr(0, name.size() - 4);  // ".zls"
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  setvbuf(stdout, nullptr, _IONBF, 0);
#endif
  testing::InitGoogleTest(&argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: script_tests [gtest flags] SCRIPTS_FOLDER [ZELKRUN]\n");
    return 2;
  }
  fs::path root = fs::absolute(argv[1]).lexically_normal();
  std::string rootText = root.string();
  while (rootText.size() > 1 && (rootText.back() == '/' || rootText.back() == '\\'))
    rootText.pop_back();
  std::string zelkrun;
  if (argc >= 3) {
    zelkrun = argv[2];
  } else {
    fs::path self = fs::absolute(argv[0]);
#ifdef _WIN32
    zelkrun = (self.parent_path() / "zelkrun.exe").string();
#else
    zelkrun = (self.parent_path() / "zelkrun").string();
#endif
  }

#ifdef _WIN32
  const bool japaneseSystem = (GetSystemDefaultLangID() & 0x3FF) == 0x11;
#endif
  std::vector<fs::path> scripts;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const fs::path& p = entry.path();
    if (entry.is_regular_file() && p.extension() == ".zls") {
      if (!fs::exists(Beside(p, ".out"))) continue;
#ifdef _WIN32
      fs::path lang = p;
      lang.replace_extension(".lang");
      bool wantsJapanese = fs::exists(lang) && FirstLine(ReadFileBytes(lang)) == "ja";
      if (wantsJapanese != japaneseSystem) continue;
#endif
      scripts.push_back(p);
    }
  }
  std::sort(scripts.begin(), scripts.end());
  for (const fs::path& p : scripts) {
    fs::path rel = fs::relative(p, root);
    std::string suite = "Scripts";
    testing::RegisterTest(suite.c_str(), TestName(rel).c_str(), nullptr, nullptr, __FILE__,
                          __LINE__, [p, rootText, zelkrun]() -> testing::Test* {
                            return new ScriptTest(p, rootText, zelkrun);
                          });
  }
  return RUN_ALL_TESTS();
}
