#pragma once

// Form1's geometry at each DPI the tests visit, worked out here by hand from
// its twips (twips × DPI / 1440, halves rounded up), never taken from the
// program: a table the program also computes could not see it round wrong.
#include <windows.h>

#include <algorithm>
#include <iterator>

#include "window/form_layout.h"

namespace mirvel::testing {

struct ExpectedControlRect {
    ControlId id;
    int left, top, width, height;
};

struct ExpectedLayout {
    UINT dpi;
    SIZE client;
    ExpectedControlRect controls[5];
    int tipWidth;            // the tooltips' longest line: 320 pixels at 96 DPI
    int bigIcon, smallIcon;  // SM_CXICON and SM_CXSMICON: 32 and 16 at 96 DPI
    LONG fontHeight;         // 8 points' character height, as a font is asked for: -11 at 96 DPI
};

// clang-format off
inline constexpr ExpectedLayout kExpectedLayouts[] = {
    {96, {255, 99}, {{kLabel1Id, 0, 0, 249, 25}, {kText1Id, 0, 32, 255, 19}, {kLabel2Id, 88, 56, 81, 41},
                     {kCommand1Id, 6, 56, 65, 41}, {kCommand2Id, 184, 56, 65, 41}}, 320, 32, 16, -11},
    {120, {319, 124}, {{kLabel1Id, 0, 0, 311, 31}, {kText1Id, 0, 40, 319, 24}, {kLabel2Id, 110, 70, 101, 51},
                       {kCommand1Id, 8, 70, 81, 51}, {kCommand2Id, 230, 70, 81, 51}}, 400, 40, 20, -13},
    {144, {383, 149}, {{kLabel1Id, 0, 0, 374, 38}, {kText1Id, 0, 48, 383, 29}, {kLabel2Id, 132, 84, 122, 62},
                       {kCommand1Id, 9, 84, 98, 62}, {kCommand2Id, 276, 84, 98, 62}}, 480, 48, 24, -16},
    {192, {510, 198}, {{kLabel1Id, 0, 0, 498, 50}, {kText1Id, 0, 64, 510, 38}, {kLabel2Id, 176, 112, 162, 82},
                       {kCommand1Id, 12, 112, 130, 82}, {kCommand2Id, 368, 112, 130, 82}}, 640, 64, 32, -21},
};
// clang-format on

// The table's row for the DPI, or null for a DPI it does not have.
inline const ExpectedLayout* ExpectedLayoutAt(UINT dpi) {
    const auto* found = std::find_if(std::begin(kExpectedLayouts), std::end(kExpectedLayouts),
                                     [dpi](const ExpectedLayout& layout) { return layout.dpi == dpi; });
    return found == std::end(kExpectedLayouts) ? nullptr : found;
}

inline bool IsAt(const RECT& actual, const ExpectedControlRect& expected) {
    return actual.left == expected.left && actual.top == expected.top && actual.right - actual.left == expected.width &&
           actual.bottom - actual.top == expected.height;
}

}  // namespace mirvel::testing
