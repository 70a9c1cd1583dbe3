#pragma once

// The texts Form1 must show, written out here by hand as the rules give
// them, never taken from the program: a test that compared the program
// with its own tables would check nothing.
#include <string>

#include "window/form_layout.h"

namespace mirvel::testing {

inline constexpr const wchar_t* kExpectedCaption = L"Mirvel";
inline constexpr const wchar_t* kExpectedPlaceholder = L"(Введите матрицу размером 6x3 - 18 элементов)";

struct ExpectedControlText {
    ControlId id;
    const wchar_t* text;
    const wchar_t* tooltip;
};

inline constexpr ExpectedControlText kExpectedControlTexts[] = {
    {kLabel1Id, L"Задание: \"В матрице размера 6x3 найти номера строк, все элементы которых положительны\".",
     L"Условие"},
    {kText1Id, kExpectedPlaceholder, L"Введите матрицу размером 6x3 - 18 элементов"},
    {kLabel2Id, L"", L"Вывод матрицы"},
    {kCommand1Id, L"Н&айти",
     L"Для нахождения номеров строк со всеми положительными элементами нажмите кнопку \"Найти\""},
    {kCommand2Id, L"В&ыход", L"Для завершения работы программы нажмите кнопку \"Выход\""},
};

inline constexpr const wchar_t* kExpectedErrorTitle = L"Ошибка ввода данных?";
inline constexpr const wchar_t* kExpectedErrorText = L"Ошибка при вводе данных!\r\nВведите массив правильно!";
inline constexpr const wchar_t* kExpectedResultTitle = L"Результат";
inline std::wstring ExpectedResultText(const std::wstring& rowList) {
    return L"В заданной матрице все элементы\r\nположительны в(во) " + rowList + L"строке(-ах).";
}

// Entries that Find accepts, and what it shows for each: Label2's matrix and
// the result's row list.
struct ExpectedFind {
    const char* name;
    std::wstring entry;
    const wchar_t* display;
    const wchar_t* rowList;
};

// Eighteen items of the given length, runs of zeros ending in 3; every fourth
// negative.
inline std::wstring EighteenLongItems(std::size_t itemLength) {
    const std::wstring item = std::wstring(itemLength - 1, L'0') + L"3";
    std::wstring text = item;
    for (int i = 1; i < 18; ++i) text += (i % 4 == 0 ? L" -" : L" ") + item;
    return text;
}

inline const ExpectedFind kExpectedFinds[] = {
    {"OneToEighteen", L"1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18",
     L"1 2 3 4 5 6 \r\n7 8 9 10 11 12 \r\n13 14 15 16 17 18 \r\n", L"1-й 2-й 3-й "},
    {"FirstAndThird", L"1 1 1 1 1 1 -1 2 2 2 2 2 3 3 3 3 3 3", L"1 1 1 1 1 1 \r\n-1 2 2 2 2 2 \r\n3 3 3 3 3 3 \r\n",
     L"1-й 3-й "},
    {"NoneWithZerosAndText", L"0 0 0 0 0 0 abc 1 1 1 1 1 1 1 1 1 1 ",
     L"0 0 0 0 0 0 \r\n0 1 1 1 1 1 \r\n1 1 1 1 1 0 \r\n", L""},
    {"StoredNumbersAreShown", L"007 1e2 &H1F 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18",
     L"7 100 31 4 5 6 \r\n7 8 9 10 11 12 \r\n13 14 15 16 17 18 \r\n", L"1-й 2-й 3-й "},
    {"AnEmptyItemIsZero", L"1 2 3 4 5 6 7 8 9 10 11  13 14 15 16 17 18",
     L"1 2 3 4 5 6 \r\n7 8 9 10 11 0 \r\n13 14 15 16 17 18 \r\n", L"1-й 3-й "},
    {"TenThousandCharacters", EighteenLongItems(10'000 / 18), L"3 3 3 3 -3 3 \r\n3 3 -3 3 3 3 \r\n-3 3 3 3 -3 3 \r\n",
     L""},
};

// Entries that Find rejects with the input error.
inline constexpr const wchar_t* kRejectedEntries[] = {
    L"1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17",
    L" 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18",
    L"1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 1e400",
    L"1 2 3 4 5 6\r\n7 8 9 10 11 12 13 14 15 16 17 18",
    L"",
};

inline constexpr const wchar_t* kExpectedStartFailedTitle = L"Mirvel";
inline constexpr const wchar_t* kExpectedStartFailedText = L"Не удалось открыть окно программы Mirvel.";

}  // namespace mirvel::testing
