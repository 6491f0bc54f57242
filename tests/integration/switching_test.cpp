// The settings dialog run from the doll's menu command, and what confirming
// it changes: the character, the settings file, the history.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "harness/Harness.h"
#include "inside.h"
#include "kelmora_ui.h"
#include "pack_data/pack_tools.h"

using namespace harness;

namespace {

// The program with the dist's characters.
struct Doll : Installed {
    explicit Doll(const std::string& settings = std::string()) : Installed(WithCharacters, settings) {}
};

HWND OpenSettings(const Program& program)
{
    ui::Command(program.Doll(), ID_DOLL_SETTINGS);
    HWND dlg = nullptr;
    WaitFor([&] { return (dlg = FindProcessWindow(program.Pid(), "#32770", "设置")) != nullptr; }, kHung);
    return dlg;
}

std::vector<std::string> Characters(HWND dlg)
{
    HWND combo = ::GetDlgItem(dlg, IDC_CHARACTERS);
    std::vector<std::string> names;
    for (int i = 0; i < ui::ComboCount(combo); ++i)
        names.push_back(ui::ComboAt(combo, i));
    return names;
}

void Choose(HWND dlg, const std::string& name)
{
    HWND combo = ::GetDlgItem(dlg, IDC_CHARACTERS);
    std::vector<std::string> names = Characters(dlg);
    for (size_t i = 0; i < names.size(); ++i) {
        if (names[i] == name) {
            ::SendMessageA(combo, CB_SETCURSEL, i, 0);
            ::SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_CHARACTERS, CBN_SELCHANGE),
                           reinterpret_cast<LPARAM>(combo));
            return;
        }
    }
    ADD_FAILURE() << name << " is not listed";
}

bool Checked(HWND dlg, int id)
{
    return ::SendMessageA(::GetDlgItem(dlg, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// Ends the dialog as its buttons would and waits until it has gone.
bool Press(const Program& program, HWND dlg, int button)
{
    ::PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dlg, button)));
    return WaitFor([&] { return !FindProcessWindow(program.Pid(), "#32770", "设置"); }, kHung);
}

// The doll writes the settings file after the dialog has gone.
bool SettingBecomes(const std::string& path, size_t index, const std::string& line)
{
    return WaitFor([&] {
        std::vector<std::string> keys = IniSection(path, "SETTEI");
        return keys.size() > index && keys[index] == line;
    }, kHung);
}

SIZE Size(HWND hWnd)
{
    RECT rc = ui::WindowRect(hWnd);
    return SIZE{ rc.right - rc.left, rc.bottom - rc.top };
}

}  // namespace

