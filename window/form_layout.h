#pragma once

#include <windows.h>

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

inline constexpr const wchar_t* kForm1Caption = L"Mirvel";
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

inline int TwipsToPixels(int twips, UINT dpi) { return MulDiv(twips, static_cast<int>(dpi), kTwipsPerInch); }

// A control's rectangle in pixels at the given DPI.
inline RECT ToPixels(const TwipRect& bounds, UINT dpi) {
    const int left = TwipsToPixels(bounds.left, dpi);
    const int top = TwipsToPixels(bounds.top, dpi);
    return {left, top, left + TwipsToPixels(bounds.width, dpi), top + TwipsToPixels(bounds.height, dpi)};
}

}  // namespace mirvel
