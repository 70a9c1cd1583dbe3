// A seeded random walk through the real Form1, in its own message loop,
// checked after every action against a small model of what the window must
// show. The model is written from the program's rules: what Find, Exit and
// Clear do, which keys run them, and what the two messages say. The core's
// reading and display functions are used only to tell what Find must show.
//
// MIRVEL_MONKEY_SEED and MIRVEL_MONKEY_ACTIONS choose the walk (make monkey).
// On a failure the seed and a shortest failing list of actions are printed,
// as C++, ready to be replayed.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "expected_texts.h"
#include "form1_harness.h"
#include "matrix/matrix_search.h"
#include "window/user_locale.h"

namespace mirvel::testing {
namespace {

// ---- Actions ---------------------------------------------------------------

enum class Act {
    SetEntry,    // the entry set as a program would (WM_SETTEXT)
    TypeEntry,   // the whole entry selected and the text typed over it
    PasteEntry,  // the whole entry selected and the text pasted with Ctrl+V
    Enter,
    ClickFind,
    AltFind,  // Alt+а
    AltExit,  // Alt+ы
    Tab,
    ShiftTab,
    Space,  // on the focused control, if that is a button
    Esc,
    CloseBox,
    DoubleClickEntry,
    DoubleClickLabel,
    Undo,  // Ctrl+Z
    Minimise,
    Restore,
    Deactivate,
    Activate,
    ChangeDpi,
    ChangeMessageFont,
};

// What is done while a message box is open, before it is answered.
enum class Meddle { TabKey, AltFindKey, AltExitKey, TypeX, DpiChange, FontChange, CloseForm1 };
enum class Answer { Enter, Esc, Space, ClickOk, CloseMessage };

struct Action {
    Act act = Act::SetEntry;
    std::wstring text;            // for the entry actions
    UINT dpi = 96;                // for ChangeDpi and a DpiChange meddle
    std::vector<Meddle> meddles;  // if a message box shows
    Answer answer = Answer::Enter;
};

const char* Name(Act act) {
    static const char* const names[] = {
        "SetEntry", "TypeEntry", "PasteEntry", "Enter",      "ClickFind", "AltFind",          "AltExit",
        "Tab",      "ShiftTab",  "Space",      "Esc",        "CloseBox",  "DoubleClickEntry", "DoubleClickLabel",
        "Undo",     "Minimise",  "Restore",    "Deactivate", "Activate",  "ChangeDpi",        "ChangeMessageFont"};
    return names[static_cast<int>(act)];
}

// The action as C++ for a regression test.
std::string Describe(const Action& action) {
    std::ostringstream out;
    out << "{Act::" << Name(action.act) << ", L\"";
    const std::size_t shown = std::min<std::size_t>(action.text.size(), 60);
    for (std::size_t i = 0; i < shown; ++i) {
        const wchar_t c = action.text[i];
        if (c >= 0x20 && c < 0x7F && c != L'"' && c != L'\\')
            out << static_cast<char>(c);
        else
            out << "\\x" << std::hex << static_cast<unsigned>(c) << std::dec << "\" L\"";
    }
    if (shown < action.text.size()) out << "\" /* " << action.text.size() << " characters in all */ L\"";
    out << "\", " << action.dpi << ", {";
    for (const Meddle meddle : action.meddles) out << "Meddle(" << static_cast<int>(meddle) << "), ";
    out << "}, Answer(" << static_cast<int>(action.answer) << ")}";
    return out.str();
}

// ---- Entries ---------------------------------------------------------------

class EntryMaker {
public:
    explicit EntryMaker(std::mt19937& random) : random_(random) {}

    std::wstring Make() {
        switch (Pick(12)) {
            case 0:
            case 1:
            case 2:
                return Items(18);  // good
            case 3:
                return Items(Pick(30));  // a wrong count (or by chance 18)
            case 4:
                return L" " + Items(18);  // leading space
            case 5:
                return Items(18) + L" ";  // trailing space
            case 6:
                return DoubleSpaced();  // 17 numbers and a double space
            case 7:
                return WithOutOfRange();
            case 8:
                return L"";
            case 9:
                return Long();
            case 10:
                return Foreign();
            default:
                return WithTabsAndLineFeeds();
        }
    }

