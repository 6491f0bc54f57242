// The program's three files damaged or hostile: random bytes, cut in the
// middle of a double-byte character, 100 MB, a folder of the same name,
// read-only, held locked at start. Each time the program starts, shows the
// doll and ends cleanly, and what the user had is still there: a file is
// either written whole or left as it was.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "inside.h"
#include "kelmora_ui.h"

using namespace harness;

namespace {

const char kSettings[] = "zel.ini";
const char kEngines[] = "搜索URL.ini";
const char kHistory[] = "search.txt";

struct DamagedRun : Installed {
    std::string Path(const char* name) const { return dir / name; }

    // Starts the program and waits until the doll is on the screen.
    void StartAndSeeDoll(DWORD timeoutMs = kStartHung)
    {
        ASSERT_TRUE(program.Start(timeoutMs));
        HWND doll = program.Doll();
        EXPECT_TRUE(WaitFor([&] {
            RECT rc = ui::WindowRect(doll);
            return ::IsWindowVisible(doll) && rc.right > rc.left && rc.bottom > rc.top;
        }, kHung)) << "no doll on the screen";
    }
    // What the user does before leaving: the doll goes to the bottom (the
    // settings change) and the first history entry, if any, is deleted.
    void ChangeSomething()
    {
        HWND doll = program.Doll();
        ::SendMessageA(doll, WM_COMMAND, ID_DOLL_BOTTOM, 0);
        ::SendMessageA(doll, WM_COMMAND, ID_HISTORY_FIRST, 0);
    }
    // Starts on these settings and changes something, so that the exit writes.
    void StartChanged(const std::string& settings)
    {
        WriteFile(Path(kSettings), settings);
        StartAndSeeDoll();
        ChangeSomething();
    }
    void Exit(DWORD timeoutMs = 120000)
    {
        ASSERT_TRUE(program.Close(timeoutMs)) << "the program does not end";
        EXPECT_EQ(program.ExitCode(), 0u);
        EXPECT_FALSE(FileExists(Path(kHistory) + ".new")) << "a half-written history is left behind";
    }
    std::string EngineLabel() const { return ui::Text(::GetDlgItem(program.SearchBox(), IDC_ENGINE)); }
};

// The same bytes every run.
std::string RandomBytes(size_t n, unsigned seed)
{
    std::string s(n, '\0');
    for (char& c : s) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 16);
    }
    return s;
}

// Text of the system code page that a list box can hold as it is.
bool IsPlainText(const std::string& s)
{
    if (s.find('\0') != std::string::npos || s.find('\r') != std::string::npos)
        return false;
    return s.empty() || ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, s.data(), static_cast<int>(s.size()),
                                              nullptr, 0) > 0;
}

std::string Value(const std::string& path, const std::string& section, const std::string& key)
{
    for (const std::string& line : IniSection(path, section))
        if (line.compare(0, key.size() + 1, key + "=") == 0)
            return line.substr(key.size() + 1);
    return "<none>";
}

// The settings the program writes after ChangeSomething, in its order.
void ExpectSettingsWritten(const std::string& path, const char* chase = "1")
{
    std::vector<std::string> keys = IniSection(path, "SETTEI");
    ASSERT_EQ(keys.size(), 5u) << path;
    EXPECT_EQ(keys[0], "RIREKION=1");
    EXPECT_EQ(keys[1], std::string("CHASE=") + chase);
    EXPECT_EQ(keys[3], "ZJIKU=0");
    EXPECT_EQ(keys[4].substr(0, 10), "WINJOUTAI=");
}

void ExpectBuiltInEngines(const std::string& path)
{
    EXPECT_EQ(IniSections(path), (std::vector<std::string>{ "SERCHCFG0", "SERCHCFG1", "SERCHCFG2", "SERCHCFG3" }));
    EXPECT_EQ(Value(path, "SERCHCFG0", "SERCH_ENGINE"), "google");
    EXPECT_EQ(Value(path, "SERCHCFG3", "SERCH_ENGINE"), "alc英和");
}

class Attributes {
public:
    Attributes(const std::string& path, DWORD attributes) : m_path(path)
    {
        EXPECT_TRUE(::SetFileAttributesA(path.c_str(), attributes)) << path;
    }
    ~Attributes() { ::SetFileAttributesA(m_path.c_str(), FILE_ATTRIBUTE_NORMAL); }

private:
    std::string m_path;
};

}  // namespace

