// Start-up time: from CreateProcess until the program's window is shown and
// the program waits for input (WaitForInputIdle), for Mirvel.exe and for the
// bare window program beside it, taken in turns so both see the same system.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kRuns = 21;
constexpr DWORD kPatienceMs = 20000;

std::wstring Beside(const wchar_t* name) {
    std::wstring path(MAX_PATH, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), MAX_PATH));
    return path.substr(0, path.find_last_of(L"\\/") + 1) + name;
}

BOOL CALLBACK CloseWindowsOf(HWND window, LPARAM processId) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == static_cast<DWORD>(processId)) PostMessageW(window, WM_CLOSE, 0, 0);
    return TRUE;
}

double Seconds(LONGLONG ticks) {
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart);
}

// Milliseconds to idle, or a negative number when the program failed.
double TimeOneStart(const std::wstring& program) {
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    LARGE_INTEGER start{}, idle{};
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return -1;
    }
    const DWORD waited = WaitForInputIdle(process.hProcess, kPatienceMs);
    QueryPerformanceCounter(&idle);
    EnumWindows(CloseWindowsOf, static_cast<LPARAM>(process.dwProcessId));
    const bool ended = WaitForSingleObject(process.hProcess, kPatienceMs) == WAIT_OBJECT_0;
    if (!ended) TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (waited != 0 || !ended) return -1;
    return Seconds(idle.QuadPart - start.QuadPart) * 1000.0;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int wmain() {
    const std::wstring mirvel = Beside(L"Mirvel.exe");
    const std::wstring bare = Beside(L"bare_window.exe");
    TimeOneStart(mirvel);  // the first start of each warms the caches
    TimeOneStart(bare);
    std::vector<double> mirvelTimes, bareTimes;
    for (int run = 0; run < kRuns; ++run) {
        const double mirvelMs = TimeOneStart(mirvel);
        const double bareMs = TimeOneStart(bare);
        if (mirvelMs < 0 || bareMs < 0) {
            std::fprintf(stderr, "startup_bench: a program failed to start, show its window or end\n");
            return 1;
        }
        mirvelTimes.push_back(mirvelMs);
        bareTimes.push_back(bareMs);
    }
    const double mirvelMedian = Median(mirvelTimes);
    const double bareMedian = Median(bareTimes);
    std::printf("start-up to idle, median of %d runs:\n", kRuns);
    std::printf("  Mirvel.exe       %7.1f ms\n", mirvelMedian);
    std::printf("  bare_window.exe  %7.1f ms\n", bareMedian);
    std::printf("  ratio            %7.2f (goal: at most 1.20)\n", mirvelMedian / bareMedian);
    return 0;
}
