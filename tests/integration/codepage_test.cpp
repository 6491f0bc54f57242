// The program on any Windows language: ctest runs this under several system
// code pages (936, 1252, 950, 932, and 65001 through a copy of the program
// that asks for UTF-8), and each run expects the same: the Chinese texts of
// the windows read in UTF-16 as they hold them, a folder and plug-ins with
// names of any script, the GBK files read and written byte for byte alike,
// and the pasted or typed word reaching the engine as it was.
#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "kelmora_ui.h"

using namespace harness;

namespace {

// Names GBK cannot hold; kept out of the assertions, which quote their
// arguments in GBK.
const wchar_t kKorean[] = L"한글";
const wchar_t kPenguin[] = L"펭귄";

const char kEngines[] =
    "[SERCHCFG0]\r\nSERCH_ENGINE=百度\r\nSERCH_URL=http://www.baidu.com/s?wd=[搜索]\r\nSERCH_STRCHNG=1\r\n"
    "[SERCHCFG1]\r\nSERCH_ENGINE=词典\r\nSERCH_URL=http://dict.example.com/?q=[搜索]\r\nSERCH_STRCHNG=0\r\n";

std::wstring WideText(HWND hWnd)
{
    wchar_t buf[1024] = L"";
    ::SendMessageW(hWnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buf));
    return buf;
}

std::wstring WideEntry(HWND combo, int i)
{
    wchar_t buf[1024] = L"";
    ::SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf));
    return buf;
}

std::vector<std::wstring> WideEntries(HWND combo)
{
    std::vector<std::wstring> entries;
    for (int i = 0; i < ui::ComboCount(combo); ++i)
        entries.push_back(WideEntry(combo, i));
    return entries;
}

// Web addresses go to the recording stand-in while the object lives.
class Recorder {
public:
    explicit Recorder(const std::string& log) : m_log(log)
    {
        wchar_t old[1024] = L"";
        LONG size = sizeof old;
        m_had = ::RegQueryValueW(HKEY_CLASSES_ROOT, kKey, old, &size) == ERROR_SUCCESS;
        m_old = old;
        std::wstring command = L"\"" + Wide(KELMORA_RECORD_EXE) + L"\" \"%1\"";
        ::RegSetValueW(HKEY_CLASSES_ROOT, kKey, REG_SZ, command.c_str(), 0);
        ::SetEnvironmentVariableW(L"KELMORA_RECORD", Wide(log).c_str());
    }
    ~Recorder()
    {
        ::SetEnvironmentVariableW(L"KELMORA_RECORD", nullptr);
        if (m_had)
            ::RegSetValueW(HKEY_CLASSES_ROOT, kKey, REG_SZ, m_old.c_str(), 0);
        else
            ::RegDeleteKeyW(HKEY_CLASSES_ROOT, kKey);
    }
    // The command lines recorded, in GBK.
    std::string Lines() const { return FileExists(m_log) ? ReadFile(m_log) : std::string(); }
    bool Saw(const std::string& url) const
    {
        return WaitFor([&] { return Lines().find(url) != std::string::npos; });
    }

private:
    static constexpr const wchar_t* kKey = L"http\\shell\\open\\command";
    std::string m_log;
    std::wstring m_old;
    bool m_had = false;
};

// The program in a folder named in Chinese, with its files as a 936 system
// wrote them and three plug-ins: 企鹅 (the cat), one whose name GBK cannot
// hold (the cloud) and 坏, which is no DLL.
struct Folder {
    TempDir temp;
    std::string dir = temp / "伙伴 文件夹\\";
    Program program{ dir };

    Folder()
    {
        EXPECT_TRUE(::CreateDirectoryW(Wide(dir).c_str(), nullptr));
        Program::Install(dir);
        ::CreateDirectoryW(Wide(dir + "imagedlls").c_str(), nullptr);
        CopyFileOrFail(SamplePlugin("cat"), dir + "imagedlls\\企鹅.dll");
        EXPECT_TRUE(::CopyFileW(Wide(SamplePlugin("nimbus")).c_str(), (Wide(dir) + L"imagedlls\\" + kPenguin + L".dll").c_str(),
                                FALSE));
        WriteFile(dir + "imagedlls\\坏.dll", "not a module");
        WriteFile(dir + "搜索URL.ini", kEngines);
        WriteFile(dir + "search.txt", "旧词\r\nold\r\n");
        WriteFile(dir + "zel.ini", "[SETTEI]\r\nSELECTEDDOLLNAME=企鹅\r\n");
    }
    ~Folder()
    {
        if (program.Running())
            program.Close();
    }

