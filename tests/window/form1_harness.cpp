#include "form1_harness.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <utility>

#include "window/message_loop.h"

namespace mirvel::testing {
namespace {

MessageBoxCatcher* activeCatcher = nullptr;

BoxIcon IdentifyIcon(HICON icon) {
    if (!icon) return BoxIcon::None;
    if (icon == LoadIconW(nullptr, IDI_HAND)) return BoxIcon::Stop;
    if (icon == LoadIconW(nullptr, IDI_ASTERISK)) return BoxIcon::Information;
    return BoxIcon::Other;
}

bool HasClass(HWND window, const wchar_t* className) {
    wchar_t name[64]{};
    GetClassNameW(window, name, 64);
    return lstrcmpiW(name, className) == 0;
}

}  // namespace

Form1Harness::Form1Harness(const LateBoundFunctions& functions) : form_(functions) {
    EXPECT_TRUE(form_.Create(GetModuleHandleW(nullptr), SW_SHOW));
    Pump();
}

void Form1Harness::Send(HWND target, UINT message, WPARAM wParam, LPARAM lParam) {
    MSG msg{target, message, wParam, lParam, GetTickCount(), {}};
    ProcessMessage(Form(), msg);
}

void Form1Harness::PressKey(WPARAM virtualKey, Modifiers held) {
    const auto hold = [held](BYTE state) {
        BYTE keys[256]{};
        GetKeyboardState(keys);
        if (held & kShift) keys[VK_SHIFT] = keys[VK_LSHIFT] = state;
        if (held & kCtrl) keys[VK_CONTROL] = keys[VK_LCONTROL] = state;
        SetKeyboardState(keys);
    };
    if (held != kNoModifier) hold(0x80);
    const auto scanCode = static_cast<LPARAM>(MapVirtualKeyW(static_cast<UINT>(virtualKey), MAPVK_VK_TO_VSC));
    Send(GetFocus(), WM_KEYDOWN, virtualKey, 1 | (scanCode << 16));
    Pump();
    // The window may be gone by now (Esc); a key-up then goes nowhere.
    if (IsOpen()) Send(GetFocus(), WM_KEYUP, virtualKey, 1 | (scanCode << 16) | (3LL << 30));
    Pump();
    if (held != kNoModifier) hold(0);
}

void Form1Harness::PressAltWith(wchar_t character) {
    constexpr LPARAM kAltDown = 1LL << 29;
    Send(GetFocus(), WM_SYSCHAR, character, 1 | kAltDown);
    Pump();
}

void Form1Harness::DoubleClick(HWND control) {
    SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    SendMessageW(control, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    Pump();
}

void Form1Harness::Pump() {
    MSG msg{};
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
        if (msg.message == WM_QUIT) return;  // left for TakeQuitRequest
        PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);
        ProcessMessage(IsOpen() ? Form() : nullptr, msg);
    }
}

bool Form1Harness::TakeQuitRequest() {
    MSG msg{};
    return PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
}

namespace {

void** ImportSlot(const char* dll, const char* function) {
    auto* const base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    const auto* headers =
        reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const DWORD imports = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (auto* module = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports); module->Name; ++module) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + module->Name), dll) != 0) continue;
        auto* name = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + module->OriginalFirstThunk);
        auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->FirstThunk);
        for (; name->u1.AddressOfData; ++name, ++slot) {
            if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal)) continue;
            const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData);
            if (lstrcmpA(reinterpret_cast<const char*>(byName->Name), function) == 0)
                return reinterpret_cast<void**>(&slot->u1.Function);
        }
    }
    return nullptr;
}

void WriteSlot(void** slot, void* value) {
    DWORD protection = 0;
    EXPECT_TRUE(VirtualProtect(slot, sizeof(void*), PAGE_READWRITE, &protection));
    *slot = value;
    VirtualProtect(slot, sizeof(void*), protection, &protection);
}

}  // namespace

ImportStandIn::ImportStandIn(const char* dll, const char* function, const void* standIn)
    : slot_(ImportSlot(dll, function)) {
    EXPECT_NE(slot_, nullptr) << "the program imports no " << function << " from " << dll;
    if (!slot_) return;
    original_ = *slot_;
    WriteSlot(slot_, const_cast<void*>(standIn));
}

ImportStandIn::~ImportStandIn() {
    if (slot_) WriteSlot(slot_, original_);
}