    // Text a keyboard can type into a one-line field: no tab or line break.
    std::wstring MakeTypable() {
        std::wstring text = Make();
        if (text.size() > 80) text.resize(80);
        for (wchar_t& c : text) {
            if (c == L'\t' || c == L'\n' || c == L'\r') c = L'7';
        }
        return text;
    }

private:
    int Pick(int count) { return static_cast<int>(random_() % static_cast<unsigned>(count)); }

    std::wstring Number() {
        static const wchar_t* const kinds[] = {L"0",       L"-0",   L"7",    L"-3",   L"2.5", L"-.25",
                                               L"1e2",     L"1E-3", L"&H1F", L"&O17", L"abc", L"12abc",
                                               L"1,5",     L"",     L"-",    L"007",  L"0.1", L"123456789012345678",
                                               L"4.9e-324"};
        if (Pick(3) == 0) return std::to_wstring(Pick(2000) - 1000);
        return kinds[Pick(static_cast<int>(std::size(kinds)))];
    }

    std::wstring Items(int count) {
        std::wstring text;
        for (int i = 0; i < count; ++i) text += (i == 0 ? L"" : L" ") + Number();
        return text;
    }

    std::wstring DoubleSpaced() {
        std::wstring text = Items(17);
        const std::size_t space = text.find(L' ', static_cast<std::size_t>(Pick(static_cast<int>(text.size()) + 1)));
        if (space != std::wstring::npos) text.insert(space, L" ");
        return text;
    }

    std::wstring WithOutOfRange() {
        static const wchar_t* const huge[] = {L"1e400", L"-1e999", L"&H123456789"};
        std::wstring text = Items(17);
        return text + L" " + huge[Pick(3)];
    }

    std::wstring Long() {
        std::wstring item(10'000 / 18 - 1, L'0');
        item.push_back(static_cast<wchar_t>(L'1' + Pick(9)));
        std::wstring text = item;
        for (int i = 1; i < 18; ++i) text += L" " + (Pick(4) == 0 ? L"-" + item : item);
        return text;
    }

    std::wstring Foreign() {
        static const wchar_t* const pieces[] = {L"\u0661\u0662", L"\uFF15", L"абв",        L"\u03B1",
                                                L"\u00A0",       L"\u4E00", L"\U0001F600", L"\u0669.5"};
        std::wstring text = Items(18);
        for (int i = 0, n = 1 + Pick(4); i < n; ++i) {
            const auto at = static_cast<std::size_t>(Pick(static_cast<int>(text.size()) + 1));
            text.insert(at, pieces[Pick(static_cast<int>(std::size(pieces)))]);
        }
        return text;
    }

    std::wstring WithTabsAndLineFeeds() {
        std::wstring text = Items(18);
        for (int i = 0, n = 1 + Pick(3); i < n; ++i) {
            const auto at = static_cast<std::size_t>(Pick(static_cast<int>(text.size()) + 1));
            text.insert(at, Pick(2) == 0 ? L"\t" : L"\n");
        }
        return text;
    }

    std::mt19937& random_;
};

// How often each action is drawn: entries and Finds most, as users do, and
// Ctrl+Z often enough to follow the edits it undoes.
constexpr int kWeights[] = {
    8, 4, 3,     // SetEntry, TypeEntry, PasteEntry
    6, 4, 2, 1,  // Enter, ClickFind, AltFind, AltExit
    4, 2, 3,     // Tab, ShiftTab, Space
    1, 1,        // Esc, CloseBox
    4, 1, 5,     // DoubleClickEntry, DoubleClickLabel, Undo
    1, 2, 1, 2,  // Minimise, Restore, Deactivate, Activate
    2, 1,        // ChangeDpi, ChangeMessageFont
};
static_assert(std::size(kWeights) == static_cast<std::size_t>(Act::ChangeMessageFont) + 1);

Action RandomAction(std::mt19937& random) {
    EntryMaker entries(random);
    const auto pick = [&](int count) { return static_cast<int>(random() % static_cast<unsigned>(count)); };
    static const UINT dpis[] = {96, 120, 144, 192};
    int total = 0;
    for (const int weight : kWeights) total += weight;
    Action action;
    for (int drawn = pick(total); drawn >= kWeights[static_cast<int>(action.act)];) {
        drawn -= kWeights[static_cast<int>(action.act)];
        action.act = static_cast<Act>(static_cast<int>(action.act) + 1);
    }
    if (action.act == Act::TypeEntry)
        action.text = entries.MakeTypable();
    else if (action.act == Act::SetEntry || action.act == Act::PasteEntry)
        action.text = entries.Make();
    action.dpi = dpis[pick(4)];
    for (int i = 0, n = pick(3); i < n; ++i) action.meddles.push_back(static_cast<Meddle>(pick(7)));
    action.answer = static_cast<Answer>(pick(5));
    return action;
}

// ---- The model ---------------------------------------------------------------

struct ExpectedBox {
    std::wstring title;
    std::wstring text;
    BoxIcon icon;
};

// What Form1 must show, from its rules alone.
struct Model {
    bool open = true;
    std::wstring entry = kExpectedPlaceholder;
    std::wstring display;  // Label2: the last accepted entry's matrix
    // What Ctrl+Z brings back, where the rules say: after a Clear. After the
    // user's typing and pasting it follows the edit control's own rules of
    // merging edits, which are the platform's, not the program's.
    std::optional<std::wstring> undone;
    UINT dpi = 96;
    bool minimised = false;
    bool active = true;

