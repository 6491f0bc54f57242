// The search box in the real program: a first run end to end with a stand-in
// browser, the history file, closing and auto-hiding, the balloon's shape,
// the engine and history menus and the automatic paste.
#include <gtest/gtest.h>

#include <functional>

#include "inside.h"
#include "kelmora_ui.h"

#include <psapi.h>

using namespace harness;
using namespace ui;

namespace {

// Whether a process of that file name runs.
bool ProcessRuns(const char* exeName)
{
    bool found = false;
    HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 pe = {};
    pe.dwSize = sizeof pe;
    for (BOOL ok = ::Process32First(snap, &pe); ok && !found; ok = ::Process32Next(snap, &pe))
        found = lstrcmpiA(pe.szExeFile, exeName) == 0;
    ::CloseHandle(snap);
    return found;
}

// The program installed, and once started its search box's controls.
struct Box : Installed {
    HWND doll = nullptr, box = nullptr, combo = nullptr, edit = nullptr;
    bool Start()
    {
        if (!program.Start())
            return false;
        doll = program.Doll();
        box = program.SearchBox();
        combo = box ? ::GetDlgItem(box, IDC_HISTORY) : nullptr;
        edit = combo ? ::FindWindowExA(combo, nullptr, "Edit", nullptr) : nullptr;
        return edit != nullptr;
    }
    void Type(const char* text) { ::SendMessageA(combo, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)); }
    void Enter() { Key(edit, VK_RETURN); }
};

// Sets the default value of a registry key and puts the old one back.
class RegDefault {
public:
    RegDefault(HKEY root, const char* key, const std::string& value) : m_root(root), m_key(key)
    {
        char old[1024] = "";
        LONG size = sizeof old;
        m_had = ::RegQueryValueA(root, key, old, &size) == ERROR_SUCCESS;
        m_old = old;
        ::RegSetValueA(root, key, REG_SZ, value.c_str(), static_cast<DWORD>(value.size()));
    }
    ~RegDefault()
    {
        if (m_had)
            ::RegSetValueA(m_root, m_key.c_str(), REG_SZ, m_old.c_str(), static_cast<DWORD>(m_old.size()));
        else
            ::RegDeleteKeyA(m_root, m_key.c_str());
    }

private:
    HKEY m_root;
    std::string m_key, m_old;
    bool m_had;
};

// Web addresses go to the recording stand-in while the object lives; it
// appends its command line to the log.
struct BrowserRecorder {
    std::string log;
    RegDefault http;
    explicit BrowserRecorder(const std::string& logPath)
        : log(logPath),
          http(HKEY_CLASSES_ROOT, "http\\shell\\open\\command", std::string("\"") + KELMORA_RECORD_EXE + "\" \"%1\"")
    {
        ::SetEnvironmentVariableA("KELMORA_RECORD", log.c_str());
    }
    ~BrowserRecorder() { ::SetEnvironmentVariableA("KELMORA_RECORD", nullptr); }
    std::string Lines() const { return FileExists(log) ? ReadFile(log) : std::string(); }
};

}  // namespace

