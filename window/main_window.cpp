#include "window/main_window.h"

#include <commctrl.h>
#include <windowsx.h>

#include <optional>

#include "matrix/matrix_search.h"
#include "window/entry_field.h"
#include "window/message_box.h"
#include "window/resource.h"
#include "window/user_locale.h"
#include "window/wide_text.h"

namespace mirvel {
namespace {

// Posted when the focus moves, so that the default button is restyled after
// the dialog manager has done its own restyling.
constexpr UINT kFocusMoved = WM_APP + 1;

bool InitializeCommonControls() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
    return InitCommonControlsEx(&controls) != FALSE;
}

// Common controls 6, which every Windows from 7 on gives the program by its
// manifest, has LoadIconWithScaleDown; without it the window keeps the icon
// it has.
HICON LoadProgramIcon(HINSTANCE instance, int size, const LateBoundFunctions& functions) {
    HICON icon = nullptr;
    if (!functions.loadIconWithScaleDown ||
        FAILED(functions.loadIconWithScaleDown(instance, MAKEINTRESOURCEW(IDI_MIRVEL), size, size, &icon)))
        return nullptr;
    return icon;
}

}  // namespace

bool MainWindow::Create(HINSTANCE instance, int showCommand) {
    if (!InitializeCommonControls()) return false;
    // The window's icons are set for its own DPI once it exists.
    WNDCLASSEXW windowClass{};
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    if (!RegisterWindowClass(windowClass)) return false;
    // The system places the window; it takes its size once it exists and
    // its frame can be measured (WM_CREATE), before it shows.
    const SIZE client = LayoutClientSize(dpi_.System());
    if (!CreateWindowHandle(kForm1ExStyle, kForm1Caption, kForm1Style, CW_USEDEFAULT, CW_USEDEFAULT, client.cx,
                            client.cy, nullptr, instance)) {
        return false;
    }
    ShowWindow(Window(), showCommand);
    UpdateWindow(Window());
    return true;
}

// Dispatches to a member handler through the windowsx.h message crackers.
#define MIRVEL_HANDLE_MESSAGE(message, handler) \
    case message:                               \
        return HANDLE_##message(Window(), wParam, lParam, [this](auto... args) { return handler(args...); })

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        MIRVEL_HANDLE_MESSAGE(WM_NCCREATE, OnNcCreate);
        MIRVEL_HANDLE_MESSAGE(WM_CREATE, OnCreate);
        MIRVEL_HANDLE_MESSAGE(WM_COMMAND, OnCommand);
        MIRVEL_HANDLE_MESSAGE(WM_ACTIVATE, OnActivate);
        MIRVEL_HANDLE_MESSAGE(WM_SETFOCUS, OnSetFocus);
        MIRVEL_HANDLE_MESSAGE(WM_DESTROY, OnDestroy);
        case WM_WINDOWPOSCHANGING:
            OnWindowPosChanging(Window(), reinterpret_cast<WINDOWPOS*>(lParam));
            return DefaultProc(message, wParam, lParam);
        case WM_NCDESTROY:
            OnNcDestroy(Window());
            return DefaultProc(message, wParam, lParam);
        case WM_DPICHANGED:
            return OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        case kGetDpiScaledSize:
            return OnGetDpiScaledSize(static_cast<UINT>(wParam), *reinterpret_cast<SIZE*>(lParam));
        case DM_GETDEFID:
            return OnGetDefId();
        case kFocusMoved:
            OnFocusMoved();
            return 0;
        default:
            return DefaultProc(message, wParam, lParam);
    }
}

#undef MIRVEL_HANDLE_MESSAGE

MainWindow::MainWindow(const LateBoundFunctions& functions) : dpi_(functions) {}

// Under per-monitor v1 on Windows 10 the frame follows the DPI only when
// asked now; the default procedure then makes the frame.
BOOL MainWindow::OnNcCreate(HWND window, LPCREATESTRUCTW createStruct) {
    dpi_.ScaleFrameOf(window);
    return static_cast<BOOL>(DefaultProc(WM_NCCREATE, 0, reinterpret_cast<LPARAM>(createStruct)));
}

BOOL MainWindow::OnCreate(HWND window, LPCREATESTRUCTW) {
    const UINT dpi = dpiNow_ = dpi_.OfWindow(window);
    font_.reset(CreateDialogFont(dpi));
    if (!tooltips_.Create(window) || !CreateControls(dpi)) return FALSE;
    tooltips_.SetDpi(dpi, Font());
    SetIcons(dpi);
    SizeToLayout(dpi);
    // As a dialog does for the edit control that gets its first focus, the
    // whole placeholder is selected, so the first keystroke replaces it; but
    // with the caret at its start, so that it reads from its first word.
    const HWND entry = Control(kText1Id);
    Edit_SetSel(entry, GetWindowTextLengthW(entry), 0);
    focusToRestore_ = entry;
    return TRUE;
}

