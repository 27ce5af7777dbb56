// The Windows start-up benchmark's driver: starts each program given on the
// command line as a process of its own, again and again in random order,
// and times each start from just before CreateProcess to the first paint of
// its window: the first moment its top-level window is visible and neither
// it nor any of its controls has anything left to paint. Then closes the
// window and waits for the process to end. Prints, for each program, the
// median and the quartiles in milliseconds, one line each:
//   first_paint <index> <median> <first quartile> <third quartile> <runs>
//
//   adreca_bench_first_paint.exe <repetitions> <program>...

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace {

struct Search {
  DWORD process;
  HWND window = nullptr;
};

BOOL CALLBACK TakeVisibleWindow(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<Search*>(context);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if (owner != search->process || !::IsWindowVisible(window) || ::GetWindow(window, GW_OWNER) != nullptr)
    return TRUE;
  search->window = window;
  return FALSE;
}

bool Painted(HWND window) {
  if (::GetUpdateRect(window, nullptr, FALSE)) return false;
  int controls = 0;
  for (HWND child = ::GetWindow(window, GW_CHILD); child != nullptr;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (::GetUpdateRect(child, nullptr, FALSE)) return false;
    ++controls;
  }
  return controls >= 15;
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  ::QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// One start to first paint, in seconds; negative when the window did not
// paint within ten seconds.
double TimeStart(const std::wstring& program) {
  std::wstring command = L"\"" + program + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  LARGE_INTEGER start;
  ::QueryPerformanceCounter(&start);
  if (!::CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
    return -1;
  }
  ::CloseHandle(process.hThread);
  double elapsed = -1;
  Search search{process.dwProcessId};
  for (;;) {
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    if (Seconds(start, now) > 10) break;
    if (search.window == nullptr) ::EnumWindows(&TakeVisibleWindow, reinterpret_cast<LPARAM>(&search));
    if (search.window != nullptr && Painted(search.window)) {
      elapsed = Seconds(start, now);
      break;
    }
    ::Sleep(1);
  }
  if (search.window != nullptr) ::PostMessageW(search.window, WM_CLOSE, 0, 0);
  if (::WaitForSingleObject(process.hProcess, 10'000) != WAIT_OBJECT_0)
    ::TerminateProcess(process.hProcess, 1);
  ::CloseHandle(process.hProcess);
  return elapsed;
}

double Quantile(std::vector<double> values, double share) {
  std::sort(values.begin(), values.end());
  const double at = share * static_cast<double>(values.size() - 1);
  const auto below = static_cast<std::size_t>(at);
  const std::size_t above = std::min(below + 1, values.size() - 1);
  return values[below] + (values[above] - values[below]) * (at - static_cast<double>(below));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fwprintf(stderr, L"usage: %ls <repetitions> <program>...\n", argv[0]);
    return 2;
  }
  const int repetitions = std::max(1, _wtoi(argv[1]));
  const std::vector<std::wstring> programs(argv + 2, argv + argc);
  // Every program once first, untimed: the first start of each loads the
  // files into the cache.
  for (const auto& program : programs) TimeStart(program);
  std::vector<std::size_t> order;
  for (int i = 0; i < repetitions; ++i) {
    for (std::size_t p = 0; p < programs.size(); ++p) order.push_back(p);
  }
  std::shuffle(order.begin(), order.end(), std::mt19937(std::random_device{}()));
  std::vector<std::vector<double>> times(programs.size());
  for (const std::size_t p : order) {
    const double seconds = TimeStart(programs[p]);
    if (seconds < 0) {
      std::fwprintf(stderr, L"%ls: no first paint\n", programs[p].c_str());
      return 1;
    }
    times[p].push_back(seconds * 1000);
  }
  for (std::size_t p = 0; p < programs.size(); ++p) {
    std::printf("first_paint %zu %.1f %.1f %.1f %zu\n", p, Quantile(times[p], 0.5), Quantile(times[p], 0.25),
                Quantile(times[p], 0.75), times[p].size());
  }
  return 0;
}