    void Reopen(UINT systemDpi) {
        *this = Model{};
        dpi = systemDpi;
    }

    // Typing or pasting over the whole entry.
    void Edit(std::wstring text) {
        undone.reset();
        entry = std::move(text);
    }

    // Clear: an undoable edit, unless there is nothing to clear.
    void Clear() {
        if (entry.empty()) return;
        undone = std::move(entry);
        entry.clear();
    }

    // Ctrl+Z: what Clear took comes back, and a second Ctrl+Z clears again.
    // Elsewhere the entry is taken as the edit control leaves it.
    void Undo(const std::wstring& actual) {
        if (undone)
            std::swap(entry, *undone);
        else
            entry = actual;
    }

    // Find: the message it must show, and the display it leaves.
    ExpectedBox Find() {
        Matrix matrix;
        if (!ReadMatrixEntry(ToU16(entry), matrix)) return {kExpectedErrorTitle, kExpectedErrorText, BoxIcon::Stop};
        const RowReport report = FindPositiveRows(matrix, UserDecimalSeparator());
        display = ToWide(report.displayText);
        return {kExpectedResultTitle, ExpectedResultText(ToWide(report.rowList)), BoxIcon::Information};
    }
};

// A single-line field takes a pasted text up to its first line break.
std::wstring AsPasted(const std::wstring& text) { return text.substr(0, text.find_first_of(L"\r\n")); }

// ---- Message boxes ---------------------------------------------------------

// Notes every message box, through the tests' catcher, and answers it as
// the current action plans: first the meddling, then the answer, all
// through the box's own loop.
class BoxAnswerer {
public:
    BoxAnswerer() : catcher_(nullptr, [this](HWND box, const CaughtMessageBox& caught) { Answer(box, caught); }) {
        active_ = this;
    }
    ~BoxAnswerer() { active_ = nullptr; }
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;

    // The action whose message box comes next; nothing while no box is due.
    void Plan(const Action* action, HWND form) {
        plan_ = action;
        form_ = form;
        boxes_.clear();
        problems_.clear();
    }

