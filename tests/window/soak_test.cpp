// Thousands of commands and huge entries: no leaks, no hang, no crash.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "expected_texts.h"
#include "form1_harness.h"

namespace mirvel::testing {
namespace {

struct Footprint {
    DWORD gdiObjects;
    DWORD userObjects;
    SIZE_T privateBytes;  // 0 where the system does not say (Wine)
    SIZE_T heapBytes;     // in use in all of the process's heaps
};

Footprint Measure() {
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof(memory);
    K32GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof(memory));
    return {GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS),
            memory.PrivateUsage, HeapBytesInUse()};
}

const std::wstring kGoodEntry = L"1 2 3 4 5 6 -1 2 3 4 5 6 0.5 1e-3 &H1F 4 5 6";
const std::wstring kBadEntry = L"1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17";
const std::wstring kOverflowEntry = L"1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 1e400";

// How many rounds the soak runs: four cycles in every test run, thousands
// from `make soak` (MIRVEL_SOAK_ROUNDS).
int SoakRounds() {
    wchar_t value[16]{};
    if (GetEnvironmentVariableW(L"MIRVEL_SOAK_ROUNDS", value, 16) == 0) return 120;
    return std::max(60, _wtoi(value));
}

// The least-squares slope of the heap samples, in bytes a round.
double GrowthPerRound(const std::vector<std::pair<int, double>>& samples) {
    double meanX = 0, meanY = 0;
    for (const auto& [x, y] : samples) meanX += x, meanY += y;
    meanX /= static_cast<double>(samples.size());
    meanY /= static_cast<double>(samples.size());
    double covariance = 0, variance = 0;
    for (const auto& [x, y] : samples) covariance += (x - meanX) * (y - meanY), variance += (x - meanX) * (x - meanX);
    return variance == 0 ? 0 : covariance / variance;
}

// What a bare message box leaves on the heap, in bytes: Wine's keeps a few
// bytes of every box for good, and the soak is not to blame the program for it.
double HeapCostOfABareMessageBox(HWND owner) {
    constexpr int kBoxes = 30;
    std::vector<std::pair<int, double>> samples;
    samples.reserve(kBoxes / 5 + 1);
    for (int i = 0; i <= kBoxes; ++i) {
        if (i % 5 == 0) samples.emplace_back(i, static_cast<double>(HeapBytesInUse()));
        if (i < kBoxes) MessageBoxW(owner, L"-", L"-", MB_OK);
    }
    return std::max(0.0, GrowthPerRound(samples));
}

