#pragma once

#include <windows.h>

#include <commctrl.h>

#include <array>

namespace mirvel {

// Form1 is laid out in twips, 1/1440 inch, so it keeps its proportions at
// every DPI: 15 twips make a pixel at 96 DPI.
constexpr int kTwipsPerInch = 1440;

struct TwipRect {
    int left;
    int top;
    int width;
    int height;
};

enum ControlId : int {
    kLabel1Id = 101,
    kText1Id = 102,
    kLabel2Id = 103,
    kCommand1Id = IDOK,      // Find, the default button
    kCommand2Id = IDCANCEL,  // Exit, the cancel button
};

enum class ControlKind { Label, EntryField, PushButton };

struct ControlDescription {
    ControlId id;
    ControlKind kind;
    TwipRect bounds;
    const wchar_t* text;
    const wchar_t* tooltip;
};

inline constexpr const wchar_t* kForm1ClassName = L"MirvelForm1";
inline constexpr const wchar_t* kForm1Caption = L"Mirvel";
// A fixed frame: caption, system menu, close and minimise boxes.
inline constexpr DWORD kForm1Style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
inline constexpr DWORD kForm1ExStyle = 0;
inline constexpr TwipRect kForm1Client{0, 0, 3825, 1485};

// The controls in tab order.
inline constexpr std::array<ControlDescription, 5> kForm1Controls{{
    {kLabel1Id,
     ControlKind::Label,
     {0, 0, 3735, 375},
     L"Задание: \"В матрице размера 6x3 найти номера строк, все элементы которых положительны\".",
     L"Условие"},
    {kText1Id,
     ControlKind::EntryField,
     {0, 480, 3825, 285},
     L"(Введите матрицу размером 6x3 - 18 элементов)",
     L"Введите матрицу размером 6x3 - 18 элементов"},
    {kLabel2Id, ControlKind::Label, {1320, 840, 1215, 615}, L"", L"Вывод матрицы"},
    {kCommand1Id,
     ControlKind::PushButton,
     {90, 840, 975, 615},
     L"Н&айти",
     L"Для нахождения номеров строк со всеми положительными элементами нажмите кнопку \"Найти\""},
    {kCommand2Id,
     ControlKind::PushButton,
     {2760, 840, 975, 615},
     L"В&ыход",
     L"Для завершения работы программы нажмите кнопку \"Выход\""},
}};

// The window class and styles of a control of each kind.
struct ControlClass {
    const wchar_t* className;
    DWORD style;
    DWORD exStyle;
};

inline ControlClass ClassOf(const ControlDescription& description) {
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

// The dialog font of dialog templates, 8-point "MS Shell Dlg 2", which every
// Windows from 2000 on maps to Tahoma. The layout was drawn for its 13-pixel
// lines, so it is taken whatever message font the user has chosen.
inline HFONT CreateDialogFont(UINT dpi) {
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

inline int TwipsToPixels(int twips, UINT dpi) { return MulDiv(twips, static_cast<int>(dpi), kTwipsPerInch); }

// A control's rectangle in pixels at the given DPI.
inline RECT ToPixels(const TwipRect& bounds, UINT dpi) {
    const int left = TwipsToPixels(bounds.left, dpi);
    const int top = TwipsToPixels(bounds.top, dpi);
    return {left, top, left + TwipsToPixels(bounds.width, dpi), top + TwipsToPixels(bounds.height, dpi)};
}

}  // namespace mirvel