TEST(SearchBox, FirstRunSearchesWithTheBrowserAndWritesAllFilesAtExit)
{
    Box run;
    BrowserRecorder recorder(run.dir / "launched.txt");
    ASSERT_TRUE(run.Start());
    EXPECT_EQ(Text(::GetDlgItem(run.box, IDC_ENGINE)), "google");
    EXPECT_EQ(Text(run.box), "Kelmora");
    ASSERT_TRUE(OpenBox(run.doll, run.box));
    EXPECT_EQ(Text(::GetDlgItem(run.box, IDC_PROMPT)), KELMORA_DEFAULT_PROMPT);

    run.Type("中文 a");
    run.Enter();
    const std::string url = "http://www.google.com/search?q=%E4%B8%AD%E6%96%87%20%61";
    ASSERT_TRUE(WaitFor([&] { return recorder.Lines().find(url) != std::string::npos; }, kHung)) << recorder.Lines();
    EXPECT_EQ(ComboCount(run.combo), 1);
    EXPECT_EQ(ComboAt(run.combo, 0), "中文 a");

    ::PostMessageA(run.box, WM_COMMAND, MAKEWPARAM(IDC_SEARCH_NEWWINDOW, BN_CLICKED), 0);
    std::string started;
    ASSERT_TRUE(WaitFor([&] { return !(started = ChildCommandLine(run.program.Pid(), "iexplore.exe")).empty(); },
                        kHung));
    EXPECT_NE(started.find(" \"" + url + "\""), std::string::npos) << started;
    EXPECT_EQ(ComboCount(run.combo), 1);

    // Escape leaves the box open: once the program has handled it, the box
    // is still there.
    Inside in(run.doll);
    ASSERT_TRUE(in.Hooked());
    Key(run.edit, VK_ESCAPE);
    ASSERT_NE(in.Sync(), 0u);
    EXPECT_TRUE(::IsWindowVisible(run.box));

    ASSERT_TRUE(run.program.Close());
    EXPECT_EQ(IniSections(run.dir / "zel.ini"), (std::vector<std::string>{ "RECT", "SETTEI" }));
    std::vector<std::string> rect = IniSection(run.dir / "zel.ini", "RECT");
    ASSERT_EQ(rect.size(), 4u);
    EXPECT_EQ(rect[0].substr(0, 5), "LEFT=");
    EXPECT_EQ(rect[3].substr(0, 7), "BOTTOM=");
    EXPECT_EQ(IniSections(run.dir / "搜索URL.ini"),
              (std::vector<std::string>{ "SERCHCFG0", "SERCHCFG1", "SERCHCFG2", "SERCHCFG3" }));
    EXPECT_EQ(IniSection(run.dir / "搜索URL.ini", "SERCHCFG3")[0], "SERCH_ENGINE=alc英和");
    EXPECT_EQ(ReadFile(run.dir / "search.txt"), "中文 a\r\n");
}

// Engine addresses that are no web addresses start nothing, neither through
// the default handler nor in a new window; the word still goes into the
// history. A web address still reaches the browser, and the new window gets
// it as one argument whatever the word holds.
TEST(SearchBox, OnlyWebAddressesAreLaunched)
{
    Box run;
    BrowserRecorder recorder(run.dir / "launched.txt");
    const std::string program = KELMORA_RECORD_EXE;
    std::string forward = program;
    for (char& c : forward)
        if (c == '\\')
            c = '/';
    const std::string engines[] = {
        program,
        "file:///" + forward,
        "\\\\localhost\\share\\x.exe?[搜索]",
        "mailto:[搜索]@example.com",
        "http://www.example.com/?q=[搜索]",
    };
    std::string ini;
    for (size_t i = 0; i < sizeof engines / sizeof engines[0]; ++i)
        ini += "[SERCHCFG" + std::to_string(i) + "]\r\nSERCH_ENGINE=e" + std::to_string(i) + "\r\nSERCH_URL=" +
               engines[i] + "\r\nSERCH_STRCHNG=0\r\n";
    WriteFile(run.dir / "搜索URL.ini", ini);
    ASSERT_TRUE(run.Start());
    Inside in(run.doll);
    ASSERT_TRUE(in.Hooked());
    ASSERT_TRUE(OpenBox(run.doll, run.box));

    // Each search handled before the next engine is chosen.
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(engines[i]);
        ::SendMessageA(run.box, WM_COMMAND, ID_ENGINE_FIRST + i, 0);
        ASSERT_EQ(Text(::GetDlgItem(run.box, IDC_ENGINE)), "e" + std::to_string(i));
        std::string word = "w" + std::to_string(i);
        run.Type(word.c_str());
        run.Enter();
        ::SendMessageA(run.box, WM_COMMAND, MAKEWPARAM(IDC_SEARCH_NEWWINDOW, BN_CLICKED), 0);
        ASSERT_NE(in.Sync(), 0u);
        EXPECT_EQ(ComboAt(run.combo, 0), word);
    }
    // The web address last.
    ::SendMessageA(run.box, WM_COMMAND, ID_ENGINE_FIRST + 4, 0);
    run.Type("a \"b\" -x");
    run.Enter();
    const std::string web = "http://www.example.com/?q=a %22b%22 -x";
    ASSERT_TRUE(WaitFor([&] { return recorder.Lines().find(web) != std::string::npos; }, kHung)) << recorder.Lines();
    ::SendMessageA(run.box, WM_COMMAND, MAKEWPARAM(IDC_SEARCH_NEWWINDOW, BN_CLICKED), 0);
    std::string started;
    ASSERT_TRUE(WaitFor([&] { return !(started = ChildCommandLine(run.program.Pid(), "iexplore.exe")).empty(); },
                        kHung));
    EXPECT_NE(started.find(" \"" + web + "\""), std::string::npos) << started;
    // Every search has been handled, and whatever it started has written
    // its line and ended. Wine's iexplore.exe may hand the address on to the
    // default handler too, so the web launch can be recorded more than once;
    // anything that is not that launch came from one of the other engines.
    ASSERT_NE(in.Sync(), 0u);
    EXPECT_TRUE(WaitFor([] { return !ProcessRuns("kelmora-record.exe") && !ProcessRuns("iexplore.exe"); }, kHung));
    const std::string launch = "\"" + program + "\" \"" + web + "\"";
    std::string lines = recorder.Lines();
    size_t n = 0;
    for (size_t at = 0, end; (end = lines.find("\r\n", at)) != std::string::npos; at = end + 2, ++n)
        EXPECT_EQ(lines.substr(at, end - at), launch) << "something else was started";
    EXPECT_GT(n, 0u);
    EXPECT_EQ(lines.size(), n * (launch.size() + 2)) << lines;
    EXPECT_EQ(ChildCommandLine(run.program.Pid(), "kelmora-record.exe"), "");
    EXPECT_EQ(ComboCount(run.combo), 5);
    ASSERT_TRUE(run.program.Close());
}