TEST(DamagedFiles, RandomBytesInEachFile)
{
    DamagedRun run;
    const std::string history = RandomBytes(64 * 1024, 3);
    WriteFile(run.Path(kSettings), RandomBytes(64 * 1024, 1));
    WriteFile(run.Path(kEngines), RandomBytes(64 * 1024, 2));
    WriteFile(run.Path(kHistory), history);
    run.StartAndSeeDoll();
    EXPECT_EQ(run.EngineLabel(), "google");
    run.ChangeSomething();
    run.Exit();

    ExpectSettingsWritten(run.Path(kSettings));
    ExpectBuiltInEngines(run.Path(kEngines));
    // Every line is still a line, the first one deleted; lines that were
    // plain text come back byte for byte.
    std::vector<std::string> before = TextLines(history), after = TextLines(ReadFile(run.Path(kHistory)));
    ASSERT_EQ(after.size() + 1, before.size());
    int plain = 0;
    for (size_t i = 0; i < after.size(); ++i) {
        if (IsPlainText(before[i + 1])) {
            EXPECT_EQ(after[i], before[i + 1]) << "line " << i + 1;
            ++plain;
        }
    }
    EXPECT_GT(plain, 0);
    EXPECT_EQ(ReadFile(run.Path(kHistory)).substr(ReadFile(run.Path(kHistory)).size() - 2), "\r\n");
}

TEST(DamagedFiles, EachFileEndsInHalfADoubleByteCharacter)
{
    DamagedRun run;
    const std::string half = std::string("咪").substr(0, 1);
    WriteFile(run.Path(kSettings), "[SETTEI]\r\nCHASE=2\r\nSELECTEDDOLLNAME=猫" + half);
    WriteFile(run.Path(kEngines),
              "[SERCHCFG0]\r\nSERCH_ENGINE=谷歌\r\nSERCH_STRCHNG=1\r\nSERCH_URL=http://g.cn/?q=[搜索]&x=中" + half);
    WriteFile(run.Path(kHistory), "中文\r\n第二行\r\nab" + half);
    run.StartAndSeeDoll();
    EXPECT_EQ(run.EngineLabel(), "谷歌");
    run.ChangeSomething();
    run.Exit();

    ExpectSettingsWritten(run.Path(kSettings), "2");
    EXPECT_EQ(Value(run.Path(kSettings), "SETTEI", "SELECTEDDOLLNAME").substr(0, 2), "猫");
    EXPECT_EQ(Value(run.Path(kEngines), "SERCHCFG0", "SERCH_ENGINE"), "谷歌");
    const std::string url = "http://g.cn/?q=[搜索]&x=中";
    EXPECT_EQ(Value(run.Path(kEngines), "SERCHCFG0", "SERCH_URL").substr(0, url.size()), url);
    EXPECT_EQ(Value(run.Path(kEngines), "SERCHCFG0", "SERCH_STRCHNG"), "1");
    std::vector<std::string> after = TextLines(ReadFile(run.Path(kHistory)));
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(after[0], "第二行");
    EXPECT_EQ(after[1].substr(0, 2), "ab");
}

// Made here, in the test's folder, and gone with it.
TEST(DamagedFiles, HundredMegabytesEach)
{
    const size_t kSize = 100u << 20;
    DamagedRun run;
    std::string filler = "n=" + std::string(96, 'x') + "\r\n";  // 100 bytes a line
    std::string big;
    big.reserve(kSize + 200);
    big = "[SETTEI]\r\nCHASE=2\r\n[NOTES]\r\n";
    while (big.size() < kSize)
        big += filler;
    WriteFile(run.Path(kSettings), big);
    big = "[SERCHCFG0]\r\nSERCH_ENGINE=谷歌\r\nSERCH_URL=http://g.cn/?q=[搜索]\r\n[NOTES]\r\n";
    while (big.size() < kSize)
        big += filler;
    WriteFile(run.Path(kEngines), big);
    std::string history;
    history.reserve(kSize);
    for (int i = 0; history.size() < kSize; ++i)
        history += "w" + std::to_string(i) + std::string(90, 'w') + "\r\n";
    WriteFile(run.Path(kHistory), history);
    big.clear();

    run.StartAndSeeDoll(300000);
    EXPECT_EQ(run.EngineLabel(), "谷歌");
    run.ChangeSomething();
    run.Exit(300000);

    ExpectSettingsWritten(run.Path(kSettings), "2");
    std::vector<std::string> notes = IniSection(run.Path(kSettings), "NOTES");
    EXPECT_GE(notes.size(), kSize / 100 - 1);
    EXPECT_EQ(notes.back(), "n=" + std::string(96, 'x'));
    EXPECT_EQ(Value(run.Path(kEngines), "SERCHCFG0", "SERCH_ENGINE"), "谷歌");
    EXPECT_GE(IniSection(run.Path(kEngines), "NOTES").size(), kSize / 100 - 1);
    // Far more than the list holds: the file keeps every line. (Compared as
    // a whole: a printed difference of 100 MB would not fit in memory.)
    std::string after = ReadFile(run.Path(kHistory));
    EXPECT_TRUE(after == history) << after.size() << " bytes, " << history.size() << " before";
}