    std::set<std::wstring> Files() const
    {
        std::set<std::wstring> names;
        WIN32_FIND_DATAW fd;
        HANDLE h = ::FindFirstFileW((Wide(dir) + L"*").c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE)
            return names;
        do {
            if (wcscmp(fd.cFileName, L".") != 0 && wcscmp(fd.cFileName, L"..") != 0)
                names.insert(fd.cFileName);
        } while (::FindNextFileW(h, &fd));
        ::FindClose(h);
        return names;
    }
};

void Enter(HWND box)
{
    ui::Key(::FindWindowExW(::GetDlgItem(box, IDC_HISTORY), nullptr, L"Edit", nullptr), VK_RETURN);
}

void Search(HWND box, const std::wstring& word)
{
    ::SendMessageW(::GetDlgItem(box, IDC_HISTORY), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(word.c_str()));
    Enter(box);
}

void PutOnClipboard(const std::wstring& text)
{
    ASSERT_TRUE(::OpenClipboard(nullptr));
    ::EmptyClipboard();
    size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL mem = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
    memcpy(::GlobalLock(mem), text.c_str(), bytes);
    ::GlobalUnlock(mem);
    ::SetClipboardData(CF_UNICODETEXT, mem);
    ::CloseClipboard();
}

// Picks the entry as a user would; not waited for, a message box may come.
bool Pick(HWND dlg, const std::wstring& name)
{
    HWND combo = ::GetDlgItem(dlg, IDC_CHARACTERS);
    std::vector<std::wstring> names = WideEntries(combo);
    auto at = std::find(names.begin(), names.end(), name);
    if (at == names.end())
        return false;
    ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(at - names.begin()), 0);
    ::PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDC_CHARACTERS, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    return true;
}

// The program's message box with the text, answered as a user would.
bool AnswerMessage(DWORD pid, const std::string& text)
{
    HWND box = nullptr;
    bool found = WaitFor([&] {
        for (HWND h : ProcessWindows(pid, "#32770", "Kelmora")) {
            wchar_t got[256] = L"";
            if (::GetDlgItemTextW(h, 0xFFFF, got, 256) && Gbk(got) == text)
                box = h;
        }
        return box != nullptr;
    });
    if (found)
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    return found;
}

}  // namespace