TEST(SearchBox, HundredFiftyLinesLoadedSearchedAndWrittenBack)
{
    Box run;
    BrowserRecorder recorder(run.dir / "launched.txt");
    std::vector<std::string> lines;
    std::string content;
    for (int i = 0; i < 150; ++i) {
        lines.push_back(i % 7 == 3 ? std::string() : "w" + std::to_string(i));
        content += lines.back() + "\r\n";
    }
    WriteFile(run.dir / "search.txt", content);
    ASSERT_TRUE(run.Start());
    ASSERT_EQ(ComboCount(run.combo), 150);
    ASSERT_TRUE(OpenBox(run.doll, run.box));
    run.Type("W11");  // an existing entry in another letter case
    run.Enter();
    ASSERT_TRUE(WaitFor([&] { return ComboAt(run.combo, 0) == "W11"; }));
    EXPECT_EQ(ComboCount(run.combo), 150);
    run.Type("fresh");
    run.Enter();
    ASSERT_TRUE(WaitFor([&] { return ComboAt(run.combo, 0) == "fresh"; }));
    EXPECT_EQ(ComboCount(run.combo), 150);  // one in, the last one out
    ASSERT_TRUE(run.program.Close());

    std::string expected = "fresh\r\nW11\r\n";
    for (int i = 0; i < 149; ++i)
        if (i != 11)
            expected += lines[static_cast<size_t>(i)] + "\r\n";
    EXPECT_EQ(ReadFile(run.dir / "search.txt"), expected);
}