void MainWindow::OnCommand(HWND, int id, HWND, UINT code) {
    switch (id) {
        case kCommand1Id:
            if (code == BN_CLICKED) Command1_Click();
            break;
        case kCommand2Id:
            if (code == BN_CLICKED) Command2_Click();
            break;
        case kText1Id:
            if (code == kEntryFieldDoubleClicked) Text1_DblClick();
            break;
        default:
            break;
    }
    if (code == BN_SETFOCUS || code == BN_KILLFOCUS || code == EN_SETFOCUS) PostMessageW(Window(), kFocusMoved, 0, 0);
}

// Like a dialog, the window gives the focus back to the control that had it.
void MainWindow::OnActivate(HWND window, UINT state, HWND, BOOL minimized) {
    if (state == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus && IsChild(window, focus)) focusToRestore_ = focus;
    } else if (!minimized && focusToRestore_) {
        SetFocus(focusToRestore_);
    }
}

void MainWindow::OnSetFocus(HWND, HWND) {
    if (focusToRestore_) SetFocus(focusToRestore_);
}

// A window minimised while its DPI changed gets its size for that DPI as it
// is restored, before it shows: only now can its frame be measured. (The
// style has lost WS_MINIMIZE by the time its new place is asked for.)
void MainWindow::OnWindowPosChanging(HWND window, WINDOWPOS* position) {
    if (!sizeWhenRestored_ || (position->flags & SWP_NOSIZE) || IsIconic(window)) return;
    sizeWhenRestored_ = false;
    const SIZE size = OuterSizeInItsFrame(dpiNow_);
    position->cx = size.cx;
    position->cy = size.cy;
}

void MainWindow::OnDestroy(HWND) { PostQuitMessage(0); }

void MainWindow::OnNcDestroy(HWND) {
    font_.reset();
    bigIcon_.reset();
    smallIcon_.reset();
}

// One move to the new DPI: the controls are laid out for it, then the window
// takes the corner Windows suggests and the size that fits the layout, in a
// single SetWindowPos.
LRESULT MainWindow::OnDpiChanged(UINT dpi, const RECT& suggested) {
    dpiNow_ = dpi;
    LayOut(dpi);
    SetIcons(dpi);
    const POINT corner{suggested.left, suggested.top};
    SizeToLayout(dpi, &corner);
    return 0;
}

// Per-monitor v2 asks, before the DPI changes, which size the window wants
// at the new one: the layout's client area in the frame for that DPI, by
// the system's rules. Where they cannot say, Windows scales the window by
// itself, and WM_DPICHANGED gives it its exact size.
LRESULT MainWindow::OnGetDpiScaledSize(UINT dpi, SIZE& size) const {
    const std::optional<SIZE> outer = dpi_.FrameSize(LayoutClientSize(dpi), kForm1Style, kForm1ExStyle, dpi);
    if (!outer) return FALSE;
    size = *outer;
    return TRUE;
}

// The dialog manager asks which button Enter presses.
LRESULT MainWindow::OnGetDefId() const { return MAKELRESULT(DefaultButton(), DC_HASDEFID); }

// The default button wears the heavy border that tells where Enter goes;
// the control that has the focus is the one to give it back to, however
// Form1 loses it (a minimise need not deactivate it).
void MainWindow::OnFocusMoved() {
    if (const HWND focus = GetFocus(); focus && IsChild(Window(), focus)) focusToRestore_ = focus;
    const ControlId defaultButton = DefaultButton();
    for (const ControlId button : {kCommand1Id, kCommand2Id}) {
        const LONG style = button == defaultButton ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
        SendMessageW(Control(button), BM_SETSTYLE, static_cast<WPARAM>(style), TRUE);
    }
}

void MainWindow::Command1_Click() {
    const std::u16string entry = ToU16(WindowText(Control(kText1Id)));
    if (!ReadMatrixEntry(entry, matrix_)) {
        ShowMessage(Window(), InputErrorMessage());
        return;
    }
    const RowReport report = FindPositiveRows(matrix_, UserDecimalSeparator());
    const HWND display = Control(kLabel2Id);
    SetWindowTextW(display, ToWide(report.displayText).c_str());
    UpdateWindow(display);  // the matrix shows before the message covers the window
    ShowMessage(Window(), ResultMessage(report.rowList));
}

