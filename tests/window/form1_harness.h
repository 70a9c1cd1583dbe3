#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "window/form_layout.h"
#include "window/main_window.h"
#include "window/wide_text.h"

namespace mirvel::testing {

// The real Form1, driven the way a user drives it: keys go as MSGs through
// the program's own message-loop step, so the dialog manager sees them.
class Form1Harness {
public:
    explicit Form1Harness(const LateBoundFunctions& functions = LateBoundFunctions::Resolve());

    [[nodiscard]] HWND Form() const { return form_.Window(); }
    [[nodiscard]] HWND Control(ControlId id) const { return GetDlgItem(Form(), id); }
    [[nodiscard]] bool IsOpen() const { return Form() != nullptr && IsWindow(Form()); }

    // A key pressed and released where the focus is, with Shift or Ctrl
    // held if asked (Shift+Tab, Ctrl+Z).
    enum Modifiers : unsigned { kNoModifier = 0, kShift = 1, kCtrl = 2 };
    void PressKey(WPARAM virtualKey, Modifiers held = kNoModifier);
    // Alt held with a character, as the keyboard sends an access key.
    void PressAltWith(wchar_t character);
    void DoubleClick(HWND control);
    // Handles whatever is queued, as the message loop would.
    void Pump();

    // Whether the program asked to end (WM_QUIT), consuming the request.
    static bool TakeQuitRequest();

private:
    void Send(HWND target, UINT message, WPARAM wParam, LPARAM lParam);

    MainWindow form_;
};

// A system function the program imports, stood in for while this lives, as
// a Windows that refuses it would answer: the entry of the program's import
// table that the loader bound to it is pointed at the stand-in.
class ImportStandIn {
public:
    ImportStandIn(const char* dll, const char* function, const void* standIn);
    ~ImportStandIn();
    ImportStandIn(const ImportStandIn&) = delete;
    ImportStandIn& operator=(const ImportStandIn&) = delete;

private:
    void** slot_ = nullptr;
    void* original_ = nullptr;
};

// Counts the program's beeps (MessageBeep) while it lives.
class BeepCounter {
public:
    BeepCounter() { count_ = 0; }
    [[nodiscard]] int Count() const { return count_; }

private:
    static BOOL WINAPI Beep(UINT) { return ++count_, TRUE; }
    static inline int count_ = 0;
    ImportStandIn standIn_{"user32.dll", "MessageBeep", reinterpret_cast<const void*>(Beep)};
};

// The tooltip control that Form1 owns.
HWND TooltipControlOf(HWND form);

// The pixels of a window's client area, row by row, as the screen shows
// them: 0xRRGGBB.
std::vector<COLORREF> PixelsOf(HWND window);

// As Windows does when Form1 crosses to a monitor of another DPI: it
// suggests a rectangle (by default, where the window is) and says so.
void MoveToDpi(HWND form, UINT dpi, const RECT* suggested = nullptr);

// The client-relative rectangle of a child window.
RECT RectInParent(HWND child);

// The bytes in use in all of the process's heaps.
SIZE_T HeapBytesInUse();

// A number from the environment (a run's length, the DPI it is meant for),
// or the fallback when it is not set.
unsigned EnvironmentNumber(const char* name, unsigned fallback);

// A window of another program's, to move the activation away to.
class OtherProgramWindow {
public:
    OtherProgramWindow();
    ~OtherProgramWindow() { DestroyWindow(window_); }
    OtherProgramWindow(const OtherProgramWindow&) = delete;
    OtherProgramWindow& operator=(const OtherProgramWindow&) = delete;
    [[nodiscard]] HWND Window() const { return window_; }

private:
    HWND window_;
};

// The DPI the test runs at: the system's, read without the program's help.
UINT ScreenDpi();

// The version of the Wine the test runs under ("8.0", "10.0"), or empty on Windows.
std::string WineVersion();

enum class BoxIcon { None, Stop, Information, Other };

struct CaughtMessageBox {
    std::wstring title;
    std::wstring text;
    BoxIcon icon = BoxIcon::None;
    int buttonCount = 0;
    bool hasOkButton = false;
    HWND owner = nullptr;
    bool ownerDisabled = false;  // the owner takes no input while the box is open
};

// Catches every message box the thread shows, once, notes what it says and
// answers it by a policy: by default it presses OK, as a user would.
class MessageBoxCatcher {
public:
    using Answer = std::function<void(HWND box, const CaughtMessageBox& caught)>;
    static void PressOk(HWND box, const CaughtMessageBox& caught);

    explicit MessageBoxCatcher(Answer answer = PressOk);
    ~MessageBoxCatcher();
    MessageBoxCatcher(const MessageBoxCatcher&) = delete;
    MessageBoxCatcher& operator=(const MessageBoxCatcher&) = delete;

    // The first boxes caught, in order (at most kKept of them), and how many in all.
    [[nodiscard]] const std::vector<CaughtMessageBox>& Boxes() const { return boxes_; }
    [[nodiscard]] std::size_t Count() const { return count_; }

    static constexpr std::size_t kKept = 64;  // so that a long run does not grow the heap

private:
    static LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam);
    void Catch(HWND box);

    HHOOK hook_ = nullptr;
    Answer answer_;
    HWND lastBox_ = nullptr;  // activated again while it is answered: caught once
    std::vector<CaughtMessageBox> boxes_;
    std::size_t count_ = 0;
};

}  // namespace mirvel::testing
