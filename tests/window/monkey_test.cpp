// A seeded random walk through the real Form1, in its own message loop. Each
// step is drawn by its weight from a table and done both to Form1 and to a
// model of the test's own; after it one check compares what Form1 shows and
// where its focus is with the model. The entries and what Find must show for
// them are written out by hand. MIRVEL_MONKEY_SEED and MIRVEL_MONKEY_ACTIONS
// choose the walk (make monkey); a failure prints the make monkey command
// that walks the same way again, with the DPI, architecture and Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <random>
#include <string>

#include "expected_layout.h"
#include "expected_texts.h"
#include "form1_harness.h"

namespace mirvel::testing {
namespace {

// What else may befall Form1 while Find's message box is open.
enum class Meanwhile { Nothing, DpiChange, FontChange, CloseForm1 };

constexpr ControlId kFocusOrder[] = {kText1Id, kCommand1Id, kCommand2Id};  // Tab's order
constexpr UINT kDpis[] = {96, 120, 144, 192};

class Walk {
public:
    explicit Walk(unsigned seed) : random_(seed) { Open(); }

    // Takes a step; what Form1 shows that the model does not, if anything.
    std::wstring Step() {
        problem_.clear();
        if (!model_.open) Open();
        kSteps[Pick(kStepWeights)].take(*this);
        form_->Pump();
        if (!model_.open) Form1Harness::TakeQuitRequest();
        return problem_.empty() ? Check() : problem_;
    }

private:
    struct Model {
        bool open = true;
        std::wstring entry = kExpectedPlaceholder;
        std::wstring display;
        std::size_t focus = 0;  // in kFocusOrder
        UINT dpi = 96;
        bool minimised = false;
        bool active = true;
    };
    struct StepKind {
        int weight;
        void (*take)(Walk&);
    };
    static const StepKind kSteps[];
    static const std::discrete_distribution<std::size_t>::param_type kStepWeights;

    std::size_t Pick(const std::discrete_distribution<std::size_t>::param_type& weights) {
        return std::discrete_distribution<std::size_t>(weights)(random_);
    }
    std::size_t Pick(std::size_t count) { return random_() % count; }

    void Open() {
        form_.reset();
        Form1Harness::TakeQuitRequest();
        form_.emplace();
        model_ = Model{};
        model_.dpi = ScreenDpi();
    }
    HWND Control(ControlId id) const { return form_->Control(id); }
    bool KeysReachForm1() const { return model_.active && !model_.minimised; }
    ControlId Focus() const { return kFocusOrder[model_.focus]; }
    void FocusOn(ControlId id) {
        model_.focus = static_cast<std::size_t>(id == kText1Id ? 0 : id == kCommand1Id ? 1 : 2);
    }

    // As Windows does when Form1 crosses to a monitor of another DPI.
    void ChangeDpi() {
        const UINT dpi = kDpis[Pick(std::size(kDpis))];
        GetWindowRect(form_->Form(), &suggested_);
        PostMessageW(form_->Form(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested_));
        model_.dpi = dpi;
    }

