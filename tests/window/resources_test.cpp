// What Mirvel.exe carries: its version record and its icon.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "version.h"

namespace mirvel::testing {
namespace {

// The version text the build made for this version (window/CMakeLists.txt).
std::wstring VersionText() { return L"" MIRVEL_VERSION_TEXT; }

// The program is built next to the tests.
std::wstring ProgramPath() {
    std::wstring path(MAX_PATH, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), MAX_PATH);
    path.resize(length);
    return path.substr(0, path.find_last_of(L"\\/") + 1) + L"Mirvel.exe";
}

class VersionRecord : public ::testing::Test {
protected:
    void SetUp() override {
        const std::wstring path = ProgramPath();
        DWORD handle = 0;
        const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
        ASSERT_GT(size, 0u) << "no version record in Mirvel.exe";
        data_.resize(size);
        ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, data_.data()));
    }

    std::wstring Value(const wchar_t* name) {
        const std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
        void* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueW(data_.data(), key.c_str(), &value, &length) || length == 0) return L"(missing)";
        return static_cast<const wchar_t*>(value);
    }

    std::vector<unsigned char> data_;
};

TEST_F(VersionRecord, NamesTheProgramInUsEnglishUnicode) {
    struct Entry {
        const wchar_t* name;
        const wchar_t* value;
    };
    const std::wstring version = VersionText();
    for (const auto& [name, value] : {Entry{L"ProductName", L"Mirvel"}, Entry{L"InternalName", L"Mirvel"},
                                      Entry{L"OriginalFilename", L"Mirvel.exe"}, Entry{L"FileVersion", version.c_str()},
                                      Entry{L"ProductVersion", version.c_str()}}) {
        EXPECT_EQ(Value(name), value) << "entry " << static_cast<int>(name[0]);
    }
    EXPECT_TRUE(Value(L"LegalCopyright").ends_with(L" " + Value(L"CompanyName"))) << "the maker holds the copyright";
    EXPECT_EQ(Value(L"LegalCopyright"), L"" MIRVEL_COPYRIGHT) << "the line of LICENSE";

    void* translation = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(data_.data(), L"\\VarFileInfo\\Translation", &translation, &length));
    ASSERT_GE(length, 4u);
    EXPECT_EQ(static_cast<const WORD*>(translation)[0], 0x0409);
    EXPECT_EQ(static_cast<const WORD*>(translation)[1], 0x04B0);
}

TEST_F(VersionRecord, HasTheNumericVersionOfAnApplication) {
    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(data_.data(), L"\\", &value, &length));
    const auto* info = static_cast<const VS_FIXEDFILEINFO*>(value);
    EXPECT_EQ(info->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(info->dwFileVersionMS, static_cast<DWORD>(MAKELONG(MIRVEL_VERSION_MINOR, MIRVEL_VERSION_MAJOR)));
    EXPECT_EQ(info->dwFileVersionLS, static_cast<DWORD>(MAKELONG(0, MIRVEL_VERSION_PATCH)));
    EXPECT_EQ(info->dwProductVersionMS, info->dwFileVersionMS);
    EXPECT_EQ(info->dwProductVersionLS, info->dwFileVersionLS);
    EXPECT_EQ(info->dwFileType, static_cast<DWORD>(VFT_APP));
}

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width, height, colourCount, reserved;
    WORD planes, bitCount;
    DWORD bytesInResource;
    WORD id;
};
struct GroupIconHeader {
    WORD reserved, type, count;
};
#pragma pack(pop)

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

// Resources are listed by id, lowest first: the first is noted, and that is all.
BOOL CALLBACK NoteFirstId(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR found) {
    *reinterpret_cast<WORD*>(found) = IS_INTRESOURCE(name) ? LOWORD(reinterpret_cast<ULONG_PTR>(name)) : 0;
    return FALSE;
}

TEST_F(ProgramIcon, HasTheLowestIdAndTwoSixteenColourSizes) {
    WORD firstId = 0;
    EnumResourceNamesW(module_, RT_GROUP_ICON, NoteFirstId, reinterpret_cast<LONG_PTR>(&firstId));
    ASSERT_EQ(firstId, 1);

    const HRSRC resource = FindResourceW(module_, MAKEINTRESOURCEW(1), RT_GROUP_ICON);
    ASSERT_NE(resource, nullptr);
    const auto* group = static_cast<const GroupIconHeader*>(LockResource(LoadResource(module_, resource)));
    ASSERT_NE(group, nullptr);
    ASSERT_EQ(group->count, 2);
    const auto* entries = reinterpret_cast<const GroupIconEntry*>(group + 1);
    std::vector<int> sizes;
    for (int i = 0; i < group->count; ++i) {
        sizes.push_back(entries[i].width);
        EXPECT_EQ(entries[i].height, entries[i].width);
        EXPECT_EQ(entries[i].bitCount, 4) << "16 colours";
    }
    EXPECT_EQ(sizes, (std::vector<int>{32, 16}));
}

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
