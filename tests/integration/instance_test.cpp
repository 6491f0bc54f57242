// One doll per folder: a second start wakes the running doll and leaves the
// folder's files alone; dolls of different folders run side by side.
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/instance.h"
#include "harness/Harness.h"
#include "kelmora_ui.h"
#include "resource.h"

using namespace harness;
using ui::Command;

TEST(InstanceName, FoldsLetterCaseAndSlashesButNotDoubleByteCharacters)
{
    EXPECT_STREQ(InstanceObjectName("C:\\Apps\\Kelmora\\"), InstanceObjectName("c:/apps/KELMORA/"));
    EXPECT_STRNE(InstanceObjectName("C:\\Apps\\A\\"), InstanceObjectName("C:\\Apps\\B\\"));
    // 0x81 0x41 and 0x81 0x61 are two different GBK characters.
    EXPECT_STRNE(InstanceObjectName("C:\\\x81\x41\\"), InstanceObjectName("C:\\\x81\x61\\"));
    CString name = InstanceObjectName("C:\\x\\");
    EXPECT_EQ(name.Find('\\', 6), -1) << "no backslash after the namespace prefix";
}

TEST(Instance, SecondStartWakesTheRunningDollAndTouchesNoFile)
{
    const std::string settings = "[SETTEI]\r\nZJIKU=1\r\nMINE=kept until the first doll exits\r\n";
    Installed run(settings);
    const TempDir& dir = run.dir;
    Program& first = run.program;
    ASSERT_TRUE(first.Start());
    HWND doll = first.Doll();
    ::PostMessageA(doll, WM_COMMAND, ID_DOLL_TRAY, 0);  // "托盘": hidden to the tray
    ASSERT_TRUE(WaitFor([&] { return !::IsWindowVisible(doll); }, kHung));

    Program second(dir.Path());
    EXPECT_FALSE(second.Start()) << "the second start made a doll of its own";
    ASSERT_TRUE(second.WaitExit(kHung));
    EXPECT_EQ(second.ExitCode(), 0u);

    EXPECT_TRUE(WaitFor([&] { return ::IsWindowVisible(doll) != FALSE; }, kHung)) << "the hidden doll did not come back";
    EXPECT_TRUE(first.Running());
    EXPECT_EQ(ReadFile(dir / "zel.ini"), settings);
    EXPECT_FALSE(FileExists(dir / "search.txt"));

    ASSERT_TRUE(first.Close());
    std::vector<std::string> keys = IniSection(dir / "zel.ini", "SETTEI");
    ASSERT_EQ(keys.size(), 5u);
    EXPECT_EQ(keys[3], "ZJIKU=1");
}

TEST(Instance, DollsOfTwoFoldersRunSideBySide)
{
    Installed a, b;
    ASSERT_TRUE(a.program.Start());
    ASSERT_TRUE(b.program.Start());
    EXPECT_NE(a.program.Doll(), b.program.Doll());
    EXPECT_TRUE(a.program.Running());
    EXPECT_TRUE(b.program.Running());
    EXPECT_TRUE(a.program.Close());
    EXPECT_TRUE(b.program.Close());
    EXPECT_TRUE(FileExists(a.dir / "zel.ini"));
    EXPECT_TRUE(FileExists(b.dir / "zel.ini"));
}

TEST(Instance, ACrashedDollLeavesNothingStaleBehind)
{
    Installed run;
    {
        Program crashed(run.dir.Path());
        ASSERT_TRUE(crashed.Start());
        // Leaving the scope kills the process without its teardown.
    }
    EXPECT_TRUE(run.program.Start());
    EXPECT_TRUE(run.program.Close());
}

