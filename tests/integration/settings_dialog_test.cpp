// The settings dialog run for real in this process (which carries the
// program's resources): a second thread reads its window back and clicks it
// as a user would, while DoModal runs here.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

#include <functional>
#include <set>
#include <string>
#include <thread>

#include "doll/DollDlg.h"
#include "framework/App.h"
#include "harness/Harness.h"
#include "res/resource.h"
#include "settings/SettingsDlg.h"

using harness::TempDir;

namespace {

const char kNoDll[] = "dll无法加载。";
const COLORREF kRed = RGB(0x80, 0x10, 0x10);   // the test plug-in's frame
const COLORREF kBlue = RGB(0x10, 0x20, 0xC0);

// Sorted as the list shows them: Cat has a picture, nimbus is a DLL without
// one, junk is no DLL at all, abc has no file.
const char* const kListed[] = { "abc", "Cat", "junk", "nimbus" };

std::string TestPluginPath(const char* file)
{
    return harness::TestDataDir() + "settings\\" + file;
}

// A plug-in folder of the dialog's own, which its caller names.
class ProgramFolder {
public:
    ProgramFolder()
    {
        std::string dlls = m_dir / "imagedlls";
        ::CreateDirectoryA(dlls.c_str(), nullptr);
        harness::CopyFileOrFail(TestPluginPath("settings_preview.dll"), dlls + "\\Cat.dll");
        harness::CopyFileOrFail(TestPluginPath("settings_nobitmap.dll"), dlls + "\\nimbus.dll");
        harness::WriteFile(dlls + "\\junk.dll", "not a module");
    }
    std::string Plugins() const { return m_dir / "imagedlls\\"; }

private:
    TempDir m_dir;
};

HWND FindDialog(DWORD timeoutMs = harness::kHung)
{
    HWND found = nullptr;
    harness::WaitFor([&] { return (found = harness::FindProcessWindow(::GetCurrentProcessId(), "#32770", "设置")); },
                     timeoutMs);
    return found;
}

// A message box of this process showing the given text, shown yet or not,
// or null.
HWND FindMessageBox(const char* text)
{
    for (HWND box : harness::ProcessWindows(::GetCurrentProcessId(), "#32770", "Kelmora", nullptr, false)) {
        char got[256] = "";
        ::GetDlgItemTextA(box, 0xFFFF, got, sizeof got);
        if (strcmp(got, text) == 0)
            return box;
    }
    return nullptr;
}

// Waits until the dialog's thread has handled what was sent to it so far:
// a handler that shows a message box handles it in the box's loop, once the
// box is made. Twice, for a handler that waits on another thread first.
void Handled(HWND hDlg)
{
    ::SendMessageA(hDlg, WM_NULL, 0, 0);
    ::SendMessageA(hDlg, WM_NULL, 0, 0);
}

// Answers the "no picture" messages as a user would, one after the other,
// until the dialog's thread has handled everything without showing another;
// returns how many were shown.
int DismissMessages(HWND hDlg)
{
    int count = 0;
    for (;;) {
        Handled(hDlg);
        HWND box = FindMessageBox(kNoDll);
        if (!box)
            return count;
        ++count;
        ::PostMessageA(box, WM_COMMAND, IDOK, 0);
        harness::WaitFor([&] { return !::IsWindow(box); }, harness::kHung);
    }
}

// The messages of the dialog's start, which come before it shows: answered
// until it shows; how many there were.
int DismissStartMessages()
{
    int count = 0;
    for (;;) {
        HWND box = nullptr;
        harness::WaitFor([&] {
            return (box = FindMessageBox(kNoDll)) != nullptr ||
                   harness::FindProcessWindow(::GetCurrentProcessId(), "#32770", "设置");
        }, harness::kHung);
        if (!box)
            return count;
        ++count;
        ::PostMessageA(box, WM_COMMAND, IDOK, 0);
        harness::WaitFor([&] { return !::IsWindow(box); }, harness::kHung);
    }
}

std::string Text(HWND hWnd)
{
    char buf[256] = "";
    ::GetWindowTextA(hWnd, buf, sizeof buf);
    return buf;
}

std::string ListEntry(HWND hList, int i)
{
    char buf[256] = "";
    ::SendMessageA(hList, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf));
    return buf;
}

