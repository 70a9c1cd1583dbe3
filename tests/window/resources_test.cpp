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

class ProgramIcon : public ::testing::Test {
protected:
    void SetUp() override {
        module_ =
            LoadLibraryExW(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(module_, nullptr);
    }
    void TearDown() override {
        if (module_) FreeLibrary(module_);
    }
    HMODULE module_ = nullptr;
};

TEST_F(ProgramIcon, IsTransparentOutsideThePage) {
    for (const int size : {32, 16}) {
        const auto icon = static_cast<HICON>(LoadImageW(module_, MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, 0));
        ASSERT_NE(icon, nullptr) << size;
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
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
}

}  // namespace
}  // namespace mirvel::testing
