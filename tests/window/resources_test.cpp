// Mirvel.exe's icon as Windows loads it: transparent outside the page. (Its
// sizes and version record are checks of the file: tests/check_executable.py.)
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace mirvel::testing {
namespace {

// The program is built next to the tests.
std::wstring ProgramPath() {
    std::wstring path(MAX_PATH, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), MAX_PATH);
    path.resize(length);
    return path.substr(0, path.find_last_of(L"\\/") + 1) + L"Mirvel.exe";
}

TEST(ProgramIcon, IsTransparentOutsideThePage) {
    const HMODULE program =
        LoadLibraryExW(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(program, nullptr);
    for (const int size : {32, 16}) {
        const auto icon = static_cast<HICON>(LoadImageW(program, MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, 0));
        ICONINFO info{};
        ASSERT_TRUE(icon && GetIconInfo(icon, &info)) << size;
        const HDC dc = CreateCompatibleDC(nullptr);
        const HGDIOBJ old = SelectObject(dc, info.hbmMask);
        EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 255, 255)) << "top-left corner, size " << size;
        EXPECT_EQ(GetPixel(dc, size - 1, size - 1), RGB(255, 255, 255)) << "bottom-right corner, size " << size;
        EXPECT_EQ(GetPixel(dc, size / 2, size / 2), RGB(0, 0, 0)) << "centre, size " << size;
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(info.hbmMask);
        if (info.hbmColor) DeleteObject(info.hbmColor);
        DestroyIcon(icon);
    }
    FreeLibrary(program);
}

}  // namespace
}  // namespace mirvel::testing