TEST(Switching, DialogListsThePluginsAndOkSwitchesTheCharacter)
{
    Doll doll;
    // "*.dll*" matches a backup too; it is listed without its last extension.
    CopyFileOrFail(doll.Plugin("cat"), doll.dir / "imagedlls\\a.dll.bak");
    // The dialog shows the version of the program file it runs from.
    ASSERT_TRUE(SetFileVersion(doll.dir / "Kelmora.exe", FileVersion{ 7, 8, 9, 1 }));
    ASSERT_TRUE(doll.program.Start());
    HWND window = doll.program.Doll();
    ui::Inside in(window);
    ASSERT_TRUE(in.Hooked());

    size_t from = in.Size();
    HWND dlg = OpenSettings(doll.program);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(Characters(dlg), (std::vector<std::string>{ "a.dll", "cat", "nimbus", "penguin" }));
    EXPECT_TRUE(Checked(dlg, IDC_CHASE));
    EXPECT_TRUE(Checked(dlg, IDC_KEEPHISTORY));
    EXPECT_EQ(ui::Text(::GetDlgItem(dlg, IDC_VERSION)), "ver 7.89");
    EXPECT_TRUE(ui::MotionStopped(in.Events(from, in.Sync()))) << "the doll walks while the dialog runs";

    // Confirmed, the new character shows and walks: its first step taken,
    // timers 1 and 2 are armed together, timer 2 with nimbus's base period
    // (120 ms, as plugins/CMakeLists.txt builds it).
    Choose(dlg, "nimbus");
    from = in.Size();
    ASSERT_TRUE(Press(doll.program, dlg, IDOK));
    EXPECT_TRUE(WaitFor([&] { return Size(window).cx == 64 && Size(window).cy == 64; }, kHung));
    int frame = -1;
    EXPECT_TRUE(ui::ShowsFrameOf(window, doll.Plugin("nimbus"), &frame));
    EXPECT_TRUE(SettingBecomes(doll.dir / "zel.ini", 2, "SELECTEDDOLLNAME=nimbus"));
    EXPECT_TRUE(ui::DollMoves(window)) << "the doll does not walk again";
    std::vector<DollEvent> events = in.Events(from, in.Sync());
    int starts = 0;
    EXPECT_EQ(ui::ArmedApart(events, 120, &starts), "");
    EXPECT_EQ(starts, 1) << ui::Describe(events);

    dlg = OpenSettings(doll.program);
    ASSERT_NE(dlg, nullptr);
    Choose(dlg, "cat");
    ASSERT_TRUE(Press(doll.program, dlg, IDOK));
    EXPECT_TRUE(WaitFor([&] { return Size(window).cx == 32; }, kHung));
    EXPECT_TRUE(WaitFor([&] { return ui::ShowsFrameOf(window, doll.Plugin("cat"), &frame); }, kHung));

    // A backup's name is stored, but there is no "a.dll.dll": nothing reloads.
    dlg = OpenSettings(doll.program);
    ASSERT_NE(dlg, nullptr);
    Choose(dlg, "a.dll");
    ASSERT_TRUE(Press(doll.program, dlg, IDOK));
    EXPECT_TRUE(SettingBecomes(doll.dir / "zel.ini", 2, "SELECTEDDOLLNAME=a.dll"));
    ASSERT_NE(in.Sync(), 0u);
    EXPECT_GE(ui::PluginShapes(doll.Plugin("cat")).ShownBy(window), 0) << "the cat went";
    EXPECT_TRUE(doll.program.Close());
}

TEST(Switching, CancelChangesNothingButTheDollWalksAgain)
{
    Doll doll("[SETTEI]\r\nCHASE=1\r\nSELECTEDDOLLNAME=cat\r\n");
    ASSERT_TRUE(doll.program.Start());
    HWND window = doll.program.Doll();
    std::string before = ReadFile(doll.dir / "zel.ini");

    HWND dlg = OpenSettings(doll.program);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(::SendMessageA(::GetDlgItem(dlg, IDC_CHARACTERS), CB_GETCURSEL, 0, 0), 0) << "cat is preselected";
    ::SendMessageA(::GetDlgItem(dlg, IDC_CHASE), BM_CLICK, 0, 0);
    Choose(dlg, "nimbus");
    ASSERT_TRUE(Press(doll.program, dlg, IDCANCEL));

    EXPECT_TRUE(ui::DollMoves(window));
    EXPECT_EQ(ReadFile(doll.dir / "zel.ini"), before);
    EXPECT_EQ(Size(window).cx, 32);
    EXPECT_TRUE(doll.program.Close());
    std::vector<std::string> keys = IniSection(doll.dir / "zel.ini", "SETTEI");
    EXPECT_EQ(keys[1], "CHASE=1");
    EXPECT_EQ(keys[2], "SELECTEDDOLLNAME=cat");
}