    [[nodiscard]] const std::vector<CaughtMessageBox>& Boxes() const { return boxes_; }
    [[nodiscard]] const std::string& Problems() const { return problems_; }
    [[nodiscard]] bool ClosedForm1() const { return closedForm1_; }
    void ResetClosedForm1() { closedForm1_ = false; }
    // The DPI a meddle last moved Form1 to, if any.
    [[nodiscard]] std::optional<UINT> MeddledDpi() const { return meddledDpi_; }
    void ResetMeddledDpi() { meddledDpi_.reset(); }

private:
    void Answer(HWND box, const CaughtMessageBox& caught) {
        boxes_.push_back(caught);
        if (!plan_) {
            problems_ += "a message box showed unasked; ";
            PostMessageW(box, WM_CLOSE, 0, 0);
            return;
        }
        const HWND ok = GetDlgItem(box, IDOK) ? GetDlgItem(box, IDOK) : GetDlgItem(box, IDCANCEL);
        const auto key = [&](HWND target, UINT message, WPARAM wParam, LPARAM flags) {
            PostMessageW(target, message, wParam, flags);
        };
        for (const Meddle meddle : plan_->meddles) {
            switch (meddle) {
                case Meddle::TabKey:
                    key(ok, WM_KEYDOWN, VK_TAB, 1);
                    key(ok, WM_KEYUP, VK_TAB, 0xC0000001);
                    break;
                case Meddle::AltFindKey:
                    key(ok, WM_SYSCHAR, L'а', 1 | (1 << 29));
                    break;
                case Meddle::AltExitKey:
                    key(ok, WM_SYSCHAR, L'ы', 1 | (1 << 29));
                    break;
                case Meddle::TypeX:
                    key(ok, WM_CHAR, L'x', 1);
                    break;
                case Meddle::DpiChange:
                    GetWindowRect(form_, &suggested_);
                    PostMessageW(form_, WM_DPICHANGED, MAKEWPARAM(plan_->dpi, plan_->dpi),
                                 reinterpret_cast<LPARAM>(&suggested_));
                    meddledDpi_ = plan_->dpi;
                    break;
                case Meddle::FontChange:
                    PostMessageW(form_, WM_SETTINGCHANGE, SPI_SETNONCLIENTMETRICS, 0);
                    break;
                case Meddle::CloseForm1:
                    PostMessageW(form_, WM_CLOSE, 0, 0);
                    closedForm1_ = true;
                    break;
            }
        }
        switch (plan_->answer) {
            case Answer::Enter:
                key(ok, WM_KEYDOWN, VK_RETURN, 1);
                break;
            case Answer::Esc:
                key(ok, WM_KEYDOWN, VK_ESCAPE, 1);
                break;
            case Answer::Space:
                key(ok, WM_KEYDOWN, VK_SPACE, 1);
                key(ok, WM_KEYUP, VK_SPACE, 0xC0000001);
                break;
            case Answer::ClickOk:
                PostMessageW(ok, BM_CLICK, 0, 0);
                break;
            case Answer::CloseMessage:
                PostMessageW(box, WM_CLOSE, 0, 0);
                break;
        }
        // Should the answer not close the box, the walk must not hang.
        SetTimer(box, 77, 5000, CloseUnanswered);
    }

    static void CALLBACK CloseUnanswered(HWND box, UINT, UINT_PTR id, DWORD) {
        KillTimer(box, id);
        if (active_) active_->problems_ += "a message box stayed open after its answer; ";
        EndDialog(box, IDOK);
    }

    static inline BoxAnswerer* active_ = nullptr;
    const Action* plan_ = nullptr;
    HWND form_ = nullptr;
    RECT suggested_{};
    std::vector<CaughtMessageBox> boxes_;
    std::string problems_;
    bool closedForm1_ = false;
    std::optional<UINT> meddledDpi_;
    MessageBoxCatcher catcher_;  // last: it answers through the members above
};

// ---- The walk ----------------------------------------------------------------

struct Failure {
    std::size_t index;  // of the action after which the check failed
    std::string what;
};

class Walk {
public:
    explicit Walk(HWND other) : other_(other) { Open(); }

    std::optional<Failure> Run(const std::vector<Action>& actions) {
        const SIZE_T heapAtStart = HeapBytesInUse();
        for (std::size_t i = 0; i < actions.size(); ++i) {
            const DWORD before = GetTickCount();
            Do(actions[i]);
            costs_[static_cast<int>(actions[i].act)] += GetTickCount() - before;
            std::string problem = Check();
            if (problem.empty() && i % 50 == 49 && HeapBytesInUse() > heapAtStart + kHeapBound)
                problem = "the heap in use grew by more than 32 MiB";
            if (!problem.empty()) return Failure{i, problem};
        }
        return std::nullopt;
    }

    // Milliseconds spent on each kind of action.
    void PrintCosts() const {
        std::printf("monkey: milliseconds by action:");
        for (int act = 0; act <= static_cast<int>(Act::ChangeMessageFont); ++act)
            std::printf(" %s %lu", Name(static_cast<Act>(act)), costs_[act]);
        std::printf("\n");
    }

private:
    static constexpr SIZE_T kHeapBound = 32u << 20;
    DWORD costs_[static_cast<int>(Act::ChangeMessageFont) + 1]{};