    // Presses a button's command: Exit ends Form1, Find shows its message,
    // which is answered as drawn.
    void Press(ControlId button, void (*press)(Walk&)) {
        if (button == kCommand2Id) {
            press(*this);
            model_.open = false;
            return;
        }
        const ExpectedFind* entry = nullptr;
        for (const ExpectedFind& find : kExpectedFinds) entry = find.entry == model_.entry ? &find : entry;
        const HWND form1 = form_->Form();
        const std::size_t answer = Pick(4);  // Enter, Esc, a click on OK, or the box's close box
        const auto meanwhile = static_cast<Meanwhile>(Pick(6) < 3 ? 0 : Pick(4));
        std::size_t boxes = 0;
        MessageBoxCatcher catcher([&](HWND box, const CaughtMessageBox& seen) {
            ++boxes;
            const bool rejected = !entry;
            const std::wstring text = rejected ? kExpectedErrorText : ExpectedResultText(entry->rowList);
            if (seen.title != (rejected ? kExpectedErrorTitle : kExpectedResultTitle) || seen.text != text ||
                seen.icon != (rejected ? BoxIcon::Stop : BoxIcon::Information))
                problem_ = L"the message box says \"" + seen.title + L": " + seen.text + L"\"";
            else if (seen.owner != form1 || !seen.ownerDisabled)
                problem_ = L"the message box is not Form1's, or Form1 takes input while it is open";
            if (meanwhile == Meanwhile::DpiChange) ChangeDpi();
            if (meanwhile == Meanwhile::FontChange) PostMessageW(form1, WM_SETTINGCHANGE, SPI_SETNONCLIENTMETRICS, 0);
            if (meanwhile == Meanwhile::CloseForm1) PostMessageW(form1, WM_CLOSE, 0, 0), model_.open = false;
            const HWND ok = GetDlgItem(box, IDOK) ? GetDlgItem(box, IDOK) : GetDlgItem(box, IDCANCEL);
            struct Posted {
                HWND to;
                UINT message;
                WPARAM wParam;
                LPARAM lParam;
            };
            const Posted answers[] = {{ok, WM_KEYDOWN, VK_RETURN, 1},
                                      {ok, WM_KEYDOWN, VK_ESCAPE, 1},
                                      {ok, BM_CLICK, 0, 0},
                                      {box, WM_SYSCOMMAND, SC_CLOSE, 0}};
            const Posted& posted = answers[answer];
            PostMessageW(posted.to, posted.message, posted.wParam, posted.lParam);
        });
        press(*this);
        form_->Pump();
        if (boxes != 1 && problem_.empty()) problem_ = L"Find showed " + std::to_wstring(boxes) + L" message boxes";
        if (entry) model_.display = entry->display;
        model_.active = true;  // a closed message box gives the activation back to its owner
    }

    static void SetEntry(Walk& walk) {
        const std::size_t pick = walk.Pick(std::size(kExpectedFinds) + std::size(kRejectedEntries));
        walk.model_.entry = pick < std::size(kExpectedFinds) ? kExpectedFinds[pick].entry
                                                             : kRejectedEntries[pick - std::size(kExpectedFinds)];
        SetWindowTextW(walk.Control(kText1Id), walk.model_.entry.c_str());
    }
    static void Enter(Walk& walk) {
        if (walk.KeysReachForm1())
            walk.Press(walk.Focus() == kCommand2Id ? kCommand2Id : kCommand1Id,
                       [](Walk& w) { w.form_->PressKey(VK_RETURN); });
    }
    static void Space(Walk& walk) {
        if (walk.KeysReachForm1() && walk.Focus() != kText1Id)
            walk.Press(walk.Focus(), [](Walk& w) { w.form_->PressKey(VK_SPACE); });
    }
    static void Esc(Walk& walk) {
        if (walk.KeysReachForm1()) walk.Press(kCommand2Id, [](Walk& w) { w.form_->PressKey(VK_ESCAPE); });
    }
    static void ClickFind(Walk& walk) {
        if (walk.model_.minimised) return;
        walk.FocusOn(kCommand1Id);
        walk.Press(kCommand1Id, [](Walk& w) { SendMessageW(w.Control(kCommand1Id), BM_CLICK, 0, 0); });
    }
    static void AltFind(Walk& walk) {
        if (!walk.KeysReachForm1()) return;
        walk.FocusOn(kCommand1Id);
        walk.Press(kCommand1Id, [](Walk& w) { w.form_->PressAltWith(L'а'); });
    }
    static void AltExit(Walk& walk) {
        if (walk.KeysReachForm1()) walk.Press(kCommand2Id, [](Walk& w) { w.form_->PressAltWith(L'ы'); });
    }
    static void Tab(Walk& walk) {
        if (!walk.KeysReachForm1()) return;
        const bool back = walk.Pick(3) == 0;
        walk.form_->PressKey(VK_TAB, back ? Form1Harness::kShift : Form1Harness::kNoModifier);
        walk.model_.focus = (walk.model_.focus + (back ? 2 : 1)) % 3;
    }
    static void DoubleClickEntry(Walk& walk) {
        if (walk.model_.minimised) return;
        walk.form_->DoubleClick(walk.Control(kText1Id));
        walk.model_.entry.clear();
        walk.FocusOn(kText1Id);
    }
    static void MinimiseOrRestore(Walk& walk) {
        walk.model_.minimised = !walk.model_.minimised;
        ShowWindow(walk.form_->Form(), walk.model_.minimised ? SW_MINIMIZE : SW_RESTORE);
        if (!walk.model_.minimised) SetActiveWindow(walk.form_->Form());
        walk.model_.active = !walk.model_.minimised;
    }
    static void ActivateOrNot(Walk& walk) {
        if (walk.model_.minimised) return;
        walk.model_.active = !walk.model_.active;
        SetActiveWindow(walk.model_.active ? walk.form_->Form() : walk.other_.Window());
    }
    static void DpiChange(Walk& walk) { walk.ChangeDpi(); }