TEST(SearchBox, ClosingAutoHideAndTypingRestartTheCountdownAndTheMotion)
{
    Box run;
    ASSERT_TRUE(run.Start());
    Inside in(run.doll);
    ASSERT_TRUE(in.Hooked());
    size_t from = in.Size();
    ASSERT_TRUE(OpenBox(run.doll, run.box));
    EXPECT_TRUE(MotionStopped(in.Events(from, in.Sync()))) << Describe(in.Events(from));
    ::PostMessageA(run.box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindowVisible(run.box); }));
    EXPECT_TRUE(DollMoves(run.doll));

    // Double click on the background: hidden, motion back.
    ASSERT_TRUE(OpenBox(run.doll, run.box));
    ::PostMessageA(run.box, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(30, 50));
    ASSERT_TRUE(WaitFor([&] { return !::IsWindowVisible(run.box); }));
    EXPECT_TRUE(DollMoves(run.doll));

    // The system command 0xFFD0 resumes the doll and keeps the box.
    from = in.Size();
    ASSERT_TRUE(OpenBox(run.doll, run.box));
    EXPECT_TRUE(MotionStopped(in.Events(from, in.Sync()))) << Describe(in.Events(from));
    ::PostMessageA(run.box, WM_SYSCOMMAND, ID_DOLL_RESUME, 0);
    EXPECT_TRUE(DollMoves(run.doll));
    EXPECT_TRUE(::IsWindowVisible(run.box));
    ::PostMessageA(run.box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindowVisible(run.box); }));

    // Auto-hide: the box hides itself 30 s after it was last used, counted
    // down by timer 3 in steps of 500 ms, once below zero: at the 61st tick
    // after the last use. The test holds the timer and gives its ticks.
    const LONG kStepMs = 500;
    const int kTicksToHide = 61;
    in.Hold(TIMER_AUTOHIDE);
    from = in.Size();
    ASSERT_TRUE(OpenBox(run.doll, run.box));
    std::vector<DollEvent> events = in.Events(from, in.Sync());
    int armed = 0;
    for (const DollEvent& e : events)
        if (e.kind == EV_SETTIMER && e.a == TIMER_AUTOHIDE) {
            EXPECT_EQ(e.b, kStepMs);
            ++armed;
        }
    EXPECT_EQ(armed, 1) << Describe(events);
    auto ticks = [&](int n) {
        for (int i = 0; i < n; ++i)
            in.Tick(TIMER_AUTOHIDE);
        return in.Sync() != 0;
    };
    ASSERT_TRUE(ticks(kTicksToHide - 1));
    EXPECT_TRUE(::IsWindowVisible(run.box)) << "hidden before its time";
    // Typing starts the count again.
    ::PostMessageA(run.edit, WM_CHAR, 'a', 1);
    ASSERT_TRUE(ticks(kTicksToHide - 1));
    EXPECT_TRUE(::IsWindowVisible(run.box)) << "typing did not start the count again";
    from = in.Size();
    ASSERT_TRUE(ticks(1));
    EXPECT_FALSE(::IsWindowVisible(run.box));
    events = in.Events(from);
    EXPECT_TRUE(std::any_of(events.begin(), events.end(), [](const DollEvent& e) {
        return e.kind == EV_KILLTIMER && e.a == TIMER_AUTOHIDE;
    })) << "timer 3 runs on: " << Describe(events);
    EXPECT_TRUE(DollMoves(run.doll));
    ASSERT_TRUE(run.program.Close());
}

namespace {

// Alt+F4 typed on the keyboard, to the foreground window.
void AltF4()
{
    INPUT keys[4] = {};
    const WORD vk[4] = { VK_MENU, VK_F4, VK_F4, VK_MENU };
    for (int i = 0; i < 4; ++i) {
        keys[i].type = INPUT_KEYBOARD;
        keys[i].ki.wVk = vk[i];
        keys[i].ki.dwFlags = i >= 2 ? KEYEVENTF_KEYUP : 0;
    }
    ::SendInput(4, keys, sizeof(INPUT));
}

}  // namespace

// Every way the platform offers to close the box closes it as its close
// button does: the box goes, the doll walks again.
TEST(SearchBox, EveryWayOfClosingIsTheCloseButton)
{
    Box run;
    ASSERT_TRUE(run.Start());
    struct Way {
        const char* name;
        std::function<void()> close;
    };
    const Way ways[] = {
        { "Alt+F4", [&] {
             ::SetForegroundWindow(run.box);
             WaitFor([&] { return ::GetForegroundWindow() == run.box; }, kHung);
             AltF4();
         } },
        { "system menu close", [&] { ::PostMessageA(run.box, WM_SYSCOMMAND, SC_CLOSE, 0); } },
        { "WM_CLOSE", [&] { ::PostMessageA(run.box, WM_CLOSE, 0, 0); } },
        { "IDCANCEL", [&] { ::PostMessageA(run.box, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); } },
    };
    Inside in(run.doll);
    ASSERT_TRUE(in.Hooked());
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        size_t from = in.Size();
        ASSERT_TRUE(OpenBox(run.doll, run.box));
        ASSERT_TRUE(MotionStopped(in.Events(from, in.Sync()))) << Describe(in.Events(from));
        way.close();
        EXPECT_TRUE(WaitFor([&] { return !::IsWindowVisible(run.box); }, kHung));
        EXPECT_TRUE(DollMoves(run.doll)) << "the doll stays frozen";
    }
    EXPECT_TRUE(run.program.Running()) << "closing the box ended the program";
    ASSERT_TRUE(run.program.Close());
}

namespace {

// Screenshots to look at, into the folder KELMORA_SCREENSHOTS names.
void SaveScreenIfAsked(const char* name)
{
    char dir[MAX_PATH];
    if (::GetEnvironmentVariableA("KELMORA_SCREENSHOTS", dir, sizeof dir))
        SaveScreen(std::string(dir) + "\\" + name);
}

}  // namespace