TEST(CodePage, TextsFilesAndSearchesAreTheSameOnEverySystem)
{
    Folder run;
    Recorder recorder(run.temp / "launched.txt");
    ASSERT_TRUE(SetFileVersion(run.dir + "Kelmora.exe", FileVersion{ 7, 8, 9, 1 }));
    ASSERT_TRUE(run.program.Start());
    HWND doll = run.program.Doll();
    int frame = -1;
    EXPECT_TRUE(WaitFor([&] { return ui::ShowsFrameOf(doll, SamplePlugin("cat"), &frame); }))
        << "企鹅.dll is not shown";

    // The files of a 936 system, read.
    HWND box = run.program.SearchBox();
    ASSERT_NE(box, nullptr);
    HWND combo = ::GetDlgItem(box, IDC_HISTORY);
    EXPECT_EQ(WideText(::GetDlgItem(box, IDC_ENGINE)), L"百度");
    EXPECT_EQ(WideEntries(combo), (std::vector<std::wstring>{ L"旧词", L"old" }));
    // Words pasted and typed: as UTF-8 to the converting engine, whatever
    // GBK holds of them; as typed to the other.
    ::SendMessageW(::GetDlgItem(box, IDC_AUTOPASTE), BM_SETCHECK, BST_CHECKED, 0);
    PutOnClipboard(L"汉字测试");
    ASSERT_TRUE(ui::OpenBox(doll, box));
    EXPECT_EQ(WideText(::GetDlgItem(box, IDC_PROMPT)), L"喵，要搜索什么？");
    ASSERT_TRUE(WaitFor([&] { return WideText(combo) == L"汉字测试"; })) << ui::Text(combo);
    Enter(box);
    EXPECT_TRUE(recorder.Saw("http://www.baidu.com/s?wd=%E6%B1%89%E5%AD%97%E6%B5%8B%E8%AF%95")) << recorder.Lines();
    Search(box, kKorean);
    EXPECT_TRUE(recorder.Saw("http://www.baidu.com/s?wd=%ED%95%9C%EA%B8%80")) << recorder.Lines();
    ::SendMessageW(box, WM_COMMAND, ID_ENGINE_FIRST + 1, 0);
    EXPECT_EQ(WideText(::GetDlgItem(box, IDC_ENGINE)), L"词典");
    Search(box, L"中文");
    EXPECT_TRUE(recorder.Saw("http://dict.example.com/?q=中文")) << recorder.Lines();
    const std::vector<std::wstring> history = { L"中文", kKorean, L"汉字测试", L"旧词", L"old" };
    EXPECT_EQ(WideEntries(combo), history);
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindowVisible(box); }));

    // The settings dialog: its list, its version, its message; the plug-in
    // GBK cannot name is chosen.
    ui::Command(doll, ID_DOLL_SETTINGS);
    HWND dlg = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (dlg = FindProcessWindow(run.program.Pid(), "#32770", "设置")) != nullptr; }));
    std::vector<std::wstring> listed = WideEntries(::GetDlgItem(dlg, IDC_CHARACTERS));
    std::sort(listed.begin(), listed.end());
    std::vector<std::wstring> expected = { L"企鹅", L"坏", kPenguin };
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(listed, expected);
    EXPECT_EQ(ui::Text(::GetDlgItem(dlg, IDC_VERSION)), "ver 7.89");
    ASSERT_TRUE(Pick(dlg, L"坏"));
    EXPECT_TRUE(AnswerMessage(run.program.Pid(), "dll无法加载。"));
    ASSERT_TRUE(Pick(dlg, kPenguin));
    ::PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dlg, IDOK)));
    EXPECT_TRUE(WaitFor([&] { return ui::ShowsFrameOf(doll, SamplePlugin("nimbus"), &frame); }))
        << "the plug-in GBK cannot name is not shown";
    ASSERT_TRUE(run.program.Close());

    // The files, byte for byte as a 936 system writes them; no other file.
    EXPECT_EQ(ReadFile(run.dir + "search.txt"), "中文\r\n&#54620;&#44544;\r\n汉字测试\r\n旧词\r\nold\r\n");
    EXPECT_EQ(ReadFile(run.dir + "搜索URL.ini"), kEngines);
    // The box's rectangle and the doll's visibility at exit are as they were.
    std::vector<std::string> rect = IniSection(run.dir + "zel.ini", "RECT");
    std::vector<std::string> settings = IniSection(run.dir + "zel.ini", "SETTEI");
    ASSERT_EQ(rect.size(), 4u);
    ASSERT_EQ(settings.size(), 5u);
    EXPECT_EQ(ReadFile(run.dir + "zel.ini"),
              "[RECT]\r\n" + rect[0] + "\r\n" + rect[1] + "\r\n" + rect[2] + "\r\n" + rect[3] +
                  "\r\n[SETTEI]\r\nRIREKION=1\r\nCHASE=1\r\nSELECTEDDOLLNAME=&#54189;&#44484;\r\nZJIKU=1\r\n" +
                  settings[4] + "\r\n");
    EXPECT_EQ(rect[0].substr(0, 5), "LEFT=");
    EXPECT_EQ(settings[4].substr(0, 10), "WINJOUTAI=");
    EXPECT_EQ(run.Files(), (std::set<std::wstring>{ L"Kelmora.exe", L"imagedlls", L"search.txt", L"zel.ini",
                                                     L"搜索URL.ini" }));

    // The next start finds the plug-in again by the name it stored.
    Program again(run.dir);
    ASSERT_TRUE(again.Start());
    EXPECT_TRUE(WaitFor([&] { return ui::ShowsFrameOf(again.Doll(), SamplePlugin("nimbus"), &frame); }));
    EXPECT_TRUE(again.Close());
}