    void Open() {
        form_.reset();
        Form1Harness::TakeQuitRequest();
        form_.emplace();
        model_.Reopen(ScreenDpi());
    }

    HWND Control(ControlId id) const { return form_->Control(id); }

    bool KeyboardReachesForm1() const { return model_.active && !model_.minimised; }

    void Find(const Action& action, const std::function<void()>& press) {
        const HWND form1 = form_->Form();  // gone by the end, if a meddle closed it
        boxes_.Plan(&action, form1);
        boxes_.ResetClosedForm1();
        boxes_.ResetMeddledDpi();
        press();
        form_->Pump();
        if (boxes_.Boxes().size() != 1) {
            problem_ = "Find showed " + std::to_string(boxes_.Boxes().size()) + " message boxes, not one";
            return;
        }
        const ExpectedBox expected = model_.Find();
        const CaughtMessageBox& seen = boxes_.Boxes()[0];
        if (seen.title != expected.title || seen.text != expected.text || seen.icon != expected.icon)
            problem_ = "the message box says \"" + Narrow(seen.title) + ": " + Narrow(seen.text) + "\", not \"" +
                       Narrow(expected.title) + ": " + Narrow(expected.text) + "\"";
        else if (seen.owner != form1)
            problem_ = "the message box is not owned by Form1";
        else if (!seen.ownerDisabled)
            problem_ = "Form1 takes input while its message box is open";
        else if (!boxes_.Problems().empty())
            problem_ = boxes_.Problems();
        boxes_.Plan(nullptr, form1);
        if (const auto dpi = boxes_.MeddledDpi()) model_.dpi = *dpi;
        if (boxes_.ClosedForm1()) model_.open = false;
        // A closed message box gives the activation back to its owner.
        model_.active = true;
    }

    // Presses the button Enter or Space goes to, the way the rules say.
    void RunCommandOf(ControlId button, const Action& action, const std::function<void()>& press) {
        if (button == kCommand2Id) {
            press();
            model_.open = false;
        } else {
            Find(action, press);
        }
    }