void MainWindow::Command2_Click() { DestroyWindow(Window()); }

// Emptied as an edit of the user's, so that Ctrl+Z brings the entry back.
void MainWindow::Text1_DblClick() {
    const HWND entry = Control(kText1Id);
    Edit_SetSel(entry, 0, -1);
    SendMessageW(entry, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L""));
}

// The controls are made in place, with their font, so nothing moves or
// repaints before the window first shows.
bool MainWindow::CreateControls(UINT dpi) {
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(Window(), GWLP_HINSTANCE));
    for (const ControlDescription& description : kForm1Controls) {
        const ControlClass controlClass = ClassOf(description);
        const RECT bounds = ToPixels(description.bounds, dpi);
        const HWND control =
            CreateWindowExW(controlClass.exStyle, controlClass.className, description.text, controlClass.style,
                            bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, Window(),
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(description.id)), instance, nullptr);
        if (!control || !tooltips_.Add(control, description.tooltip)) return false;
        SetWindowFont(control, Font(), FALSE);
    }
    const HWND entry = Control(kText1Id);
    SendMessageW(entry, EM_SETLIMITTEXT, 0, 0);  // 0: as long as the system allows
    return ReportDoubleClicks(entry);
}

// Lays the controls out again for a new DPI. The controls and tooltips take
// the new font before the old one is deleted: they may draw with theirs
// until then. Each control is drawn anew, not from its old pixels, which
// were drawn at the old size in the old font.
void MainWindow::LayOut(UINT dpi) {
    constexpr UINT kRedrawWholly = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS;
    FontHandle font{CreateDialogFont(dpi)};
    for (const ControlDescription& description : kForm1Controls) {
        const HWND control = Control(description.id);
        const RECT bounds = ToPixels(description.bounds, dpi);
        if (font) SetWindowFont(control, font.get(), FALSE);
        SetWindowPos(control, nullptr, bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top,
                     kRedrawWholly);
    }
    tooltips_.SetDpi(dpi, font ? font.get() : Font());
    if (font) font_ = std::move(font);
}

// The caption and taskbar icons, drawn for the window's DPI. Each replaced
// icon is destroyed once the window holds the new one.
void MainWindow::SetIcons(UINT dpi) {
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(Window(), GWLP_HINSTANCE));
    const auto set = [&](WPARAM which, int sizeMetric, IconHandle& held) {
        IconHandle loaded{LoadProgramIcon(instance, dpi_.Metric(sizeMetric, dpi), dpi_.Functions())};
        if (!loaded) return;
        SendMessageW(Window(), WM_SETICON, which, reinterpret_cast<LPARAM>(loaded.get()));
        held = std::move(loaded);
    };
    set(ICON_BIG, SM_CXICON, bigIcon_);
    set(ICON_SMALL, SM_CXSMICON, smallIcon_);
}

// Form1's client area at the given DPI: the layout's, in pixels.
SIZE MainWindow::LayoutClientSize(UINT dpi) const {
    const RECT client = ToPixels(kForm1Client, dpi);
    return {client.right, client.bottom};
}

// Form1's outer size at the DPI: the layout's client area in the frame the
// window has at this moment, measured rather than assumed, so that it is
// exact whatever Windows (or Wine) draws.
SIZE MainWindow::OuterSizeInItsFrame(UINT dpi) const {
    const SIZE client = LayoutClientSize(dpi), frame = MeasuredFrame(Window());
    return {client.cx + frame.cx, client.cy + frame.cy};
}

// Gives Form1 its size for the DPI, at the corner given or where it is. A
// minimised window's frame cannot be measured: it is sized when restored.
void MainWindow::SizeToLayout(UINT dpi, const POINT* corner) {
    if (IsIconic(Window())) {
        sizeWhenRestored_ = true;
        return;
    }
    const SIZE size = OuterSizeInItsFrame(dpi);
    SetWindowPos(Window(), nullptr, corner ? corner->x : 0, corner ? corner->y : 0, size.cx, size.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE | (corner ? 0 : SWP_NOMOVE));
}

HFONT MainWindow::Font() const { return font_ ? font_.get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

// Enter presses the focused push button, and Find wherever else the focus is.
ControlId MainWindow::DefaultButton() const { return GetFocus() == Control(kCommand2Id) ? kCommand2Id : kCommand1Id; }

}  // namespace mirvel