TEST(SearchBox, BalloonTailPointsAtTheDollBelowAndAbove)
{
    Box run;
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(ParkDoll(run.doll, 600, 150));
    ASSERT_TRUE(OpenBox(run.doll, run.box));
    RECT d = WindowRect(run.doll), b = WindowRect(run.box);
    EXPECT_EQ(b.top, d.bottom);  // below the doll
    int w = b.right - b.left, h = b.bottom - b.top;
    int x = d.left + (d.right - d.left) / 2 - b.left;
    ASSERT_TRUE(WaitFor([&] { return TailAt(run.box, x, 3); })) << "no tail at the top";
    HRGN rgn = ::CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(::GetWindowRgn(run.box, rgn), ERROR);
    EXPECT_TRUE(::PtInRegion(rgn, w / 2, h / 2));        // body
    EXPECT_TRUE(::PtInRegion(rgn, x, 3));               // tail at the top, at the doll's centre
    EXPECT_FALSE(::PtInRegion(rgn, x + 20, 3));
    EXPECT_FALSE(::PtInRegion(rgn, x, h - 3));
    EXPECT_FALSE(::PtInRegion(rgn, 11, 11));            // rounded corners
    EXPECT_FALSE(::PtInRegion(rgn, w - 12, h - 12));
    SaveScreenIfAsked("balloon-below.bmp");

    ::PostMessageA(run.box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindowVisible(run.box); }));
    ASSERT_TRUE(ParkDoll(run.doll, 600, 800));
    ASSERT_TRUE(OpenBox(run.doll, run.box));
    d = WindowRect(run.doll);
    b = WindowRect(run.box);
    EXPECT_EQ(b.bottom, d.top);  // above the doll
    x = d.left + (d.right - d.left) / 2 - b.left;
    ASSERT_TRUE(WaitFor([&] { return TailAt(run.box, x, h - 3); })) << "no tail at the bottom";
    ASSERT_NE(::GetWindowRgn(run.box, rgn), ERROR);
    EXPECT_TRUE(::PtInRegion(rgn, x, h - 3));
    EXPECT_FALSE(::PtInRegion(rgn, x, 3));
    EXPECT_TRUE(::PtInRegion(rgn, w / 2, h / 2));
    ::DeleteObject(rgn);
    SaveScreenIfAsked("balloon-above.bmp");
    ASSERT_TRUE(run.program.Close());
}

TEST(SearchBox, EngineMenuHistoryMenuAndAutomaticPaste)
{
    Box run;
    WriteFile(run.dir / "search.txt", "a\r\nb\r\nc\r\n");
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(OpenBox(run.doll, run.box));
    HWND label = ::GetDlgItem(run.box, IDC_ENGINE);

    // The keys are posted right behind what opens the menu, so that the
    // menu takes them before any mouse message its showing brings.
    ::PostMessageA(run.box, WM_COMMAND, MAKEWPARAM(IDC_ENGINE, STN_CLICKED), reinterpret_cast<LPARAM>(label));
    Key(run.box, VK_DOWN);
    Key(run.box, VK_DOWN);
    Key(run.box, VK_DOWN);
    Key(run.box, VK_RETURN);
    ASSERT_TRUE(WaitFor([&] { return Text(label) == "goo英和"; })) << Text(label);

    ::PostMessageA(run.combo, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(3, 3));
    Key(run.doll, VK_DOWN);
    Key(run.doll, VK_RIGHT);
    Key(run.doll, VK_DOWN);
    Key(run.doll, VK_RETURN);
    ASSERT_TRUE(WaitFor([&] { return ComboCount(run.combo) == 2; }));
    EXPECT_EQ(ComboAt(run.combo, 0), "a");
    EXPECT_EQ(ComboAt(run.combo, 1), "c");

    // Automatic paste: the clipboard's text moves into the edit field.
    ::PostMessageA(run.box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindowVisible(run.box); }));
    ::SendMessageA(::GetDlgItem(run.box, IDC_AUTOPASTE), BM_SETCHECK, BST_CHECKED, 0);
    ASSERT_TRUE(::OpenClipboard(nullptr));
    ::EmptyClipboard();
    const char text[] = "剪贴 text";
    HGLOBAL mem = ::GlobalAlloc(GMEM_MOVEABLE, sizeof text);
    memcpy(::GlobalLock(mem), text, sizeof text);
    ::GlobalUnlock(mem);
    ::SetClipboardData(CF_TEXT, mem);
    ::CloseClipboard();
    ASSERT_TRUE(OpenBox(run.doll, run.box));
    ASSERT_TRUE(WaitFor([&] { return Text(run.combo) == text; })) << Text(run.combo);
    DWORD selection = static_cast<DWORD>(::SendMessageA(run.combo, CB_GETEDITSEL, 0, 0));
    EXPECT_EQ(LOWORD(selection), 0);
    EXPECT_EQ(HIWORD(selection), ::SendMessageW(run.edit, WM_GETTEXTLENGTH, 0, 0));
    EXPECT_TRUE(WaitFor([] { return !::IsClipboardFormatAvailable(CF_TEXT); }));

    // The box's system command "删除历史记录" empties the list and the text.
    ::PostMessageA(run.box, WM_SYSCOMMAND, ID_DOLL_CLEARHIST | 0x0003, 0);
    ASSERT_TRUE(WaitFor([&] { return ComboCount(run.combo) == 0 && Text(run.combo).empty(); }));
    ASSERT_TRUE(run.program.Close());
    EXPECT_EQ(ReadFile(run.dir / "search.txt"), "");
}