TEST(Switching, TurningTheHistoryOffEmptiesItAtOnce)
{
    Doll doll;
    WriteFile(doll.dir / "search.txt", "one\r\ntwo\r\n");
    ASSERT_TRUE(doll.program.Start());
    HWND box = doll.program.SearchBox();
    ASSERT_NE(box, nullptr);
    HWND history = ::GetDlgItem(box, IDC_HISTORY);
    ASSERT_EQ(ui::ComboCount(history), 2);

    HWND dlg = OpenSettings(doll.program);
    ASSERT_NE(dlg, nullptr);
    ::SendMessageA(::GetDlgItem(dlg, IDC_KEEPHISTORY), BM_CLICK, 0, 0);
    ASSERT_TRUE(Press(doll.program, dlg, IDOK));
    EXPECT_TRUE(SettingBecomes(doll.dir / "zel.ini", 0, "RIREKION=0"));
    EXPECT_EQ(ui::ComboCount(history), 0);

    EXPECT_TRUE(doll.program.Close());
    EXPECT_TRUE(FileExists(doll.dir / "search.txt"));
    EXPECT_EQ(ReadFile(doll.dir / "search.txt"), "");
}

namespace {

// A character packed from one 32 x 32 frame, used in every category, whose
// opaque part is the given rectangle; magenta elsewhere.
void PackOneFrameCharacter(const std::string& out, const RECT& opaque)
{
    TempDir folder;
    WriteFile(folder / "frame.bmp", packtools::Bitmap24(32, 32, [&](int x, int y) {
        return x >= opaque.left && x < opaque.right && y >= opaque.top && y < opaque.bottom ? 0x204080u : 0xFF00FFu;
    }));
    std::string ini = "[character]\r\nname=One\r\nperiod=100\r\nstep=1\r\n";
    for (const char* category : { "down", "up", "left", "right", "rest" })
        ini += std::string("[") + category + "]\r\nframes=frame.bmp\r\n";
    WriteFile(folder / "character.ini", ini);
    std::string output;
    ASSERT_EQ(packtools::RunPacker(folder.Path(), out, output), 0u) << output;
}

bool ShapeIs(HWND hWnd, const RECT& expected)
{
    HRGN window = ::CreateRectRgn(0, 0, 0, 0);
    HRGN rect = ::CreateRectRgn(expected.left, expected.top, expected.right, expected.bottom);
    bool same = ::GetWindowRgn(hWnd, window) != ERROR && ::EqualRgn(window, rect);
    ::DeleteObject(rect);
    ::DeleteObject(window);
    return same;
}

}  // namespace

// Two characters of one frame per category show it in the same slot: after
// the switch the new one's shape must be there at once, not when the slot
// number next changes.
TEST(Switching, TheNewCharacterShowsAtOnceEvenInTheSameSlot)
{
    Doll doll("[SETTEI]\r\nSELECTEDDOLLNAME=left\r\n");
    const RECT leftHalf = { 0, 0, 16, 32 }, topHalf = { 0, 0, 32, 16 };
    PackOneFrameCharacter(doll.Plugin("left"), leftHalf);
    PackOneFrameCharacter(doll.Plugin("top"), topHalf);
    ASSERT_TRUE(doll.program.Start());
    HWND window = doll.program.Doll();
    // Straight below the doll, far away: it walks down and stays in one slot.
    RECT start = ui::WindowRect(window);
    ::SetCursorPos(start.left + 16, ::GetSystemMetrics(SM_CYSCREEN) - 2);
    ASSERT_TRUE(WaitFor([&] { return ui::WindowRect(window).top > start.top + 2; }, kHung));
    ASSERT_TRUE(ShapeIs(window, leftHalf));

    HWND dlg = OpenSettings(doll.program);
    ASSERT_NE(dlg, nullptr);
    Choose(dlg, "top");
    ASSERT_TRUE(Press(doll.program, dlg, IDOK));
    // Under Wine on Xvfb the dialog's loop ends about 2 s after it is hidden.
    EXPECT_TRUE(WaitFor([&] { return ShapeIs(window, topHalf); }, kHung)) << "the old character's shape stays";
    EXPECT_TRUE(doll.program.Close());
}