    [[nodiscard]] std::wstring Check() const {
        if (form_->IsOpen() != model_.open) return model_.open ? L"Form1 ended unasked" : L"Form1 did not end";
        if (!model_.open) return {};
        const std::wstring entry = WindowText(Control(kText1Id)), display = WindowText(Control(kLabel2Id));
        if (entry != model_.entry)
            return L"the entry holds \"" + entry.substr(0, 200) + L"\", not \"" + model_.entry.substr(0, 200) + L"\"";
        if (display != model_.display) return L"Label2 shows \"" + display + L"\", not \"" + model_.display + L"\"";
        if (IsIconic(form_->Form()) != model_.minimised) return L"Form1 is not minimised as it should be, or is";
        if (model_.minimised) return {};
        if (model_.active && GetFocus() != Control(Focus()))
            return L"the focus is on control " + std::to_wstring(GetDlgCtrlID(GetFocus())) + L", not " +
                   std::to_wstring(Focus());
        for (const ExpectedControlRect& control : ExpectedLayoutAt(model_.dpi)->controls) {
            if (!IsAt(RectInParent(Control(control.id)), control))
                return L"control " + std::to_wstring(control.id) + L" is not where it belongs at " +
                       std::to_wstring(model_.dpi) + L" DPI";
        }
        return {};
    }

    std::mt19937 random_;
    const OtherProgramWindow other_;
    std::optional<Form1Harness> form_;
    Model model_;
    std::wstring problem_;
    RECT suggested_{};
};

// Entries and Finds most, as users do.
const Walk::StepKind Walk::kSteps[] = {
    {8, SetEntry},
    {6, Enter},
    {3, Space},
    {2, Esc},
    {4, ClickFind},
    {2, AltFind},
    {1, AltExit},
    {6, Tab},
    {4, DoubleClickEntry},
    {3, MinimiseOrRestore},
    {3, ActivateOrNot},
    {2, DpiChange},
};
const std::discrete_distribution<std::size_t>::param_type Walk::kStepWeights = [] {
    std::vector<double> weights;
    for (const StepKind& step : kSteps) weights.push_back(step.weight);
    return std::discrete_distribution<std::size_t>::param_type(weights.begin(), weights.end());
}();

TEST(Monkey, RandomWalkMatchesTheModel) {
    const unsigned seed = EnvironmentNumber("MIRVEL_MONKEY_SEED", 20261208);
    // The 32-bit program's walk is shorter: it shares its desktop with the
    // DPI tests. make monkey walks long ones.
    const unsigned count = EnvironmentNumber("MIRVEL_MONKEY_ACTIONS", sizeof(void*) == 8 ? 400 : 250);
    Walk walk(seed);
    for (unsigned step = 1; step <= count; ++step) {
        const std::wstring problem = walk.Step();
        ASSERT_TRUE(problem.empty()) << "seed " << seed << ", step " << step << ": " << problem
                                     << "\nWalk there again: make monkey SEED=" << seed << " ACTIONS=" << step
                                     << " DPI=" << ScreenDpi() << " ARCH=" << (sizeof(void*) == 8 ? "x64" : "x86")
                                     << " WINE=" << WineVersion().substr(0, WineVersion().find('.'));
    }
    std::printf("monkey: seed %u, %u steps\n", seed, count);
}

}  // namespace
}  // namespace mirvel::testing
