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
class MainWindow : public BaseWindow<MainWindow> {
public:
    static const wchar_t* ClassName() { return L"MirvelForm1"; }

    // The DPI functions are those of the running system, unless a test
    // hands in a table that lacks some of them.
    explicit MainWindow(const DpiFunctions& dpiFunctions = DpiFunctions::Resolve());
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
    void OnSize(HWND window, UINT state, int width, int height);
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
    void FitFrame(UINT dpi);
    void FitMinimisedFrame(UINT dpi);
    void SetIcons(UINT dpi);
    [[nodiscard]] SIZE ClientSize(UINT dpi) const;
    [[nodiscard]] SIZE FrameSize(UINT dpi) const;
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
    // The frame last measured, and at which DPI; a minimised window's frame
    // cannot be measured, so its size for a new DPI is reckoned from this
    // and checked when it is restored.
    SIZE measuredFrame_{};
    UINT measuredFrameDpi_ = 0;
    bool fitWhenRestored_ = false;
};

}  // namespace mirvel
