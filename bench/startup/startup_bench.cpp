// Start-up time: from CreateProcess until the program's window is shown and
// the program waits for input (WaitForInputIdle), for Mirvel.exe and the two
// floors beside it, taken in turns so that all see the same system.
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

struct Program {
    const wchar_t* name;
    std::wstring path;
    std::vector<double> times;
};

int wmain() {
    // Mirvel, then its two floors: the same five controls, and a bare window.
    Program programs[] = {{L"Mirvel.exe", Beside(L"Mirvel.exe"), {}},
                          {L"same_controls.exe", Beside(L"same_controls.exe"), {}},
                          {L"bare_window.exe", Beside(L"bare_window.exe"), {}}};
    for (const Program& program : programs) TimeOneStart(program.path);  // the first start warms the caches
    for (int run = 0; run < kRuns; ++run) {
        for (Program& program : programs) {
            const double ms = TimeOneStart(program.path);
            if (ms < 0) {
                std::fprintf(stderr, "startup_bench: %ls failed to start, show its window or end\n", program.name);
                return 1;
            }
            program.times.push_back(ms);
        }
    }
    std::printf("start-up to idle, median of %d runs taken in turns:\n", kRuns);
    for (const Program& program : programs) std::printf("  %-18ls %7.1f ms\n", program.name, Median(program.times));
    const double mirvel = Median(programs[0].times);
    std::printf("  Mirvel over the same controls %5.2fx (goal: at most 1.15x)\n", mirvel / Median(programs[1].times));
    std::printf("  Mirvel over a bare window     %5.2fx\n", mirvel / Median(programs[2].times));
    return 0;
}
