#include "window/main_window.h"

#include <commctrl.h>
#include <windowsx.h>

#include "matrix/matrix_search.h"
#include "window/entry_field.h"
#include "window/message_box.h"
#include "window/resource.h"
#include "window/user_locale.h"
#include "window/wide_text.h"

namespace mirvel {
namespace {

constexpr DWORD kForm1Style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kForm1ExStyle = 0;

// Posted when the focus moves, so that the default button is restyled after
// the dialog manager has done its own restyling.
constexpr UINT kFocusMoved = WM_APP + 1;

struct ControlClass {
    const wchar_t* className;
    DWORD style;
    DWORD exStyle;
};

ControlClass ClassOf(const ControlDescription& description) {
    constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
    switch (description.kind) {
        case ControlKind::Label:
            // SS_NOTIFY lets the label take the mouse, so its tooltip shows.
            return {WC_STATICW, kChild | SS_LEFT | SS_NOPREFIX | SS_NOTIFY, 0};
        case ControlKind::EntryField:
            return {WC_EDITW, kChild | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
        case ControlKind::PushButton:
            return {
                WC_BUTTONW,
                kChild | WS_TABSTOP | BS_NOTIFY | (description.id == kCommand1Id ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON),
                0};
    }
    return {WC_STATICW, kChild, 0};
}

bool InitializeCommonControls() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
    return InitCommonControlsEx(&controls) != FALSE;
}

// The dialog font of dialog templates, 8-point "MS Shell Dlg 2", which every
// Windows from 2000 on maps to Tahoma. The layout was drawn for its 13-pixel
// lines, so it is taken whatever message font the user has chosen.
HFONT CreateDialogFont(UINT dpi) {
    LOGFONTW font{};
    font.lfHeight = -MulDiv(8, static_cast<int>(dpi), 72);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfOutPrecision = OUT_DEFAULT_PRECIS;
    font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    font.lfQuality = DEFAULT_QUALITY;
    font.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    lstrcpynW(font.lfFaceName, L"MS Shell Dlg 2", LF_FACESIZE);
    return CreateFontIndirectW(&font);
}

HICON LoadProgramIcon(HINSTANCE instance, int size, const DpiFunctions& functions) {
    HICON icon = nullptr;
    if (functions.loadIconWithScaleDown &&
        SUCCEEDED(functions.loadIconWithScaleDown(instance, MAKEINTRESOURCEW(IDI_MIRVEL), size, size, &icon))) {
        return icon;
    }
    return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_MIRVEL), IMAGE_ICON, size, size, 0));
}

}  // namespace