namespace {

// Pixels of the label on the screen: how many are pure blue, how many black.
struct Ink {
    int blue = 0, black = 0;
};

Ink LabelInk(HWND label)
{
    Ink ink;
    for (uint32_t p : ScreenImage(WindowRect(label)).pixels) {
        ink.blue += p == 0x0000FF;
        ink.black += p == 0x000000;
    }
    return ink;
}

}  // namespace

TEST(SearchBox, EngineLabelTurnsBlueWhileHoveredAndBlackAgain)
{
    Box run;
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(ParkDoll(run.doll, 600, 150));
    ASSERT_TRUE(OpenBox(run.doll, run.box));
    HWND label = ::GetDlgItem(run.box, IDC_ENGINE);
    auto black = [&] {
        Ink ink = LabelInk(label);
        return ink.blue == 0 && ink.black > 0;
    };
    auto blue = [&] {
        Ink ink = LabelInk(label);
        return ink.blue > 0 && ink.black == 0;
    };
    EXPECT_TRUE(WaitFor(black)) << "the label is not drawn in black";
    for (int round = 0; round < 3; ++round) {
        ::SendMessageA(run.box, WM_SETCURSOR, reinterpret_cast<WPARAM>(label), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_TRUE(WaitFor(blue)) << round;
        ::SendMessageA(run.box, WM_SETCURSOR, reinterpret_cast<WPARAM>(run.edit), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_TRUE(WaitFor(black)) << round;
    }
    ASSERT_TRUE(run.program.Close());
}

namespace {

// The folders of the comctl32.dll modules a process has loaded, in lower
// case. Common Controls 6 come from the side-by-side store, the one with
// their identity in its name.
std::vector<std::string> CommonControlsFolders(DWORD pid)
{
    std::vector<std::string> folders;
    HANDLE process = ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!process)
        return folders;
    HMODULE modules[512];
    DWORD bytes = 0;
    if (::EnumProcessModules(process, modules, sizeof modules, &bytes)) {
        for (DWORD i = 0; i < bytes / sizeof modules[0] && i < 512; ++i) {
            char path[MAX_PATH] = "";
            ::GetModuleFileNameExA(process, modules[i], path, MAX_PATH);
            std::string lower = path;
            for (char& c : lower)
                c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
            size_t name = lower.rfind('\\');
            size_t folder = name == std::string::npos ? name : lower.rfind('\\', name - 1);
            if (folder != std::string::npos && lower.substr(name + 1) == "comctl32.dll")
                folders.push_back(lower.substr(folder + 1, name - folder - 1));
        }
    }
    ::CloseHandle(process);
    return folders;
}

}  // namespace

// The manifest's Common Controls 6 are what the box is made of: the system's
// look for its combo box and buttons. Made, the box has loaded them, and no
// other version.
TEST(SearchBox, ItsControlsAreCommonControls6)
{
    Box run;
    ASSERT_TRUE(run.Start());
    std::vector<std::string> folders = CommonControlsFolders(run.program.Pid());
    ASSERT_EQ(folders.size(), 1u);
    EXPECT_EQ(folders[0].find("amd64_microsoft.windows.common-controls_6595b64144ccf1df_6."), 0u) << folders[0];
    ASSERT_TRUE(run.program.Close());
}
