#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

#include "matrix/matrix.h"
#include "window/base_window.h"
#include "window/dpi.h"
#include "window/form_layout.h"
#include "window/tooltips.h"

namespace mirvel {

// Form1, the program's one window: the task statement, the entry field, the
// matrix display and the Find and Exit buttons.
//
// Form1 is a window of its own class, not a dialog: a dialog template lays
// its controls out in dialog units of its font, which cannot hold the
// twips of Form1's layout exactly at every DPI. The dialog manager still
// gives it Tab, Enter, Esc and the access keys, through IsDialogMessage in
// the message loop; what the dialog procedure would add, Form1 does itself:
// it answers which button Enter presses (DM_GETDEFID), moves the default
// button's border with the focus, and gives the focus back to the control
// that had it when it is activated again.
class MainWindow : public BaseWindow<MainWindow> {
public:
    static const wchar_t* ClassName() { return kForm1ClassName; }

    // The late-bound functions are those of the running system, unless a
    // test hands in a table that lacks some of them.
    explicit MainWindow(const LateBoundFunctions& functions = LateBoundFunctions::Resolve());
    // The window goes first: it draws with the font and icons held here.
    ~MainWindow() { DestroyWithoutObject(); }
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Creates Form1 with its controls and shows it.
    bool Create(HINSTANCE instance, int showCommand);

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

private:
    struct FontDeleter {
        void operator()(HFONT font) const { DeleteObject(font); }
    };
    using FontHandle = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;
    struct IconDeleter {
        void operator()(HICON icon) const { DestroyIcon(icon); }
    };
    using IconHandle = std::unique_ptr<std::remove_pointer_t<HICON>, IconDeleter>;

    BOOL OnNcCreate(HWND window, LPCREATESTRUCTW createStruct);
    BOOL OnCreate(HWND window, LPCREATESTRUCTW createStruct);
    void OnWindowPosChanging(HWND window, WINDOWPOS* position);
    void OnCommand(HWND window, int id, HWND control, UINT code);
    void OnActivate(HWND window, UINT state, HWND other, BOOL minimized);
    void OnSetFocus(HWND window, HWND oldFocus);
    void OnDestroy(HWND window);
    void OnNcDestroy(HWND window);
    LRESULT OnDpiChanged(UINT dpi, const RECT& suggested);
    LRESULT OnGetDpiScaledSize(UINT dpi, SIZE& size) const;
    LRESULT OnGetDefId() const;
    void OnFocusMoved();

    // The commands.
    void Command1_Click();  // Find
    void Command2_Click();  // Exit
    void Text1_DblClick();  // Clear

    bool CreateControls(UINT dpi);
    void LayOut(UINT dpi);
    void SizeToLayout(UINT dpi, const POINT* corner = nullptr);
    void SetIcons(UINT dpi);
    [[nodiscard]] SIZE LayoutClientSize(UINT dpi) const;
    [[nodiscard]] SIZE OuterSizeInItsFrame(UINT dpi) const;
    [[nodiscard]] HFONT Font() const;
    [[nodiscard]] ControlId DefaultButton() const;
    [[nodiscard]] HWND Control(ControlId id) const { return GetDlgItem(Window(), id); }

    Dpi dpi_;
    Matrix matrix_;
    Tooltips tooltips_;
    FontHandle font_;
    IconHandle bigIcon_;
    IconHandle smallIcon_;
    HWND focusToRestore_ = nullptr;
    UINT dpiNow_ = USER_DEFAULT_SCREEN_DPI;  // as Windows last said: at creation, or by WM_DPICHANGED
    bool sizeWhenRestored_ = false;          // minimised while its DPI changed
};

}  // namespace mirvel