// Picks an entry as the user would: the list's selection, then its
// notification. Not waited for, since a message box may block the handler;
// Sync after it waits unless a message box is up.
void Pick(HWND hDlg, const char* name)
{
    HWND hList = ::GetDlgItem(hDlg, IDC_CHARACTERS);
    LRESULT i = ::SendMessageA(hList, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(name));
    ASSERT_NE(i, CB_ERR) << name;
    ::SendMessageA(hList, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
    ::SendNotifyMessageA(hDlg, WM_COMMAND, MAKEWPARAM(IDC_CHARACTERS, CBN_SELCHANGE), reinterpret_cast<LPARAM>(hList));
}

// Waits until the dialog's thread has handled what was sent to it so far
// and has painted the dialog and its controls.
void Sync(HWND hDlg)
{
    ::SendMessageA(hDlg, WM_NULL, 0, 0);
    ::RedrawWindow(hDlg, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

COLORREF ClientPixel(HWND hWnd, int x, int y)
{
    HDC hdc = ::GetDC(hWnd);
    COLORREF c = ::GetPixel(hdc, x, y);
    ::ReleaseDC(hWnd, hdc);
    return c;
}

struct DialogRun {
    INT_PTR result = -2;
    bool scriptRan = false;
};

// Runs the dialog modally here while the script drives it from a second
// thread; the script ends it, or the dialog is cancelled after it.
DialogRun RunDialog(CSettingsDlg& dlg, const std::function<void(HWND)>& script, int startMessages = 0)
{
    DialogRun run;
    std::thread driver([&] {
        // A message box of the start comes before the dialog is shown.
        EXPECT_EQ(DismissStartMessages(), startMessages);
        HWND hDlg = FindDialog();
        EXPECT_NE(hDlg, nullptr) << "no settings dialog";
        if (!hDlg)
            return;
        run.scriptRan = true;
        script(hDlg);
        if (!harness::WaitFor([&] { return !::IsWindow(hDlg) || !::IsWindowVisible(hDlg); }, harness::kHung)) {
            ADD_FAILURE() << "the dialog did not end";
            ::PostMessageA(hDlg, WM_COMMAND, IDCANCEL, 0);
        }
    });
    run.result = dlg.DoModal();
    driver.join();
    return run;
}

void Fill(CSettingsDlg& dlg)
{
    dlg.m_names.Add("nimbus");
    dlg.m_names.Add("Cat");
    dlg.m_names.Add("abc");
    dlg.m_names.Add("junk");
    dlg.m_selectedName = "ca";
    dlg.m_chase = 1;
    dlg.m_keepHistory = 0;
    const int version[4] = { 12, 34, 5, 6 };  // shown as "ver 12.345"
    memcpy(dlg.m_version, version, sizeof version);
}

}  // namespace

TEST(SettingsDialog, ShowsSortedListPrefixMatchFlagsAndVersionAndCancelKeepsTheName)
{
    ProgramFolder folder;
    CSettingsDlg dlg;
    Fill(dlg);
    dlg.m_pluginFolder = folder.Plugins().c_str();
    DialogRun run = RunDialog(dlg, [](HWND hDlg) {
        HWND hList = ::GetDlgItem(hDlg, IDC_CHARACTERS);
        ASSERT_EQ(::SendMessageA(hList, CB_GETCOUNT, 0, 0), 4);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(ListEntry(hList, i), kListed[i]);
        EXPECT_EQ(::SendMessageA(hList, CB_GETCURSEL, 0, 0), 1) << "\"ca\" preselects Cat";
        EXPECT_EQ(::IsDlgButtonChecked(hDlg, IDC_CHASE), BST_CHECKED);
        EXPECT_EQ(::IsDlgButtonChecked(hDlg, IDC_KEEPHISTORY), BST_UNCHECKED);
        EXPECT_EQ(Text(::GetDlgItem(hDlg, IDC_VERSION)), "ver 12.345");

        // Typing into the edit field is no choice.
        HWND hEdit = ::GetWindow(hList, GW_CHILD);
        ASSERT_NE(hEdit, nullptr);
        ::SendMessageA(hEdit, WM_CHAR, 'n', 0);
        ::SendMessageA(hEdit, WM_CHAR, 'i', 0);
        Sync(hDlg);

        ::SendMessageA(::GetDlgItem(hDlg, IDC_CHASE), BM_CLICK, 0, 0);
        ::SendMessageA(::GetDlgItem(hDlg, IDC_KEEPHISTORY), BM_CLICK, 0, 0);
        EXPECT_EQ(::IsDlgButtonChecked(hDlg, IDC_CHASE), BST_UNCHECKED);
        EXPECT_EQ(::IsDlgButtonChecked(hDlg, IDC_KEEPHISTORY), BST_CHECKED);
        ::SendMessageA(::GetDlgItem(hDlg, IDCANCEL), BM_CLICK, 0, 0);
    });
    EXPECT_TRUE(run.scriptRan);
    EXPECT_EQ(run.result, IDCANCEL);
    EXPECT_STREQ(dlg.m_selectedName, "ca");
    EXPECT_EQ(dlg.m_chase, 0);
    EXPECT_EQ(dlg.m_keepHistory, 1);
    EXPECT_EQ(dlg.m_hPreview, nullptr) << "the preview goes with the window";
}

TEST(SettingsDialog, OkReturnsThePickedNameAndTheFlags)
{
    ProgramFolder folder;
    CSettingsDlg dlg;
    Fill(dlg);
    dlg.m_pluginFolder = folder.Plugins().c_str();
    DialogRun run = RunDialog(dlg, [](HWND hDlg) {
        ::SendMessageA(::GetDlgItem(hDlg, IDC_KEEPHISTORY), BM_CLICK, 0, 0);
        Pick(hDlg, "abc");
        Sync(hDlg);
        EXPECT_EQ(DismissMessages(hDlg), 0) << "a name without a file is no fault";
        ::SendMessageA(::GetDlgItem(hDlg, IDOK), BM_CLICK, 0, 0);
    });
    EXPECT_EQ(run.result, IDOK);
    EXPECT_STREQ(dlg.m_selectedName, "abc");
    EXPECT_EQ(dlg.m_chase, 1);
    EXPECT_EQ(dlg.m_keepHistory, 1);
}

TEST(SettingsDialog, WithoutPluginsTheListIsEmptyAndOkKeepsTheName)
{
    CSettingsDlg dlg;
    dlg.m_selectedName = "ca";
    int v[4] = { 5, 2, 10, 0 };
    memcpy(dlg.m_version, v, sizeof v);
    DialogRun run = RunDialog(dlg, [](HWND hDlg) {
        HWND hList = ::GetDlgItem(hDlg, IDC_CHARACTERS);
        EXPECT_EQ(::SendMessageA(hList, CB_GETCOUNT, 0, 0), 0);
        EXPECT_EQ(::SendMessageA(hList, CB_GETCURSEL, 0, 0), CB_ERR);
        EXPECT_EQ(Text(::GetDlgItem(hDlg, IDC_VERSION)), "ver 5.210");
        EXPECT_EQ(::IsDlgButtonChecked(hDlg, IDC_CHASE), BST_UNCHECKED);
        ::PostMessageA(hDlg, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(run.result, IDOK);
    EXPECT_STREQ(dlg.m_selectedName, "ca");
}

TEST(SettingsDialog, PreviewIsDrawnTransparentlyAndClearedForACharacterWithoutOne)
{
    ProgramFolder folder;
    CSettingsDlg dlg;
    Fill(dlg);
    dlg.m_pluginFolder = folder.Plugins().c_str();
    dlg.m_selectedName = "Cat";
    HBITMAP shown = nullptr;
    DialogRun run = RunDialog(dlg, [&](HWND hDlg) {
        // Cat: its 32 x 32 frame at (34, 80), the square from 8 to 23 and its
        // centre from 12 to 19 opaque, the rest magenta. The rows read lie
        // below the three-line label, which reaches down to about y 88 with
        // the font Wine substitutes.
        const POINT at = { 34, 80 };
        const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
        auto expectPicture = [&](const char* when) {
            EXPECT_EQ(ClientPixel(hDlg, at.x + 9, at.y + 20), kRed) << when;
            EXPECT_EQ(ClientPixel(hDlg, at.x + 22, at.y + 23), kRed) << when;
            EXPECT_EQ(ClientPixel(hDlg, at.x + 15, at.y + 16), kBlue) << when;
            EXPECT_EQ(ClientPixel(hDlg, at.x + 2, at.y + 20), face) << when << ": magenta is transparent";
            EXPECT_EQ(ClientPixel(hDlg, at.x + 29, at.y + 28), face) << when;
        };
        auto expectNone = [&](const char* when) {
            for (int d : { 12, 16, 22 })
                EXPECT_EQ(ClientPixel(hDlg, at.x + d, at.y + d), face) << when << " at +" << d;
        };
        Sync(hDlg);
        expectPicture("preselected");
        // Every later paint draws the same picture: a window passing over
        // the dialog repaints it again and again.
        for (int i = 0; i < 3; ++i) {
            ::RedrawWindow(hDlg, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
            Sync(hDlg);
        }
        expectPicture("repainted three times");
        shown = dlg.m_hPreview;
        EXPECT_EQ(::GetObjectType(shown), static_cast<DWORD>(OBJ_BITMAP));

        Pick(hDlg, "abc");  // no file: no message, and the old picture goes
        Sync(hDlg);
        EXPECT_EQ(DismissMessages(hDlg), 0);
        EXPECT_EQ(dlg.m_hPreview, nullptr);
        EXPECT_EQ(::GetObjectType(shown), 0u) << "the old preview is deleted";
        expectNone("after abc");

        Pick(hDlg, "Cat");
        Sync(hDlg);
        EXPECT_EQ(DismissMessages(hDlg), 0);
        expectPicture("picked again");

        Pick(hDlg, "nimbus");  // a DLL without the bitmap: one message per change
        EXPECT_EQ(DismissMessages(hDlg), 1);
        Sync(hDlg);
        expectNone("after nimbus");
        Pick(hDlg, "junk");  // not a DLL at all
        EXPECT_EQ(DismissMessages(hDlg), 1);
        Pick(hDlg, "nimbus");
        EXPECT_EQ(DismissMessages(hDlg), 1);
        Sync(hDlg);
        EXPECT_STREQ(dlg.m_selectedName, "nimbus");
        EXPECT_EQ(dlg.m_hPreview, nullptr);

        Pick(hDlg, "Cat");
        Sync(hDlg);
        shown = dlg.m_hPreview;
        ::PostMessageA(hDlg, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(run.result, IDOK);
    EXPECT_STREQ(dlg.m_selectedName, "Cat");
    EXPECT_EQ(dlg.m_hPreview, nullptr);
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(::GetObjectType(shown), 0u) << "the preview is deleted with the window";
}

TEST(SettingsDialog, AtStartOnlyTheSavedNameItselfIsPreviewed)
{
    ProgramFolder folder;
    {
        // "NIM" lists nimbus, but has no file of its own: no message.
        CSettingsDlg dlg;
        Fill(dlg);
        dlg.m_pluginFolder = folder.Plugins().c_str();
        dlg.m_selectedName = "NIM";
        DialogRun run = RunDialog(dlg, [](HWND hDlg) {
            EXPECT_EQ(::SendMessageA(::GetDlgItem(hDlg, IDC_CHARACTERS), CB_GETCURSEL, 0, 0), 3);
            EXPECT_EQ(DismissMessages(hDlg), 0);
            ::PostMessageA(hDlg, WM_COMMAND, IDCANCEL, 0);
        });
        EXPECT_EQ(run.result, IDCANCEL);
        EXPECT_STREQ(dlg.m_selectedName, "NIM");
    }
    {
        // The saved plug-in without a picture says so once, before the dialog shows.
        CSettingsDlg dlg;
        Fill(dlg);
        dlg.m_pluginFolder = folder.Plugins().c_str();
        dlg.m_selectedName = "nimbus";
        DialogRun run = RunDialog(dlg, [](HWND hDlg) {
            EXPECT_EQ(DismissMessages(hDlg), 0);
            ::PostMessageA(hDlg, WM_COMMAND, IDCANCEL, 0);
        }, 1);
        EXPECT_EQ(run.result, IDCANCEL);
    }
}

TEST(SettingsDialog, LinkUnderlinesOnHoverInItsColourAndFreesEveryFont)
{
    ProgramFolder folder;
    CSettingsDlg dlg;
    Fill(dlg);
    dlg.m_pluginFolder = folder.Plugins().c_str();
    DialogRun run = RunDialog(dlg, [&](HWND hDlg) {
        HWND hLink = ::GetDlgItem(hDlg, IDC_HOMEPAGE);
        auto font = [&] { return reinterpret_cast<HFONT>(::SendMessageA(hLink, WM_GETFONT, 0, 0)); };
        auto underlined = [&] {
            LOGFONTA lf = {};
            EXPECT_TRUE(::GetObjectA(font(), sizeof lf, &lf));
            return lf.lfUnderline != 0;
        };
        auto hover = [&](HWND over) {
            return ::SendMessageA(hDlg, WM_SETCURSOR, reinterpret_cast<WPARAM>(over),
                                  MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        };
        HFONT dialogFont = reinterpret_cast<HFONT>(::SendMessageA(hDlg, WM_GETFONT, 0, 0));
        ASSERT_NE(dialogFont, nullptr);
        EXPECT_EQ(font(), dialogFont) << "the link keeps the dialog's font until entered";

        // The cursor is per input queue: share the dialog thread's to see it.
        DWORD dlgThread = ::GetWindowThreadProcessId(hDlg, nullptr);
        ::AttachThreadInput(::GetCurrentThreadId(), dlgThread, TRUE);
        EXPECT_EQ(hover(hLink), TRUE);
        HCURSOR hand = ::LoadCursorA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDCUR_HAND));
        EXPECT_EQ(::GetCursor(), hand);
        ::AttachThreadInput(::GetCurrentThreadId(), dlgThread, FALSE);
        HFONT first = font();
        EXPECT_NE(first, dialogFont);
        EXPECT_TRUE(underlined());
        EXPECT_EQ(hover(hLink), TRUE) << "resting on the link keeps the hand";
        EXPECT_EQ(font(), first) << "no new font while the pointer rests";

        EXPECT_EQ(hover(hDlg), FALSE) << "elsewhere the default sets the cursor";
        EXPECT_FALSE(underlined());
        EXPECT_EQ(::GetObjectType(first), 0u) << "the replaced font is deleted";
        EXPECT_EQ(::GetObjectType(dialogFont), static_cast<DWORD>(OBJ_FONT));

        std::set<HFONT> seen = { first, font() };
        for (int i = 0; i < 1000; ++i) {
            hover(i % 2 ? hDlg : hLink);
            seen.insert(font());
        }
        HFONT last = font();
        EXPECT_FALSE(underlined());
        int alive = 0;
        for (HFONT f : seen)
            alive += ::GetObjectType(f) != 0;
        EXPECT_EQ(alive, 1) << "only the link's current font lives";
        EXPECT_EQ(::GetObjectType(last), static_cast<DWORD>(OBJ_FONT));
        EXPECT_EQ(::GetObjectType(dialogFont), static_cast<DWORD>(OBJ_FONT));

        // Link text in its colour; other statics keep the default.
        HDC hdc = ::CreateCompatibleDC(nullptr);
        ::SetTextColor(hdc, RGB(0, 0, 0));
        LRESULT brush = ::SendMessageA(hDlg, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(hdc),
                                       reinterpret_cast<LPARAM>(hLink));
        EXPECT_NE(brush, 0);
        EXPECT_EQ(::GetTextColor(hdc), RGB(50, 50, 255));
        ::SendMessageA(hDlg, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(hdc),
                       reinterpret_cast<LPARAM>(::GetDlgItem(hDlg, IDC_VERSION)));
        EXPECT_NE(::GetTextColor(hdc), RGB(50, 50, 255));
        ::DeleteDC(hdc);

        ::PostMessageA(hDlg, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(run.result, IDCANCEL);
}

// The program's version block, read the way the settings command reads it:
// from this executable (which links the same resource script) and from the
// built Kelmora.exe itself; each time what the platform reads from the file.
TEST(ReadFileVersion, TakesTheFileVersionOfTheProgramModule)
{
    int version[4];
    auto expectVersionOf = [&version](const std::string& file) {
        harness::FileVersion v = harness::ReadFileVersion(file);
        EXPECT_NE(v.major + v.minor + v.build + v.revision, 0) << file << " has no version";
        EXPECT_EQ(version[0], v.major);
        EXPECT_EQ(version[1], v.minor);
        EXPECT_EQ(version[2], v.build);
        EXPECT_EQ(version[3], v.revision);
    };
    char self[MAX_PATH] = "";
    ::GetModuleFileNameA(nullptr, self, sizeof self);
    memset(version, 0x7F, sizeof version);
    ReadFileVersion(version);
    expectVersionOf(self);

    struct ModuleApp : CWinApp {
    };
    const std::string program = harness::DistDir() + "Kelmora.exe";
    HMODULE exe = ::LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(exe, nullptr);
    {
        ModuleApp app;
        app.m_hInstance = exe;
        memset(version, 0x7F, sizeof version);
        ReadFileVersion(version);
        expectVersionOf(program);
    }
    ::FreeLibrary(exe);

    // A module without a version block leaves zeros, not what was there.
    HMODULE plugin = ::LoadLibraryA(TestPluginPath("settings_nobitmap.dll").c_str());
    ASSERT_NE(plugin, nullptr);
    {
        ModuleApp app;
        app.m_hInstance = plugin;
        memset(version, 0x7F, sizeof version);
        ReadFileVersion(version);
        for (int v : version)
            EXPECT_EQ(v, 0);
    }
    ::FreeLibrary(plugin);
}