    void Do(const Action& action) {
        problem_.clear();
        if (!model_.open) Open();
        boxes_.Plan(nullptr, form_->Form());
        auto& form = *form_;
        const HWND entry = Control(kText1Id);
        const HWND focus = GetFocus();
        switch (action.act) {
            case Act::SetEntry:
                SetWindowTextW(entry, action.text.c_str());
                model_.entry = action.text;
                model_.undone.reset();  // a program's change is no edit of the user's
                break;
            case Act::TypeEntry:
                if (!KeyboardReachesForm1()) break;
                SetFocus(entry);
                SendMessageW(entry, EM_SETSEL, 0, -1);
                form.Type(action.text);
                if (action.text.empty()) break;
                model_.Edit(action.text);
                break;
            case Act::PasteEntry: {
                if (!KeyboardReachesForm1() || !PutOnClipboard(action.text)) break;
                SetFocus(entry);
                SendMessageW(entry, EM_SETSEL, 0, -1);
                form.PressKey('V', Form1Harness::kCtrl);
                if (AsPasted(action.text).empty() && GetWindowTextLengthW(entry) == 0 && model_.entry.empty()) break;
                model_.Edit(AsPasted(action.text));
                break;
            }
            case Act::Enter:
                if (!KeyboardReachesForm1()) break;
                RunCommandOf(focus == Control(kCommand2Id) ? kCommand2Id : kCommand1Id, action,
                             [&] { form.PressKey(VK_RETURN); });
                break;
            case Act::ClickFind:
                if (model_.minimised) break;
                Find(action, [&] { SendMessageW(Control(kCommand1Id), BM_CLICK, 0, 0); });
                break;
            case Act::AltFind:
                if (KeyboardReachesForm1()) Find(action, [&] { form.PressAltWith(L'а'); });
                break;
            case Act::AltExit:
                if (!KeyboardReachesForm1()) break;
                form.PressAltWith(L'ы');
                model_.open = false;
                break;
            case Act::Tab:
            case Act::ShiftTab:
                if (!KeyboardReachesForm1()) break;
                form.PressKey(VK_TAB, action.act == Act::ShiftTab ? Form1Harness::kShift : Form1Harness::kNoModifier);
                break;
            case Act::Space:
                if (!KeyboardReachesForm1()) break;
                if (focus == Control(kCommand1Id) || focus == Control(kCommand2Id))
                    RunCommandOf(static_cast<ControlId>(GetDlgCtrlID(focus)), action, [&] { form.PressKey(VK_SPACE); });
                break;
            case Act::Esc:
                if (!KeyboardReachesForm1()) break;
                form.PressKey(VK_ESCAPE);
                model_.open = false;
                break;
            case Act::CloseBox:
                SendMessageW(form.Form(), WM_SYSCOMMAND, SC_CLOSE, 0);
                form.Pump();
                model_.open = false;
                break;
            case Act::DoubleClickEntry:
                if (model_.minimised) break;
                form.DoubleClick(entry);
                model_.Clear();
                break;
            case Act::DoubleClickLabel:
                if (!model_.minimised) form.DoubleClick(Control(action.dpi % 2 ? kLabel1Id : kLabel2Id));
                break;
            case Act::Undo:
                if (!KeyboardReachesForm1() || focus != entry) break;
                form.PressKey('Z', Form1Harness::kCtrl);
                model_.Undo(WindowText(entry));
                break;
            case Act::Minimise:
                ShowWindow(form.Form(), SW_MINIMIZE);
                form.Pump();
                model_.minimised = true;
                model_.active = false;
                break;
            case Act::Restore:
                ShowWindow(form.Form(), SW_RESTORE);
                SetActiveWindow(form.Form());
                form.Pump();
                model_.minimised = false;
                model_.active = true;
                break;
            case Act::Deactivate:
                if (model_.minimised) break;
                SetActiveWindow(other_);
                form.Pump();
                model_.active = false;
                break;
            case Act::Activate:
                if (model_.minimised) break;
                SetActiveWindow(form.Form());
                form.Pump();
                model_.active = true;
                break;
            case Act::ChangeDpi: {
                RECT suggested{};
                GetWindowRect(form.Form(), &suggested);
                SendMessageW(form.Form(), WM_DPICHANGED, MAKEWPARAM(action.dpi, action.dpi),
                             reinterpret_cast<LPARAM>(&suggested));
                model_.dpi = action.dpi;
                break;
            }
            case Act::ChangeMessageFont:
                SendMessageW(form.Form(), WM_SETTINGCHANGE, SPI_SETNONCLIENTMETRICS, 0);
                break;
        }
        form.Pump();
        if (!model_.open) Form1Harness::TakeQuitRequest();
        if (problem_.empty() && !boxes_.Problems().empty()) problem_ = boxes_.Problems();
    }

    static bool PutOnClipboard(const std::wstring& text) {
        if (!OpenClipboard(nullptr)) return false;
        EmptyClipboard();
        const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
        bool put = false;
        if (memory) {
            auto* target = static_cast<wchar_t*>(GlobalLock(memory));
            std::copy(text.c_str(), text.c_str() + text.size() + 1, target);
            GlobalUnlock(memory);
            put = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
            if (!put) GlobalFree(memory);
        }
        CloseClipboard();
        return put;
    }

    static std::string Narrow(const std::wstring& text) {
        std::string out;
        for (const wchar_t c : text.substr(0, 200)) out += c < 0x80 ? static_cast<char>(c) : '?';
        return out;
    }

    std::string Check() {
        if (!problem_.empty()) return problem_;
        const bool exists = form_->IsOpen();
        if (exists != model_.open) return model_.open ? "Form1 ended unasked" : "Form1 did not end";
        if (!model_.open) return {};
        const std::wstring entry = WindowText(Control(kText1Id));
        if (entry != model_.entry)
            return "the entry holds \"" + Narrow(entry) + "\", not \"" + Narrow(model_.entry) + "\"";
        const std::wstring display = WindowText(Control(kLabel2Id));
        if (display != model_.display)
            return "Label2 shows \"" + Narrow(display) + "\", not \"" + Narrow(model_.display) + "\"";
        if (GetActiveWindow() == form_->Form() && !IsIconic(form_->Form())) {
            const HWND focus = GetFocus();
            if (focus != Control(kText1Id) && focus != Control(kCommand1Id) && focus != Control(kCommand2Id))
                return "the focus is outside Text1, Find and Exit while Form1 is active";
        }
        if (!IsIconic(form_->Form())) {
            for (const ControlDescription& control : kForm1Controls) {
                const RECT wanted = ToPixels(control.bounds, model_.dpi);
                const RECT actual = RectInParent(Control(control.id));
                if (!EqualRect(&wanted, &actual))
                    return "control " + std::to_string(control.id) + " is not at its twips at " +
                           std::to_string(model_.dpi) + " DPI";
            }
        }
        return {};
    }

