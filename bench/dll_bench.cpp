// DEF_DLL calls against the same calls in C: 100,000 calls of lstrlenW,
// once from C++ through a pointer found with GetProcAddress, once from a
// script run by the zelkrun.exe beside this program (the script times its
// own loop). Usage: dll_bench.exe SCRIPT
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>

namespace {

constexpr int kCalls = 100000;

// The script's output: its loop's milliseconds, then the sum.
bool RunScript(const std::wstring& script, double* ms, long long* sum) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring folder(self);
  folder.resize(folder.find_last_of(L'\\') + 1);
  std::wstring command = L"\"" + folder + L"zelkrun.exe\" \"" + script + L"\"";
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE read, write;
  if (!CreatePipe(&read, &write, &sa, 0)) return false;
  SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = write;
  si.hStdError = write;
  PROCESS_INFORMATION pi{};
  BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                nullptr, nullptr, &si, &pi);
  CloseHandle(write);
  if (!started) {
    CloseHandle(read);
    return false;
  }
  std::string out;
  char buffer[256];
  DWORD got;
  while (ReadFile(read, buffer, sizeof buffer, &got, nullptr) && got > 0) out.append(buffer, got);
  WaitForSingleObject(pi.hProcess, INFINITE);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  CloseHandle(read);
  return std::sscanf(out.c_str(), "%lf %lld", ms, sum) == 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: dll_bench SCRIPT\n");
    return 2;
  }
  using Length = int(WINAPI*)(const wchar_t*);
  auto length = reinterpret_cast<Length>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "lstrlenW")));
  volatile Length call = length;
  const wchar_t* text = L"hello, world";
  long long cSum = 0;
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kCalls; ++i) cSum += call(text);
  double cMs =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();

  double scriptMs = 0;
  long long scriptSum = 0;
  if (!RunScript(argv[1], &scriptMs, &scriptSum)) {
    std::fprintf(stderr, "the script did not run\n");
    return 1;
  }
  if (scriptSum != cSum) {
    std::fprintf(stderr, "the script's sum %lld is not %lld\n", scriptSum, cSum);
    return 1;
  }
  std::printf("%d calls of lstrlenW: script %.0f ms, C %.2f ms; %.2f us per script call\n", kCalls,
              scriptMs, cMs, scriptMs * 1000 / kCalls);
  return 0;
}