bool MainWindow::Create(HINSTANCE instance, int showCommand) {
    if (!InitializeCommonControls()) return false;
    // The window's icons are set for its own DPI once it exists.
    WNDCLASSEXW windowClass{};
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    if (!RegisterClass(windowClass)) return false;
    // The system places the window. It is sized for the system DPI; should it
    // open on a monitor of another scale, it is sized again once it exists.
    const SIZE frame = FrameSize(dpi_.System());
    if (!CreateWindowHandle(kForm1ExStyle, kForm1Caption, kForm1Style, CW_USEDEFAULT, CW_USEDEFAULT, frame.cx, frame.cy,
                            nullptr, instance)) {
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
        MIRVEL_HANDLE_MESSAGE(WM_SIZE, OnSize);
        MIRVEL_HANDLE_MESSAGE(WM_COMMAND, OnCommand);
        MIRVEL_HANDLE_MESSAGE(WM_ACTIVATE, OnActivate);
        MIRVEL_HANDLE_MESSAGE(WM_SETFOCUS, OnSetFocus);
        MIRVEL_HANDLE_MESSAGE(WM_DESTROY, OnDestroy);
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

MainWindow::MainWindow(const DpiFunctions& dpiFunctions) : dpi_(dpiFunctions) {}

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
    FitFrame(dpi);
    // As a dialog does for the edit control that gets its first focus: the
    // whole placeholder is selected, so the first keystroke replaces it.
    const HWND entry = Control(kText1Id);
    Edit_SetSel(entry, 0, -1);
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

// A window minimised through a DPI change had its size reckoned; now that
// its frame can be measured, it is checked.
void MainWindow::OnSize(HWND, UINT state, int, int) {
    if (state == SIZE_RESTORED && fitWhenRestored_) {
        fitWhenRestored_ = false;
        FitFrame(dpiNow_);
    }
}

void MainWindow::OnDestroy(HWND) { PostQuitMessage(0); }

void MainWindow::OnNcDestroy(HWND) {
    font_.reset();
    bigIcon_.reset();
    smallIcon_.reset();
}

// One move to the new DPI: the controls are laid out for it, then the window
// takes the rectangle Windows suggests, sized so that the client area is
// exactly the layout's, in a single SetWindowPos. The frame is measured, not
// assumed: it is what Windows (or Wine) draws at this moment.
LRESULT MainWindow::OnDpiChanged(UINT dpi, const RECT& suggested) {
    dpiNow_ = dpi;
    LayOut(dpi);
    SetIcons(dpi);
    if (IsIconic(Window())) {
        FitMinimisedFrame(dpi);
        return 0;
    }
    const SIZE client = ClientSize(dpi);
    const SIZE frame = MeasuredFrame(Window());
    measuredFrame_ = frame;
    measuredFrameDpi_ = dpi;
    SetWindowPos(Window(), nullptr, suggested.left, suggested.top, client.cx + frame.cx, client.cy + frame.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    return 0;
}

// Per-monitor v2 asks, before the DPI changes, which size the window wants
// at the new one: the layout's client area and the frame for that DPI.
LRESULT MainWindow::OnGetDpiScaledSize(UINT dpi, SIZE& size) const {
    size = FrameSize(dpi);
    return TRUE;
}

// The dialog manager asks which button Enter presses.
LRESULT MainWindow::OnGetDefId() const { return MAKELRESULT(DefaultButton(), DC_HASDEFID); }

// The default button wears the heavy border that tells where Enter goes.
void MainWindow::OnFocusMoved() {
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
// until then.
void MainWindow::LayOut(UINT dpi) {
    FontHandle font{CreateDialogFont(dpi)};
    for (const ControlDescription& description : kForm1Controls) {
        const HWND control = Control(description.id);
        const RECT bounds = ToPixels(description.bounds, dpi);
        if (font) SetWindowFont(control, font.get(), FALSE);
        MoveWindow(control, bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, TRUE);
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
SIZE MainWindow::ClientSize(UINT dpi) const {
    const RECT client = ToPixels(kForm1Client, dpi);
    return {client.right, client.bottom};
}

// The outer size of Form1 at the given DPI, by the system's rules.
SIZE MainWindow::FrameSize(UINT dpi) const { return dpi_.FrameSize(ClientSize(dpi), kForm1Style, kForm1ExStyle, dpi); }

// Sizes the window around the layout's client area, with the frame it has,
// when it is not that size already.
void MainWindow::FitFrame(UINT dpi) {
    if (IsIconic(Window())) {
        FitMinimisedFrame(dpi);
        return;
    }
    RECT current{};
    if (!GetWindowRect(Window(), &current)) return;
    const SIZE client = ClientSize(dpi);
    const SIZE frame = MeasuredFrame(Window());
    measuredFrame_ = frame;
    measuredFrameDpi_ = dpi;
    const SIZE wanted{client.cx + frame.cx, client.cy + frame.cy};
    if (current.right - current.left == wanted.cx && current.bottom - current.top == wanted.cy) return;
    SetWindowPos(Window(), nullptr, 0, 0, wanted.cx, wanted.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// A minimised window keeps its size in its normal placement, where it
// returns to. Its frame cannot be measured now: the last one measured is
// taken, scaled as the system scales frames, and checked on restoring.
void MainWindow::FitMinimisedFrame(UINT dpi) {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    if (!GetWindowPlacement(Window(), &placement)) return;
    SIZE frame = measuredFrame_;  // measured since WM_CREATE
    if (dpi_.FrameFollowsDpi() && dpi != measuredFrameDpi_) {
        const SIZE from = FrameSize(measuredFrameDpi_), to = FrameSize(dpi);
        const SIZE fromClient = ClientSize(measuredFrameDpi_), toClient = ClientSize(dpi);
        frame.cx += (to.cx - toClient.cx) - (from.cx - fromClient.cx);
        frame.cy += (to.cy - toClient.cy) - (from.cy - fromClient.cy);
    }
    const SIZE client = ClientSize(dpi);
    RECT& normal = placement.rcNormalPosition;  // where it was: its top-left corner stays
    normal.right = normal.left + client.cx + frame.cx;
    normal.bottom = normal.top + client.cy + frame.cy;
    placement.flags = 0;
    placement.showCmd = SW_SHOWMINNOACTIVE;
    SetWindowPlacement(Window(), &placement);
    fitWhenRestored_ = true;
}

HFONT MainWindow::Font() const { return font_ ? font_.get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

// Enter presses the focused push button, and Find wherever else the focus is.
ControlId MainWindow::DefaultButton() const { return GetFocus() == Control(kCommand2Id) ? kCommand2Id : kCommand1Id; }

}  // namespace mirvel