namespace {
// The doll's tray icon, to the shell: its window and id.
bool NotifyDollIcon(HWND doll, DWORD message)
{
    NOTIFYICONDATAA nid = {};
    nid.cbSize = NOTIFYICONDATAA_V1_SIZE;
    nid.hWnd = doll;
    nid.uID = 1;
    return ::Shell_NotifyIconA(message, &nid) != FALSE;
}

// Whether the doll's tray icon exists: the shell modifies only icons it has.
bool TrayIconExists(HWND doll)
{
    return NotifyDollIcon(doll, NIM_MODIFY);
}

// The shell loses the icon, as when Explorer restarts, and announces itself.
void RestartShell(HWND doll)
{
    ASSERT_TRUE(NotifyDollIcon(doll, NIM_DELETE));
    ASSERT_FALSE(TrayIconExists(doll));
    ::SendMessageA(doll, ::RegisterWindowMessageA("TaskbarCreated"), 0, 0);
}

// Whether the process has a module of that name loaded.
bool HasModule(DWORD pid, const char* name)
{
    HANDLE process = ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!process)
        return false;
    HMODULE modules[512];
    DWORD bytes = 0;
    bool found = false;
    if (::EnumProcessModules(process, modules, sizeof modules, &bytes)) {
        for (DWORD i = 0; i < bytes / sizeof modules[0] && i < 512 && !found; ++i) {
            char base[MAX_PATH] = "";
            ::GetModuleBaseNameA(process, modules[i], base, sizeof base);
            found = lstrcmpiA(base, name) == 0;
        }
    }
    ::CloseHandle(process);
    return found;
}

// The DLLs a program file imports, which are loaded with it.
std::vector<std::string> Imports(const std::string& exe)
{
    std::vector<std::string> names;
    HMODULE image = ::LoadLibraryExW(Wide(exe).c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    if (!image)
        return names;
    auto* base = reinterpret_cast<unsigned char*>(image);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); dir.VirtualAddress && d->Name;
         ++d) {
        std::string name = reinterpret_cast<const char*>(base + d->Name);
        for (char& c : name)
            c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
        names.push_back(name);
    }
    ::FreeLibrary(image);
    return names;
}

bool Has(const std::vector<std::string>& names, const std::string& name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}
}  // namespace

// Explorer restarting loses every tray icon; the doll adds its own again
// when the shell announces itself. The icon lives in the shell: shell32 is
// not imported with the program but loaded at the first tray call, once the
// doll shows, and stays while calls into it may still run.
TEST(Instance, TrayIconComesBackWhenTheShellAnnouncesItself)
{
    Installed run;
    Program& program = run.program;
    std::vector<std::string> imports = Imports(run.dir / "Kelmora.exe");
    ASSERT_TRUE(Has(imports, "kernel32.dll")) << "the program's imports cannot be read";
    EXPECT_FALSE(Has(imports, "shell32.dll"));
    ASSERT_TRUE(program.Start());
    HWND doll = program.Doll();
    ASSERT_NE(program.SearchBox(), nullptr);
    ASSERT_TRUE(WaitFor([&] { return TrayIconExists(doll); }, kHung));
    ASSERT_TRUE(HasModule(program.Pid(), "kernel32.dll")) << "the modules of the program cannot be listed";
    EXPECT_TRUE(HasModule(program.Pid(), "shell32.dll"));

    RestartShell(doll);
    EXPECT_TRUE(TrayIconExists(doll));
    EXPECT_TRUE(HasModule(program.Pid(), "shell32.dll"));
    EXPECT_TRUE(program.Close());
}

// A double click right after "退出": the new start waits for the ending
// doll, which meanwhile writes its files (another program, a backup or a
// sync tool, holds the settings for a moment, so they are written in
// place), and then shows a doll of its own, every time.
TEST(Instance, AStartRightAfterAnExitShowsTheDoll)
{
    Installed run;
    const std::string settings = run.dir / "zel.ini";
    std::unique_ptr<Program> doll(new Program(run.dir.Path()));
    ASSERT_TRUE(doll->Start());
    for (int i = 0; i < 10; ++i) {
        SCOPED_TRACE("start " + std::to_string(i + 2));
        HANDLE held = ::CreateFileW(Wide(settings).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_ALWAYS, 0, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        Command(doll->Doll(), i % 2 ? ID_DOLL_TOPMOST : ID_DOLL_BOTTOM);
        ::PostMessageA(doll->Doll(), WM_COMMAND, ID_DOLL_EXIT, 0);
        std::unique_ptr<Program> next(new Program(run.dir.Path()));
        bool shown = next->Start();
        ::CloseHandle(held);
        ASSERT_TRUE(doll->WaitExit(kHung));
        EXPECT_EQ(doll->ExitCode(), 0u);
        ASSERT_TRUE(shown) << "no doll";
        EXPECT_TRUE(::IsWindowVisible(next->Doll()));
        EXPECT_EQ(IniSection(settings, "SETTEI").at(3), i % 2 ? "ZJIKU=1" : "ZJIKU=0");
        doll = std::move(next);
    }
    EXPECT_TRUE(doll->Close());
    EXPECT_FALSE(FileExists(settings + ".new"));
}
