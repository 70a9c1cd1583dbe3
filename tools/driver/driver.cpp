// Drives a running Mirvel from outside, one step a call: for the pictures in
// the documentation, so that the X server can be photographed between the
// steps, and for the installer and signing tests.
//   driver.exe start [PROGRAM]   starts Mirvel.exe (the one beside this
//                      program, or PROGRAM) and waits until Form1 is idle
//   driver.exe wait    waits until a Mirvel started otherwise shows Form1
//   driver.exe find    types a sample entry, runs Find, waits for the result
//   driver.exe close   closes the message and the program
//   driver.exe answer  waits for a message box of any program, prints its
//                      title and text (UTF-8) and presses its OK
// The steps but the last print the screen area worth photographing: "WxH+X+Y".
#include <windows.h>

#include <cstdio>
#include <string>

#include "window/form_layout.h"
#include "window/wide_text.h"

namespace {

constexpr const wchar_t* kSampleEntry = L"1 2 3 4 5 6 -7 8 9 10 11 12 13 14 15 16 17 18.5";
constexpr DWORD kPatienceMs = 10000;

std::wstring FolderOfThisProgram() {
    std::wstring path(MAX_PATH, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), MAX_PATH));
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

template <typename Predicate>
bool WaitFor(Predicate ready) {
    for (DWORD waited = 0; waited < kPatienceMs; waited += 50) {
        if (ready()) return true;
        Sleep(50);
    }
    return false;
}

HWND FindMessageBox(HWND owner) {
    HWND box = nullptr;
    while ((box = FindWindowExW(nullptr, box, L"#32770", nullptr)) != nullptr) {
        if (GetWindow(box, GW_OWNER) == owner && IsWindowVisible(box)) return box;
    }
    return nullptr;
}

void PrintArea(const RECT& area) {
    std::printf("%ldx%ld+%ld+%ld\n", area.right - area.left, area.bottom - area.top, area.left, area.top);
}

HWND FindForm() { return FindWindowW(mirvel::kForm1ClassName, nullptr); }

RECT Union(HWND first, HWND second) {
    RECT a{}, b{}, both{};
    GetWindowRect(first, &a);
    GetWindowRect(second, &b);
    UnionRect(&both, &a, &b);
    return both;
}

void PrintUtf8(const std::wstring& text) {
    std::string bytes(static_cast<std::size_t>(text.size()) * 3 + 1, '\0');
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(),
                                           static_cast<int>(bytes.size()), nullptr, nullptr);
    std::fwrite(bytes.data(), 1, static_cast<std::size_t>(length > 0 ? length : 0), stdout);
    std::fputc('\n', stdout);
}

int Fail(const char* what) {
    std::fprintf(stderr, "driver: %s\n", what);
    return 1;
}

int Wait() {
    HWND form = nullptr;
    if (!WaitFor([&] { return (form = FindForm()) != nullptr; })) return Fail("no Form1 window");
    Sleep(500);
    RECT area{};
    GetWindowRect(form, &area);
    PrintArea(area);
    return 0;
}

int Start(const std::wstring& program) {
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return Fail("cannot start Mirvel.exe");
    }
    WaitForInputIdle(process.hProcess, kPatienceMs);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return Wait();
}

int Find() {
    const HWND form = FindForm();
    if (!form) return Fail("no Form1 window");
    SetWindowTextW(GetDlgItem(form, mirvel::kText1Id), kSampleEntry);
    const HWND find = GetDlgItem(form, mirvel::kCommand1Id);
    PostMessageW(form, WM_COMMAND, MAKEWPARAM(mirvel::kCommand1Id, BN_CLICKED), reinterpret_cast<LPARAM>(find));
    HWND box = nullptr;
    if (!WaitFor([&] { return (box = FindMessageBox(form)) != nullptr; })) return Fail("no result message");
    Sleep(500);
    PrintArea(Union(form, box));
    return 0;
}

int Close() {
    const HWND form = FindForm();
    if (!form) return Fail("no Form1 window");
    if (const HWND box = FindMessageBox(form)) PostMessageW(box, WM_COMMAND, IDOK, 0);
    if (!WaitFor([&] { return FindMessageBox(form) == nullptr; })) return Fail("the message did not close");
    PostMessageW(form, WM_CLOSE, 0, 0);
    return WaitFor([] { return FindForm() == nullptr; }) ? 0 : Fail("Mirvel did not end");
}

int Answer() {
    HWND box = nullptr;
    const auto visibleBox = [&] {
        box = nullptr;
        while ((box = FindWindowExW(nullptr, box, L"#32770", nullptr)) != nullptr) {
            if (IsWindowVisible(box)) return true;
        }
        return false;
    };
    if (!WaitFor(visibleBox)) return Fail("no message box");
    Sleep(200);
    PrintUtf8(mirvel::WindowText(box));
    PrintUtf8(mirvel::WindowText(GetDlgItem(box, 0xFFFF)));  // a message box's text
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring step = argc >= 2 ? argv[1] : L"";
    if (step == L"start" && argc <= 3) return Start(argc == 3 ? argv[2] : FolderOfThisProgram() + L"Mirvel.exe");
    if (argc == 2 && step == L"wait") return Wait();
    if (argc == 2 && step == L"find") return Find();
    if (argc == 2 && step == L"close") return Close();
    if (argc == 2 && step == L"answer") return Answer();
    return Fail("usage: driver.exe start [PROGRAM] | wait | find | close | answer");
}
