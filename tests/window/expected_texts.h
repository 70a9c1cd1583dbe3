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

inline constexpr const wchar_t* kExpectedStartFailedTitle = L"Mirvel";
inline constexpr const wchar_t* kExpectedStartFailedText = L"Не удалось открыть окно программы Mirvel.";

}  // namespace mirvel::testing