    HWND other_;
    std::optional<Form1Harness> form_;
    Model model_;
    BoxAnswerer boxes_;
    std::string problem_;
};

// A window of another program's, to move the activation away to.
class OtherWindow {
public:
    OtherWindow()
        : window_(CreateWindowExW(0, L"STATIC", L"another program", WS_POPUP | WS_VISIBLE, 600, 500, 80, 40, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr)) {}
    ~OtherWindow() { DestroyWindow(window_); }
    OtherWindow(const OtherWindow&) = delete;
    OtherWindow& operator=(const OtherWindow&) = delete;
    [[nodiscard]] HWND Window() const { return window_; }

private:
    HWND window_;
};

std::optional<Failure> RunWalk(const std::vector<Action>& actions, bool printCosts = false) {
    const OtherWindow other;
    Walk walk(other.Window());
    std::optional<Failure> failure = walk.Run(actions);
    if (printCosts) walk.PrintCosts();
    return failure;
}

// The shortest failing list that removing halves, then single actions, finds
// (within a few hundred replays).
std::vector<Action> Shrink(std::vector<Action> actions, const Failure& failure) {
    actions.resize(failure.index + 1);
    int replays = 0;
    for (std::size_t chunk = actions.size() / 2; chunk >= 1 && replays < 400; chunk /= 2) {
        for (std::size_t start = 0; start + chunk <= actions.size() && replays < 400; ++replays) {
            std::vector<Action> fewer(actions.begin(), actions.begin() + static_cast<std::ptrdiff_t>(start));
            fewer.insert(fewer.end(), actions.begin() + static_cast<std::ptrdiff_t>(start + chunk), actions.end());
            if (const auto again = RunWalk(fewer)) {
                fewer.resize(again->index + 1);
                actions = std::move(fewer);
            } else {
                start += chunk;
            }
        }
        if (chunk == 1) break;
    }
    return actions;
}

unsigned EnvironmentNumber(const char* name, unsigned fallback) {
    const char* value = std::getenv(name);
    return value && *value ? static_cast<unsigned>(std::strtoul(value, nullptr, 10)) : fallback;
}

TEST(Monkey, RandomWalkMatchesTheModel) {
    const unsigned seed = EnvironmentNumber("MIRVEL_MONKEY_SEED", 20261208);
    // The walk of every test run: the 32-bit program's is shorter, as it runs
    // on the same desktop as its DPI tests. make monkey walks long ones.
    const unsigned count = EnvironmentNumber("MIRVEL_MONKEY_ACTIONS", sizeof(void*) == 8 ? 400 : 250);
    std::mt19937 random(seed);
    std::vector<Action> actions;
    actions.reserve(count);
    for (unsigned i = 0; i < count; ++i) actions.push_back(RandomAction(random));

    const DWORD start = GetTickCount();
    const std::optional<Failure> failure = RunWalk(actions, true);
    const double seconds = (GetTickCount() - start) / 1000.0;
    std::printf("monkey: seed %u, %u actions in %.1f s (%.0f a second)\n", seed, count, seconds,
                seconds > 0 ? count / seconds : 0.0);
    if (!failure) return;

    const std::vector<Action> shortest = Shrink(actions, *failure);
    const std::optional<Failure> again = RunWalk(shortest);
    std::ostringstream list;
    for (const Action& action : shortest) list << "    " << Describe(action) << ",\n";
    ADD_FAILURE() << "seed " << seed << ": after action " << failure->index << ": " << failure->what
                  << "\nshortest failing list (" << shortest.size() << " actions"
                  << (again ? ", fails with: " + again->what : ", which no longer fails alone") << "):\n"
                  << list.str();
}

}  // namespace
}  // namespace mirvel::testing