TEST(Soak, FindsClearsAndTabsLeaveNoTrace) {
    Form1Harness form;
    MessageBoxCatcher boxes;
    const double boxCost = HeapCostOfABareMessageBox(form.Form());
    const HWND entry = form.Control(kText1Id);
    const auto runOnce = [&](int i) {
        const std::wstring& text = i % 3 == 0 ? kGoodEntry : (i % 3 == 1 ? kBadEntry : kOverflowEntry);
        SetWindowTextW(entry, text.c_str());
        if (i % 10 == 0) {
            for (int tab = 0; tab < 3; ++tab) form.PressKey(VK_TAB);  // round the tab order, back to the entry
        }
        ASSERT_EQ(GetFocus(), entry);
        form.PressKey(VK_RETURN);
        ASSERT_EQ(WindowText(entry), text) << "Find never changes the entry";
        if (i % 5 == 0) {
            form.DoubleClick(entry);
            ASSERT_EQ(WindowText(entry), L"");
        }
    };

    // The rounds repeat every 30 (entries, tabs, clears), so the heap is
    // sampled at the same point of each cycle.
    constexpr int kCycle = 30;
    for (int i = 0; i < kCycle; ++i) runOnce(i);  // caches and lazily made objects settle first
    const Footprint before = Measure();
    const int rounds = (SoakRounds() + kCycle - 1) / kCycle * kCycle;
    std::vector<std::pair<int, double>> heapSamples;
    heapSamples.reserve(static_cast<std::size_t>(rounds / kCycle + 1));
    for (int i = 0; i < rounds; ++i) {
        if (i % kCycle == 0) heapSamples.emplace_back(i, static_cast<double>(HeapBytesInUse()));
        runOnce(i);
        if (HasFatalFailure()) return;
    }
    const Footprint after = Measure();
    heapSamples.emplace_back(rounds, static_cast<double>(after.heapBytes));
    const double growth = GrowthPerRound(heapSamples) - boxCost;  // every round shows one box

    std::printf(
        "after %d rounds: heap bytes %zu -> %zu (%.1f bytes a round besides the %.1f of a bare message box), private "
        "bytes %zu -> %zu, "
        "GDI objects %lu -> %lu, USER objects %lu -> %lu\n",
        rounds, static_cast<std::size_t>(before.heapBytes), static_cast<std::size_t>(after.heapBytes), growth, boxCost,
        static_cast<std::size_t>(before.privateBytes), static_cast<std::size_t>(after.privateBytes), before.gdiObjects,
        after.gdiObjects, before.userObjects, after.userObjects);
    EXPECT_EQ(boxes.Count(), static_cast<unsigned>(30 + kCycle + rounds));
    ASSERT_GT(before.heapBytes, 0u) << "the heaps could not be walked";
    // A leak of even a hundred bytes a Find shows in the slope; the bound on
    // the total catches a one-off jump the slope would average away.
    EXPECT_LT(growth, 32.0) << "heap bytes in use grow by " << growth << " a round";
    EXPECT_LE(after.heapBytes, before.heapBytes + 128 * 1024)
        << "heap bytes in use grew from " << before.heapBytes << " to " << after.heapBytes;
    if (before.privateBytes != 0) {
        EXPECT_LE(after.privateBytes, before.privateBytes + 4 * 1024 * 1024);
    }
    if (before.gdiObjects == 0 && before.userObjects == 0) {
        std::printf("note: this system does not count GDI and USER objects (Wine); only memory was checked\n");
    } else {
        EXPECT_LE(after.gdiObjects, before.gdiObjects + 2);
        EXPECT_LE(after.userObjects, before.userObjects + 2);
    }

    DWORD_PTR answer = 0;
    EXPECT_NE(SendMessageTimeoutW(form.Form(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &answer), 0)
        << "the window still answers";
    EXPECT_TRUE(form.IsOpen());
}

// Eighteen items of the given length, each a run of zeros ending in 7.
std::wstring EighteenLongItems(std::size_t itemLength) {
    std::wstring item(itemLength - 1, L'0');
    item.push_back(L'7');
    std::wstring text = item;
    for (int i = 1; i < 18; ++i) text.append(L" ").append(item);
    return text;
}

// Wine's edit control takes quadratic time to take a long text (100,000
// characters: 13 s), so the largest entries are handed to Find the way the
// control hands over its text, through WM_GETTEXTLENGTH and WM_GETTEXT.
LRESULT CALLBACK ServeText(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR text) {
    const auto& served = *reinterpret_cast<const std::wstring*>(text);
    switch (message) {
        case WM_GETTEXTLENGTH:
            return static_cast<LRESULT>(served.size());
        case WM_GETTEXT: {
            const std::size_t copied = wParam == 0 ? 0 : std::min<std::size_t>(served.size(), wParam - 1);
            auto* buffer = reinterpret_cast<wchar_t*>(lParam);
            std::copy_n(served.data(), copied, buffer);
            if (wParam != 0) buffer[copied] = L'\0';
            return static_cast<LRESULT>(copied);
        }
        default:
            return DefSubclassProc(window, message, wParam, lParam);
    }
}

enum class Delivery { SetText, Served };

struct HugeCase {
    const char* name;
    std::wstring entry;
    Delivery delivery;
    bool accepted;
};

class HugeEntry : public ::testing::TestWithParam<HugeCase> {};

TEST_P(HugeEntry, IsReadOrRejectedByTheRules) {
    Form1Harness form;
    MessageBoxCatcher boxes;
    const HWND entry = form.Control(kText1Id);
    if (GetParam().delivery == Delivery::SetText) {
        SendMessageW(entry, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(GetParam().entry.c_str()));
    } else {
        ASSERT_TRUE(SetWindowSubclass(entry, ServeText, 1, reinterpret_cast<DWORD_PTR>(&GetParam().entry)));
    }
    ASSERT_EQ(static_cast<std::size_t>(GetWindowTextLengthW(form.Control(kText1Id))), GetParam().entry.size());
    form.PressKey(VK_RETURN);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    if (GetParam().accepted) {
        EXPECT_EQ(boxes.Boxes()[0].title, kExpectedResultTitle);
        EXPECT_EQ(WindowText(form.Control(kLabel2Id)), L"7 7 7 7 7 7 \r\n7 7 7 7 7 7 \r\n7 7 7 7 7 7 \r\n");
    } else {
        EXPECT_EQ(boxes.Boxes()[0].title, kExpectedErrorTitle);
        EXPECT_EQ(WindowText(form.Control(kLabel2Id)), L"");
    }
    EXPECT_EQ(static_cast<std::size_t>(GetWindowTextLengthW(form.Control(kText1Id))), GetParam().entry.size());
}

INSTANTIATE_TEST_SUITE_P(
    All, HugeEntry,
    ::testing::Values(HugeCase{"TenThousandRead", EighteenLongItems(10'000 / 18), Delivery::SetText, true},
                      HugeCase{"TenThousandTooMany", EighteenLongItems(10'000 / 18) + L" 1", Delivery::SetText, false},
                      HugeCase{"TenMillionRead", EighteenLongItems(10'000'000 / 18), Delivery::Served, true},
                      HugeCase{"TenMillionWithoutSpaces", std::wstring(10'000'000, L'5'), Delivery::Served, false},
                      HugeCase{"TenMillionSpaces", std::wstring(10'000'000, L' '), Delivery::Served, false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace mirvel::testing