TEST(DamagedFiles, FolderOfTheSameNameIsLeftAlone)
{
    DamagedRun run;
    for (const char* name : { kSettings, kEngines, kHistory }) {
        ASSERT_TRUE(::CreateDirectoryA(run.Path(name).c_str(), nullptr));
        WriteFile(run.Path(name) + "\\inside.txt", "kept");
    }
    run.StartAndSeeDoll();
    EXPECT_EQ(run.EngineLabel(), "google");
    run.ChangeSomething();
    run.Exit();
    for (const char* name : { kSettings, kEngines, kHistory }) {
        DWORD attributes = ::GetFileAttributesA(run.Path(name).c_str());
        EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) << name;
        EXPECT_EQ(ReadFile(run.Path(name) + "\\inside.txt"), "kept") << name;
    }
}

TEST(DamagedFiles, ReadOnlyFilesAreNotWritten)
{
    DamagedRun run;
    const std::string settings = "[SETTEI]\r\nRIREKION=1\r\nCHASE=2\r\nZJIKU=1\r\nMINE=yes\r\n";
    const std::string engines = "[SERCHCFG0]\r\nSERCH_ENGINE=e\r\nSERCH_URL=http://e/?q=[搜索]\r\n";
    const std::string history = "one\r\ntwo\r\n";
    WriteFile(run.Path(kSettings), settings);
    WriteFile(run.Path(kEngines), engines);
    WriteFile(run.Path(kHistory), history);
    {
        Attributes a(run.Path(kSettings), FILE_ATTRIBUTE_READONLY);
        Attributes b(run.Path(kEngines), FILE_ATTRIBUTE_READONLY);
        Attributes c(run.Path(kHistory), FILE_ATTRIBUTE_READONLY);
        run.StartAndSeeDoll();
        EXPECT_EQ(run.EngineLabel(), "e");
        run.ChangeSomething();
        run.Exit();
        for (const char* name : { kSettings, kEngines, kHistory })
            EXPECT_TRUE(::GetFileAttributesA(run.Path(name).c_str()) & FILE_ATTRIBUTE_READONLY) << name;
    }
    EXPECT_EQ(ReadFile(run.Path(kSettings)), settings);
    EXPECT_EQ(ReadFile(run.Path(kEngines)), engines);
    EXPECT_EQ(ReadFile(run.Path(kHistory)), history);
}

// Windows does not honour the read-only attribute on a folder: the files in
// it are written as in any other, the user's change with them.
TEST(DamagedFiles, ReadOnlyFolderIsWrittenAsAnyOther)
{
    DamagedRun run;
    WriteFile(run.Path(kHistory), "one\r\ntwo\r\n");
    std::string folder = run.dir.Path().substr(0, run.dir.Path().size() - 1);
    {
        Attributes a(folder, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY);
        run.StartAndSeeDoll();
        run.ChangeSomething();
        run.Exit();
    }
    EXPECT_EQ(ReadFile(run.Path(kHistory)), "two\r\n");
    ExpectSettingsWritten(run.Path(kSettings));
    ExpectBuiltInEngines(run.Path(kEngines));
}