namespace {

size_t SettingsDialogs(DWORD pid)
{
    return ProcessWindows(pid, nullptr, "设置").size();
}

// A window of the test's own that takes the foreground from the dialog.
struct Elsewhere {
    HWND hWnd = ::CreateWindowExA(0, "STATIC", "elsewhere", WS_POPUP | WS_VISIBLE, 600, 600, 80, 40, nullptr, nullptr,
                                  nullptr, nullptr);
    ~Elsewhere() { ::DestroyWindow(hWnd); }
    bool TakeForeground()
    {
        ::SetForegroundWindow(hWnd);
        return WaitFor([&] { return ::GetForegroundWindow() == hWnd; }, kHung);
    }
};

}  // namespace

// While the settings dialog runs, the tray icon, a second start and the
// settings command bring it forward; nothing starts a second dialog or
// restarts the motion under it, not even closing the search box.
TEST(Switching, NothingRunsTwiceWhileTheDialogRuns)
{
    Doll doll;
    ASSERT_TRUE(doll.program.Start());
    HWND window = doll.program.Doll();
    HWND box = doll.program.SearchBox();
    ui::Inside in(window);
    ASSERT_TRUE(in.Hooked());
    size_t from = in.Size();
    ASSERT_TRUE(ui::OpenBox(window, box));
    HWND dlg = OpenSettings(doll.program);
    ASSERT_NE(dlg, nullptr);
    Elsewhere other;

    const std::pair<const char*, std::function<void()>> requests[] = {
        { "tray right button", [&] { ::PostMessageA(window, WM_DOLL_TRAY, 1, WM_RBUTTONDOWN); } },
        { "tray double click", [&] { ::PostMessageA(window, WM_DOLL_TRAY, 1, WM_LBUTTONDBLCLK); } },
        { "second start", [&] { ::PostMessageA(window, ::RegisterWindowMessageA("Kelmora.ComeForward"), 0, 0); } },
        { "settings command", [&] { ::PostMessageA(window, WM_COMMAND, ID_DOLL_SETTINGS, 0); } },
        { "box's settings command", [&] { ::PostMessageA(box, WM_SYSCOMMAND, ID_DOLL_SETTINGS, 0); } },
    };
    for (const auto& request : requests) {
        SCOPED_TRACE(request.first);
        ASSERT_TRUE(other.TakeForeground());
        request.second();
        EXPECT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == dlg; }, kHung)) << "the dialog stays behind";
        ASSERT_NE(in.Sync(), 0u);
        EXPECT_EQ(FindProcessWindow(doll.program.Pid(), "#32768", nullptr), nullptr) << "a menu opened";
        EXPECT_EQ(SettingsDialogs(doll.program.Pid()), 1u);
        EXPECT_TRUE(::IsWindowVisible(box)) << "the tray toggled the box";
    }
    // Closing the box under the dialog does not wake the doll either.
    ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindowVisible(box); }));
    EXPECT_TRUE(ui::MotionStopped(in.Events(from, in.Sync()))) << "the doll walks under the dialog: "
                                                                << ui::Describe(in.Events(from));

    ASSERT_TRUE(Press(doll.program, dlg, IDCANCEL));
    EXPECT_TRUE(ui::DollMoves(window)) << "the doll does not walk after the dialog";
    EXPECT_TRUE(doll.program.Close());
}

// Ending the program from the tray while the settings dialog runs: the
// dialog's own loop ends first, then the doll's, and everything is saved.
TEST(Switching, ExitWhileTheDialogRunsEndsCleanly)
{
    Doll doll;
    ASSERT_TRUE(doll.program.Start());
    HWND dlg = OpenSettings(doll.program);
    ASSERT_NE(dlg, nullptr);
    // Sent, so that it has been handled when the call returns.
    ::SendMessageA(doll.program.Doll(), WM_COMMAND, ID_DOLL_EXIT, 0);
    ASSERT_TRUE(Press(doll.program, dlg, IDCANCEL));
    EXPECT_TRUE(doll.program.WaitExit(kHung));
    EXPECT_EQ(doll.program.ExitCode(), 0u);
    EXPECT_EQ(IniSection(doll.dir / "zel.ini", "SETTEI").size(), 5u);
}