HWND TooltipControlOf(HWND form) {
    HWND tooltip = nullptr;
    while ((tooltip = FindWindowExW(nullptr, tooltip, TOOLTIPS_CLASSW, nullptr)) != nullptr) {
        if (GetWindow(tooltip, GW_OWNER) == form) return tooltip;
    }
    return nullptr;
}

std::vector<COLORREF> PixelsOf(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    const HDC dc = GetDC(window), memory = CreateCompatibleDC(dc);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), client.right, -client.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
    const auto* first = static_cast<const COLORREF*>(bits);
    std::vector<COLORREF> pixels(first, first + client.right * client.bottom);
    for (COLORREF& pixel : pixels) pixel &= 0xFFFFFF;  // what alpha a blit leaves differs between Wines
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, dc);
    return pixels;
}

void MoveToDpi(HWND form, UINT dpi, const RECT* suggested) {
    RECT where{};
    GetWindowRect(form, &where);
    SendMessageW(form, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(suggested ? suggested : &where));
}

RECT RectInParent(HWND child) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

SIZE_T HeapBytesInUse() {
    HANDLE heaps[64];
    const DWORD count = GetProcessHeaps(64, heaps);
    SIZE_T inUse = 0;
    for (DWORD i = 0; i < count && i < 64; ++i) {
        if (!HeapLock(heaps[i])) continue;
        PROCESS_HEAP_ENTRY entry{};
        while (HeapWalk(heaps[i], &entry)) {
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) inUse += entry.cbData;
        }
        HeapUnlock(heaps[i]);
    }
    return inUse;
}

unsigned EnvironmentNumber(const char* name, unsigned fallback) {
    const char* value = std::getenv(name);
    return value && *value ? static_cast<unsigned>(std::strtoul(value, nullptr, 10)) : fallback;
}

OtherProgramWindow::OtherProgramWindow()
    : window_(CreateWindowExW(0, L"STATIC", L"another program", WS_POPUP | WS_VISIBLE, 600, 500, 80, 40, nullptr,
                              nullptr, GetModuleHandleW(nullptr), nullptr)) {
    EXPECT_NE(window_, nullptr);
}

UINT ScreenDpi() {
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return static_cast<UINT>(dpi);
}

std::string WineVersion() {
    using Version = const char*(CDECL*)();
    const auto version = reinterpret_cast<Version>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")));
    return version ? version() : "";
}

namespace {

// What a message box shows: title, text, icon, buttons and owner.
CaughtMessageBox ReadMessageBox(HWND box) {
    CaughtMessageBox caught;
    caught.title = WindowText(box);
    caught.owner = GetWindow(box, GW_OWNER);
    caught.ownerDisabled = caught.owner && !IsWindowEnabled(caught.owner);
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const LONG style = GetWindowLongW(child, GWL_STYLE);
        if (HasClass(child, L"Button") && (style & WS_VISIBLE)) {
            ++caught.buttonCount;
            caught.hasOkButton = caught.hasOkButton || GetDlgCtrlID(child) == IDOK;
        } else if (HasClass(child, L"Static") && (style & SS_TYPEMASK) == SS_ICON) {
            caught.icon = IdentifyIcon(reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0)));
        } else if (HasClass(child, L"Static") && GetWindowTextLengthW(child) > 0) {
            caught.text = WindowText(child);
        }
    }
    return caught;
}

}  // namespace

MessageBoxCatcher::MessageBoxCatcher(Answer answer) : answer_(std::move(answer)) {
    boxes_.reserve(kKept);
    activeCatcher = this;
    hook_ = SetWindowsHookExW(WH_CBT, CbtProc, nullptr, GetCurrentThreadId());
    EXPECT_NE(hook_, nullptr);
}

MessageBoxCatcher::~MessageBoxCatcher() {
    if (hook_) UnhookWindowsHookEx(hook_);
    activeCatcher = nullptr;
}

LRESULT CALLBACK MessageBoxCatcher::CbtProc(int code, WPARAM wParam, LPARAM lParam) {
    const auto box = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_ACTIVATE && activeCatcher && HasClass(box, L"#32770")) activeCatcher->Catch(box);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void MessageBoxCatcher::Catch(HWND box) {
    if (box == lastBox_) return;
    lastBox_ = box;
    CaughtMessageBox caught = ReadMessageBox(box);
    if (boxes_.size() < kKept) boxes_.push_back(caught);
    ++count_;
    answer_(box, caught);
}

void MessageBoxCatcher::PressOk(HWND box, const CaughtMessageBox&) { PostMessageW(box, WM_COMMAND, IDOK, 0); }

}  // namespace mirvel::testing