// Another program holds the files while the doll starts, and lets go: what
// the doll could not read, it does not replace with defaults or nothing.
TEST(DamagedFiles, FilesHeldAtStartAreNotReplaced)
{
    DamagedRun run;
    const std::string settings = "[SETTEI]\r\nCHASE=2\r\nSELECTEDDOLLNAME=cat\r\n";
    const std::string engines = "[SERCHCFG0]\r\nSERCH_ENGINE=e\r\nSERCH_URL=http://e/?q=[搜索]\r\n";
    const std::string history = "one\r\ntwo\r\n";
    WriteFile(run.Path(kSettings), settings);
    WriteFile(run.Path(kEngines), engines);
    WriteFile(run.Path(kHistory), history);
    std::vector<HANDLE> held;
    for (const char* name : { kSettings, kEngines, kHistory })
        held.push_back(::CreateFileA(run.Path(name).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    for (HANDLE h : held)
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
    run.StartAndSeeDoll();
    EXPECT_EQ(run.EngineLabel(), "google");
    for (HANDLE h : held)
        ::CloseHandle(h);
    run.ChangeSomething();
    run.Exit();
    EXPECT_EQ(ReadFile(run.Path(kHistory)), history);
    EXPECT_EQ(IniSection(run.Path(kEngines), "SERCHCFG0"),
              (std::vector<std::string>{ "SERCH_ENGINE=e", "SERCH_URL=http://e/?q=[搜索]" }));
    EXPECT_EQ(Value(run.Path(kSettings), "SETTEI", "SELECTEDDOLLNAME"), "cat");
    EXPECT_EQ(Value(run.Path(kSettings), "SETTEI", "CHASE"), "2");
}

// A backup or sync tool holds the files open at exit, letting them be read
// and written but not deleted: the doll cannot put the new files in their
// place, and writes them in place instead.
TEST(DamagedFiles, FilesHeldAtExitAreWrittenInPlace)
{
    DamagedRun run;
    WriteFile(run.Path(kSettings), "[SETTEI]\r\nZJIKU=1\r\n");
    WriteFile(run.Path(kHistory), "one\r\ntwo\r\n");
    run.StartAndSeeDoll();
    run.ChangeSomething();
    std::vector<HANDLE> held;
    for (const char* name : { kSettings, kHistory })
        held.push_back(::CreateFileW(Wide(run.Path(name)).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, 0, nullptr));
    for (HANDLE h : held)
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
    run.Exit();
    // What the tool holds open is the file written.
    for (size_t i = 0; i < held.size(); ++i) {
        char bytes[256] = "";
        DWORD got = 0;
        ::SetFilePointer(held[i], 0, nullptr, FILE_BEGIN);
        EXPECT_TRUE(::ReadFile(held[i], bytes, sizeof bytes, &got, nullptr));
        EXPECT_EQ(std::string(bytes, got), ReadFile(run.Path(i ? kHistory : kSettings)));
        ::CloseHandle(held[i]);
    }
    ExpectSettingsWritten(run.Path(kSettings));
    EXPECT_EQ(ReadFile(run.Path(kHistory)), "two\r\n");
    EXPECT_FALSE(FileExists(run.Path(kSettings) + ".new"));
}

// A doll that ends while it writes a file's new text (a crash, the task
// manager) leaves none of it for the next start to take for the file.
TEST(DamagedFiles, AnEndWhileWritingLeavesNoHalfNewFile)
{
    DamagedRun run;
    const std::string settings = "[SETTEI]\r\nZJIKU=1\r\n";
    run.StartChanged(settings);
    ui::Inside in(run.program.Doll());
    ASSERT_TRUE(in.Hooked());
    in.EndInNewFile();
    ::PostMessageA(run.program.Doll(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(run.program.WaitExit(kHung));
    ASSERT_EQ(run.program.ExitCode(), 3u) << "never killed in a write";
    for (const char* name : { kSettings, kHistory, kEngines })
        EXPECT_FALSE(FileExists(run.Path(name) + ".new")) << name;
    EXPECT_EQ(ReadFile(run.Path(kSettings)), settings);
}

// One that cannot be written at all: the user is told, once, and the new
// text is kept beside it. A start meanwhile waits for the doll to end, and
// reads what was kept.
TEST(DamagedFiles, AFileThatCannotBeWrittenAtExitIsToldAndReadAtTheNextStart)
{
    DamagedRun run;
    const std::string settings = "[SETTEI]\r\nZJIKU=1\r\n";
    run.StartChanged(settings);
    ui::Inside in(run.program.Doll());
    ASSERT_TRUE(in.Hooked());
    HANDLE held = ::CreateFileW(Wide(run.Path(kSettings)).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    size_t from = in.Size();
    ::PostMessageA(run.program.Doll(), WM_CLOSE, 0, 0);
    HWND message = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (message = FindProcessWindow(run.program.Pid(), "#32770", "Kelmora")) != nullptr; }))
        << "nobody told";
    std::string text = ui::Text(::GetDlgItem(message, 0xFFFF));
    EXPECT_NE(text.find("\\zel.ini\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\\zel.ini.new"), std::string::npos) << text;
    EXPECT_EQ(ReadFile(run.Path(kSettings)), settings);
    ExpectSettingsWritten(run.Path(kSettings) + ".new");

    Program next(run.dir.Path());
    bool shown = false;
    std::thread starting([&] { shown = next.Start(); });
    EXPECT_TRUE(in.WaitEvent(from, EV_WOKEN)) << "the new start never asked";
    EXPECT_TRUE(run.program.Running());
    EXPECT_EQ(FindProcessWindow(0, "#32770", ""), nullptr) << "a doll before the first one ended";
    ::CloseHandle(held);
    ::PostMessageA(message, WM_COMMAND, IDOK, 0);
    starting.join();
    ASSERT_TRUE(run.program.WaitExit(kHung));
    EXPECT_EQ(run.program.ExitCode(), 0u);
    ASSERT_TRUE(shown) << "no doll after the wait";
    ASSERT_TRUE(next.Close());
    ExpectSettingsWritten(run.Path(kSettings));
    EXPECT_FALSE(FileExists(run.Path(kSettings) + ".new"));
}
