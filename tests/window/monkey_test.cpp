// A seeded random walk through the real Form1, in its own message loop,
// checked after every action against a model written from the program's
// rules (what Find, Exit and Clear do, which keys run them, what the two
// messages say); the core tells only what Find must show. Entries come from
// a short list of the window's own cases: their variety is the core's to
// test. MIRVEL_MONKEY_SEED and MIRVEL_MONKEY_ACTIONS choose the walk (make
// monkey); a failing one prints its actions up to the failure by name, for
// MIRVEL_MONKEY_REPLAY to hand to the Replay test.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "expected_layout.h"
#include "expected_texts.h"
#include "form1_harness.h"
#include "matrix/matrix_search.h"
#include "window/user_locale.h"

namespace mirvel::testing {
namespace {

// Each act, and how often it is drawn: entries and Finds most, as users do.
// SetEntry sets the entry (how it is typed or pasted is the edit control's
// business, not the program's); AltFind and AltExit are Alt+а and Alt+ы;
// Space goes to the focused control, if that is a button.
// clang-format off
#define MIRVEL_MONKEY_ACTS(act)                                                                                  \
    act(SetEntry, 8) act(Enter, 6) act(ClickFind, 4) act(AltFind, 2) act(AltExit, 1) act(Tab, 4)                 \
    act(ShiftTab, 2) act(Space, 3) act(Esc, 2) act(DoubleClickEntry, 4) act(Minimise, 1) act(Restore, 2)         \
    act(Deactivate, 1) act(Activate, 2) act(ChangeDpi, 2)
#define MIRVEL_ACT_ENUMERATOR(name, weight) name,
#define MIRVEL_ACT_KIND(name, weight) {#name, weight},
// clang-format on
enum class Act { MIRVEL_MONKEY_ACTS(MIRVEL_ACT_ENUMERATOR) };
struct ActKind {
    std::string_view name;
    int weight;
};
constexpr ActKind kActs[] = {MIRVEL_MONKEY_ACTS(MIRVEL_ACT_KIND)};

// What is done to an open message box, given its button, itself and its
// owner: first the meddling, then the answer. The walk posts DpiChange
// itself, and notes what it and CloseForm1 do to Form1.
struct BoxStep {
    std::string_view name;
    void (*post)(HWND button, HWND box, HWND owner);
};
void PostKey(HWND window, WPARAM key) {
    PostMessageW(window, WM_KEYDOWN, key, 1);
    PostMessageW(window, WM_KEYUP, key, 0xC0000001);
}
constexpr LPARAM kAltDown = 1 | (1 << 29);
const BoxStep kMeddles[] = {
    {"TabKey", [](HWND button, HWND, HWND) { PostKey(button, VK_TAB); }},
    {"AltFindKey", [](HWND button, HWND, HWND) { PostMessageW(button, WM_SYSCHAR, L'а', kAltDown); }},
    {"AltExitKey", [](HWND button, HWND, HWND) { PostMessageW(button, WM_SYSCHAR, L'ы', kAltDown); }},
    {"TypeX", [](HWND button, HWND, HWND) { PostMessageW(button, WM_CHAR, L'x', 1); }},
    {"DpiChange", [](HWND, HWND, HWND) {}},
    {"FontChange", [](HWND, HWND, HWND owner) { PostMessageW(owner, WM_SETTINGCHANGE, SPI_SETNONCLIENTMETRICS, 0); }},
    {"CloseForm1", [](HWND, HWND, HWND owner) { PostMessageW(owner, WM_CLOSE, 0, 0); }},
};
const BoxStep kAnswers[] = {
    {"Enter", [](HWND button, HWND, HWND) { PostMessageW(button, WM_KEYDOWN, VK_RETURN, 1); }},
    {"Esc", [](HWND button, HWND, HWND) { PostMessageW(button, WM_KEYDOWN, VK_ESCAPE, 1); }},
    {"Space", [](HWND button, HWND, HWND) { PostKey(button, VK_SPACE); }},
    {"ClickOk", [](HWND button, HWND, HWND) { PostMessageW(button, BM_CLICK, 0, 0); }},
    {"CloseMessage", [](HWND, HWND box, HWND) { PostMessageW(box, WM_CLOSE, 0, 0); }},
};

// The window's own cases of an entry.
std::wstring EighteenLongItems() {
    const std::wstring item = std::wstring(10'000 / 18 - 1, L'0') + L"3";
    std::wstring text = item;
    for (int i = 1; i < 18; ++i) text += (i % 4 == 0 ? L" -" : L" ") + item;
    return text;
}
struct Entry {
    std::string_view name;
    std::wstring text;
};
const std::vector<Entry> kEntries{
    {"accepted", L"1 2 3 4 5 6 -1 2 3 4 5 6 0.5 1e-3 &H1F 4 5 6"},
    {"allPositive", L"7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7 7"},
    {"tooFew", L"1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17"},
    {"leadingSpace", L" 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18"},
    {"outOfRange", L"1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 1e400"},
    {"empty", L""},
    {"lineBreak", L"1 2 3 4 5 6\r\n7 8 9 10 11 12 13 14 15 16 17 18"},  // pasted: its first line only
    {"huge", EighteenLongItems()},                                      // 10,000 characters
};

// The parts of an action are indexes into the tables above.
struct Action {
    Act act = Act::SetEntry;
    std::size_t entry = 0;  // for the entry acts
    UINT dpi = 96;          // for ChangeDpi and the DpiChange meddle
    std::vector<std::size_t> meddles;
    std::size_t answer = 0;
};

const std::wstring& EntryText(const Action& action) { return kEntries[action.entry].text; }

// An action by name, its five parts between slashes: the act, the entry,
// the DPI, the meddles (joined by +) and the answer, as in
// "Enter/empty/144/TabKey+DpiChange/Esc".
std::string NameOf(const Action& action) {
    std::string name = std::string(kActs[static_cast<int>(action.act)].name) + "/" +
                       std::string(kEntries[action.entry].name) + "/" + std::to_string(action.dpi) + "/";
    for (std::size_t i = 0; i < action.meddles.size(); ++i)
        name.append(i == 0 ? "" : "+").append(kMeddles[action.meddles[i]].name);
    return name.append("/").append(kAnswers[action.answer].name);
}

template <typename Table>
std::optional<std::size_t> IndexNamed(const Table& table, std::string_view name) {
    for (std::size_t i = 0; i < std::size(table); ++i)
        if (table[i].name == name) return i;
    return std::nullopt;
}

std::optional<Action> ActionNamed(const std::string& name) {
    std::vector<std::string> parts;
    std::istringstream in(name + "/");
    for (std::string part; std::getline(in, part, '/');) parts.push_back(part);
    if (parts.size() != 5) return std::nullopt;
    const auto act = IndexNamed(kActs, parts[0]), entry = IndexNamed(kEntries, parts[1]);
    const auto answer = IndexNamed(kAnswers, parts[4]);
    if (!act || !entry || !answer) return std::nullopt;
    Action action{static_cast<Act>(*act), *entry, static_cast<UINT>(std::stoul("0" + parts[2])), {}, *answer};
    std::istringstream meddles(parts[3]);
    for (std::string meddle; std::getline(meddles, meddle, '+');) {
        const auto named = IndexNamed(kMeddles, meddle);
        if (!named) return std::nullopt;
        action.meddles.push_back(*named);
    }
    return action;
}

Action RandomAction(std::mt19937& random) {
    static std::discrete_distribution<int> acts = [] {
        std::vector<int> weights;
        for (const ActKind& kind : kActs) weights.push_back(kind.weight);
        return std::discrete_distribution<int>(weights.begin(), weights.end());
    }();
    const auto pick = [&](std::size_t count) { return random() % count; };
    static const UINT dpis[] = {96, 120, 144, 192};
    Action action{static_cast<Act>(acts(random)), pick(kEntries.size()), dpis[pick(4)], {}, pick(std::size(kAnswers))};
    for (std::size_t i = 0, n = pick(3); i < n; ++i) action.meddles.push_back(pick(std::size(kMeddles)));
    return action;
}

struct ExpectedBox {
    std::wstring title, text;
    BoxIcon icon;
};

// What Form1 must show, from its rules alone.
struct Model {
    bool open = true;
    std::wstring entry = kExpectedPlaceholder;
    std::wstring display;  // Label2: the last accepted entry's matrix
    UINT dpi = 96;
    bool minimised = false;
    bool active = true;

    // Find: the message it must show (its title, text and icon), and the
    // display it leaves.
    ExpectedBox Find() {
        Matrix matrix;
        if (!ReadMatrixEntry(ToU16(entry), matrix)) return {kExpectedErrorTitle, kExpectedErrorText, BoxIcon::Stop};
        const RowReport report = FindPositiveRows(matrix, UserDecimalSeparator());
        display = ToWide(report.displayText);
        return {kExpectedResultTitle, ExpectedResultText(ToWide(report.rowList)), BoxIcon::Information};
    }
};

struct Failure {
    std::size_t index;  // of the action after which the check failed
    std::wstring what;
};

// Each action is done to Form1 and checked against the model. Every message
// box is caught (by the tests' catcher) and answered as the action plans:
// first the meddling, then the answer, all through the box's own loop.
class Walk {
public:
    explicit Walk(HWND other) : other_(other) { Open(); }

    std::optional<Failure> Run(const std::vector<Action>& actions) {
        for (std::size_t i = 0; i < actions.size(); ++i) {
            Do(actions[i]);
            if (std::wstring problem = Check(); !problem.empty()) return Failure{i, problem};
        }
        return std::nullopt;
    }

private:
    // The action whose message box comes next; nothing while no box is due.
    void Plan(const Action* action, HWND form) {
        plan_ = action;
        boxOwner_ = form;
        boxes_.clear();
        boxProblems_.clear();
        stayedOpen_ = false;
    }

    void Answer(HWND box, const CaughtMessageBox& caught) {
        boxes_.push_back(caught);
        if (!plan_) {
            boxProblems_ += L"a message box showed unasked; ";
            PostMessageW(box, WM_CLOSE, 0, 0);
            return;
        }
        const HWND ok = GetDlgItem(box, IDOK) ? GetDlgItem(box, IDOK) : GetDlgItem(box, IDCANCEL);
        for (const std::size_t meddle : plan_->meddles) {
            kMeddles[meddle].post(ok, box, boxOwner_);
            if (kMeddles[meddle].name == "CloseForm1") model_.open = false;
            if (kMeddles[meddle].name != "DpiChange") continue;
            PostDpiChange(boxOwner_, plan_->dpi);
            model_.dpi = plan_->dpi;
        }
        kAnswers[plan_->answer].post(ok, box, boxOwner_);
        // Should the answer not close the box, the walk must not hang.
        SetTimer(box, 77, 5000, CloseUnanswered);
    }

    // As Windows does when the window crosses to a monitor of another DPI.
    void PostDpiChange(HWND form, UINT dpi) {
        GetWindowRect(form, &suggested_);
        PostMessageW(form, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested_));
    }

    static void CALLBACK CloseUnanswered(HWND box, UINT, UINT_PTR id, DWORD) {
        KillTimer(box, id);
        stayedOpen_ = true;
        EndDialog(box, IDOK);
    }

    void Open() {
        form_.reset();
        Form1Harness::TakeQuitRequest();
        form_.emplace();
        model_ = Model{};
        model_.dpi = ScreenDpi();
    }

    HWND Control(ControlId id) const { return form_->Control(id); }

    bool KeyboardReachesForm1() const { return model_.active && !model_.minimised; }

    void Find(const Action& action, const std::function<void()>& press) {
        const HWND form1 = form_->Form();  // gone by the end, if a meddle closed it
        Plan(&action, form1);
        press();
        form_->Pump();
        if (stayedOpen_) boxProblems_ += L"a message box stayed open after its answer; ";
        if (boxes_.size() != 1) {
            problem_ = L"Find showed " + std::to_wstring(boxes_.size()) + L" message boxes, not one";
            return;
        }
        const ExpectedBox expected = model_.Find();
        const CaughtMessageBox& seen = boxes_[0];
        if (seen.title != expected.title || seen.text != expected.text || seen.icon != expected.icon)
            problem_ = L"the message box says \"" + seen.title + L": " + seen.text + L"\", not \"" + expected.title +
                       L": " + expected.text + L"\"";
        else if (seen.owner != form1)
            problem_ = L"the message box is not owned by Form1";
        else if (!seen.ownerDisabled)
            problem_ = L"Form1 takes input while its message box is open";
        else
            problem_ = boxProblems_;
        model_.active = true;  // a closed message box gives the activation back to its owner
        Plan(nullptr, form1);
    }

    // The button Enter or Space pressed: Exit ends Form1, Find finds.
    void RunCommandOf(ControlId button, const Action& action, const std::function<void()>& press) {
        if (button == kCommand1Id) return Find(action, press);
        press();
        model_.open = false;
    }

    void Do(const Action& action) {
        problem_.clear();
        if (!model_.open) Open();
        Plan(nullptr, form_->Form());
        Form1Harness& form = *form_;
        const HWND entry = Control(kText1Id), focus = GetFocus();
        const bool keys = KeyboardReachesForm1();
        const auto pressKey = [&](WPARAM key) { return [&form, key] { form.PressKey(key); }; };
        switch (action.act) {
            case Act::SetEntry:
                SetWindowTextW(entry, EntryText(action).c_str());
                model_.entry = EntryText(action);
                break;
            case Act::Enter:
                if (keys)
                    RunCommandOf(focus == Control(kCommand2Id) ? kCommand2Id : kCommand1Id, action,
                                 pressKey(VK_RETURN));
                break;
            case Act::ClickFind:
                if (!model_.minimised) Find(action, [&] { SendMessageW(Control(kCommand1Id), BM_CLICK, 0, 0); });
                break;
            case Act::AltFind:
            case Act::AltExit: {
                const bool find = action.act == Act::AltFind;
                if (keys)
                    RunCommandOf(find ? kCommand1Id : kCommand2Id, action,
                                 [&] { form.PressAltWith(find ? L'а' : L'ы'); });
                break;
            }
            case Act::Tab:
            case Act::ShiftTab:
                if (keys)
                    form.PressKey(VK_TAB,
                                  action.act == Act::ShiftTab ? Form1Harness::kShift : Form1Harness::kNoModifier);
                break;
            case Act::Space:
                if (keys && (focus == Control(kCommand1Id) || focus == Control(kCommand2Id)))
                    RunCommandOf(static_cast<ControlId>(GetDlgCtrlID(focus)), action, pressKey(VK_SPACE));
                break;
            case Act::Esc:
                if (keys) RunCommandOf(kCommand2Id, action, pressKey(VK_ESCAPE));
                break;
            case Act::DoubleClickEntry:
                if (!model_.minimised) form.DoubleClick(entry), model_.entry.clear();
                break;
            case Act::Minimise:
            case Act::Restore:
                ShowWindow(form.Form(), action.act == Act::Minimise ? SW_MINIMIZE : SW_RESTORE);
                if (action.act == Act::Restore) SetActiveWindow(form.Form());
                model_.minimised = action.act == Act::Minimise;
                model_.active = !model_.minimised;
                break;
            case Act::Deactivate:
            case Act::Activate:
                if (model_.minimised) break;
                SetActiveWindow(action.act == Act::Activate ? form.Form() : other_);
                model_.active = action.act == Act::Activate;
                break;
            case Act::ChangeDpi:
                PostDpiChange(form.Form(), action.dpi);
                model_.dpi = action.dpi;
                break;
        }
        form.Pump();
        if (!model_.open) Form1Harness::TakeQuitRequest();
        if (stayedOpen_) boxProblems_ += L"a message box stayed open after its answer; ";
        if (problem_.empty()) problem_ = boxProblems_;
    }

    [[nodiscard]] std::wstring Check() const {
        if (!problem_.empty()) return problem_;
        if (form_->IsOpen() != model_.open) return model_.open ? L"Form1 ended unasked" : L"Form1 did not end";
        if (!model_.open) return {};
        const std::wstring entry = WindowText(Control(kText1Id)), display = WindowText(Control(kLabel2Id));
        if (entry != model_.entry)
            return L"the entry holds \"" + entry.substr(0, 200) + L"\", not \"" + model_.entry.substr(0, 200) + L"\"";
        if (display != model_.display) return L"Label2 shows \"" + display + L"\", not \"" + model_.display + L"\"";
        if (IsIconic(form_->Form())) return {};
        const HWND focus = GetFocus();
        if (GetActiveWindow() == form_->Form() && focus != Control(kText1Id) && focus != Control(kCommand1Id) &&
            focus != Control(kCommand2Id))
            return L"the focus is outside Text1, Find and Exit while Form1 is active";
        for (const ExpectedControlRect& control : ExpectedLayoutAt(model_.dpi)->controls) {
            if (!IsAt(RectInParent(Control(control.id)), control))
                return L"control " + std::to_wstring(control.id) + L" is not at its twips at " +
                       std::to_wstring(model_.dpi) + L" DPI";
        }
        return {};
    }

    HWND other_;
    std::optional<Form1Harness> form_;
    Model model_;
    std::wstring problem_;
    static inline bool stayedOpen_ = false;  // a message box, after its answer
    const Action* plan_ = nullptr;           // whose message box comes next; none while no box is due
    HWND boxOwner_ = nullptr;
    RECT suggested_{};
    std::vector<CaughtMessageBox> boxes_;
    std::wstring boxProblems_;
    MessageBoxCatcher catcher_{nullptr, [this](HWND box, const CaughtMessageBox& caught) { Answer(box, caught); }};
};

std::optional<Failure> RunWalk(const std::vector<Action>& actions) {
    const OtherProgramWindow other;
    return Walk(other.Window()).Run(actions);
}

// Fails the test with the actions up to the failing one, by name.
void ReportFailure(const std::vector<Action>& actions, const Failure& failure, const std::string& walk) {
    std::string names;
    for (std::size_t i = 0; i <= failure.index; ++i) names += (i == 0 ? "" : " ") + NameOf(actions[i]);
    ADD_FAILURE() << walk << ": after action " << failure.index << " (" << NameOf(actions[failure.index])
                  << "): " << failure.what << "\nto replay it:\nMIRVEL_MONKEY_REPLAY='" << names << "'";
}

TEST(Monkey, RandomWalkMatchesTheModel) {
    const unsigned seed = EnvironmentNumber("MIRVEL_MONKEY_SEED", 20261208);
    // The walk of every test run: the 32-bit program's is shorter, as it runs
    // on the same desktop as its DPI tests. make monkey walks long ones.
    const unsigned count = EnvironmentNumber("MIRVEL_MONKEY_ACTIONS", sizeof(void*) == 8 ? 400 : 250);
    std::mt19937 random(seed);
    std::vector<Action> actions;
    std::generate_n(std::back_inserter(actions), count, [&] { return RandomAction(random); });

    const DWORD start = GetTickCount();
    const std::optional<Failure> failure = RunWalk(actions);
    std::printf("monkey: seed %u, %u actions in %.1f s\n", seed, count, (GetTickCount() - start) / 1000.0);
    if (failure) ReportFailure(actions, *failure, "seed " + std::to_string(seed));
}

// A list of actions by name, as a failing walk prints it: MIRVEL_MONKEY_REPLAY,
// or this example, which walks through each entry, a Clear, and a DPI
// change, a font change and Form1's closing while the message box is open.
constexpr const char* kExampleReplay =
    "SetEntry/accepted/96//Enter Enter/empty/96//Enter SetEntry/huge/96//Enter ClickFind/empty/144/DpiChange/Space "
    "SetEntry/lineBreak/120//Enter AltFind/empty/120/TabKey/Esc DoubleClickEntry/empty/96//Enter "
    "SetEntry/outOfRange/96//Enter Enter/empty/144/FontChange/ClickOk Minimise/empty/96//Enter "
    "ChangeDpi/empty/192//Enter Restore/empty/96//Enter Enter/empty/96/CloseForm1/CloseMessage Esc/empty/96//Enter";

TEST(Monkey, Replay) {
    const char* given = std::getenv("MIRVEL_MONKEY_REPLAY");
    std::istringstream names(given && *given ? given : kExampleReplay);
    std::vector<Action> actions;
    for (std::string name; names >> name;) {
        const std::optional<Action> action = ActionNamed(name);
        ASSERT_TRUE(action) << "no action is named " << name;
        ASSERT_EQ(NameOf(*action), name) << "an action's name reads back as itself";
        actions.push_back(*action);
    }
    if (const std::optional<Failure> failure = RunWalk(actions)) ReportFailure(actions, *failure, "the replay");
}

}  // namespace
}  // namespace mirvel::testing
