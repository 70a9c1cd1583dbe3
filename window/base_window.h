#pragma once

#include <windows.h>

namespace mirvel {

// The classic BaseWindow pattern: the window procedure finds the C++ object
// it belongs to (stored at WM_NCCREATE) and hands it every message.
// Derived classes provide:
//   static const wchar_t* ClassName();
//   LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
template <typename Derived>
class BaseWindow {
public:
    BaseWindow() = default;
    BaseWindow(const BaseWindow&) = delete;
    BaseWindow& operator=(const BaseWindow&) = delete;

    [[nodiscard]] HWND Window() const { return window_; }

protected:
    // A window that outlives its object is destroyed without it: by now the
    // derived part is gone, so its last messages go to the default procedure.
    // A derived class whose members the window draws with calls this first
    // itself, so that the window goes before they do.
    ~BaseWindow() { DestroyWithoutObject(); }

    void DestroyWithoutObject() {
        if (!window_) return;
        const HWND window = window_;
        window_ = nullptr;
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        DestroyWindow(window);
    }

    static bool RegisterWindowClass(WNDCLASSEXW windowClass) {
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = WindowProc;
        windowClass.lpszClassName = Derived::ClassName();
        return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }

    bool CreateWindowHandle(DWORD exStyle, const wchar_t* title, DWORD style, int x, int y, int width, int height,
                            HWND owner, HINSTANCE instance) {
        return CreateWindowExW(exStyle, Derived::ClassName(), title, style, x, y, width, height, owner, nullptr,
                               instance, this) != nullptr;
    }

    LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
        return DefWindowProcW(window_, message, wParam, lParam);
    }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
        auto* self = reinterpret_cast<BaseWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (message == WM_NCCREATE) {
            self = static_cast<BaseWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
            self->window_ = window;
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
        if (!self) return DefWindowProcW(window, message, wParam, lParam);

        LRESULT result = 0;
        try {
            result = static_cast<Derived*>(self)->HandleMessage(message, wParam, lParam);
        } catch (...) {
            // Nothing may unwind through Windows. A window whose making
            // failed is not made (CreateWindowEx then fails); otherwise the
            // command is dropped and the window goes on as it was.
            MessageBeep(MB_ICONHAND);
            if (message == WM_NCCREATE) return FALSE;
            if (message == WM_CREATE) return -1;
            result = DefWindowProcW(window, message, wParam, lParam);
        }
        if (message == WM_NCDESTROY) {
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            self->window_ = nullptr;
        }
        return result;
    }

    HWND window_ = nullptr;
};

}  // namespace mirvel
