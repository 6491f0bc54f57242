// Hostile character plug-ins through the real program: frames of 0 x 0,
// 1 x 10000 and 4096 x 4096 pixels, frames of 1 and 32 bits a pixel, bitmap
// resources of garbage, files that are no DLL. Each bad frame has its "error
// message" box, answered here as a user would; a character with nothing to
// show is refused for the built-in one; nothing crashes.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "kelmora_ui.h"

using namespace harness;

namespace {

// Answers the program's message boxes from a second thread, as a user
// pressing OK, and keeps their captions and texts.
class BoxAnswerer {
public:
    explicit BoxAnswerer(const Program& program) : m_program(program), m_thread([this] { Run(); }) {}
    ~BoxAnswerer()
    {
        m_stop = true;
        m_thread.join();
    }
    std::vector<std::string> Texts(const char* caption)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::vector<std::string> texts;
        for (const auto& box : m_boxes)
            if (box.first == caption)
                texts.push_back(box.second);
        return texts;
    }
    size_t Count()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_boxes.size();
    }

private:
    struct Search {
        DWORD pid;
        HWND found;
    };
    // A message box: a dialog with the text control of id 0xFFFF.
    static BOOL CALLBACK FindBox(HWND hWnd, LPARAM lParam)
    {
        Search* s = reinterpret_cast<Search*>(lParam);
        DWORD pid = 0;
        ::GetWindowThreadProcessId(hWnd, &pid);
        char cls[16] = "";
        ::GetClassNameA(hWnd, cls, sizeof cls);
        if (pid == s->pid && ::IsWindowVisible(hWnd) && strcmp(cls, "#32770") == 0 && ::GetDlgItem(hWnd, 0xFFFF)) {
            s->found = hWnd;
            return FALSE;
        }
        return TRUE;
    }
    void Run()
    {
        while (!m_stop) {
            Search s = { m_program.Pid(), nullptr };
            if (s.pid)
                ::EnumWindows(&FindBox, reinterpret_cast<LPARAM>(&s));
            if (s.found) {
                // Kept before it is answered: once the program has gone on,
                // the box is among them.
                {
                    std::lock_guard<std::mutex> lock(m_mutex);
                    m_boxes.emplace_back(ui::Text(s.found), ui::Text(::GetDlgItem(s.found, 0xFFFF)));
                }
                ::PostMessageA(s.found, WM_COMMAND, IDOK, 0);
                // The same box answers until its loop has ended.
                while (::IsWindow(s.found) && !m_stop)
                    ::Sleep(10);
            }
            ::Sleep(20);
        }
    }
    const Program& m_program;
    std::atomic<bool> m_stop{ false };
    std::mutex m_mutex;
    std::vector<std::pair<std::string, std::string>> m_boxes;
    std::thread m_thread;
};

struct HostileRun : Installed {
    HostileRun() : Installed(WithCharacters) {}
    // The plug-in of that name from the test plug-ins, selected in the settings file.
    void Select(const std::string& name, bool fromTestData = true)
    {
        if (fromTestData)
            AddPlugin(TestPlugin(name), name);
        WriteFile(dir / "zel.ini", "[SETTEI]\r\nSELECTEDDOLLNAME=" + name + "\r\n");
    }
};

SIZE WindowSize(HWND hWnd)
{
    RECT rc = ui::WindowRect(hWnd);
    return SIZE{ rc.right - rc.left, rc.bottom - rc.top };
}

// The doll window's shape, as the platform holds it (null: none).
HRGN WindowShape(HWND hWnd)
{
    HRGN rgn = ::CreateRectRgn(0, 0, 0, 0);
    if (::GetWindowRgn(hWnd, rgn) == ERROR) {
        ::DeleteObject(rgn);
        return nullptr;
    }
    return rgn;
}

// Waits until the window has the expected shape, which it then deletes.
bool ShapeIs(HWND hWnd, HRGN expected)
{
    bool same = WaitFor([&] {
        HRGN shape = WindowShape(hWnd);
        bool equal = shape && ::EqualRgn(shape, expected);
        if (shape)
            ::DeleteObject(shape);
        return equal;
    });
    ::DeleteObject(expected);
    return same;
}

HRGN Rects(std::initializer_list<RECT> rects)
{
    HRGN rgn = ::CreateRectRgn(0, 0, 0, 0);
    for (const RECT& r : rects) {
        HRGN part = ::CreateRectRgn(r.left, r.top, r.right, r.bottom);
        ::CombineRgn(rgn, rgn, part, RGN_OR);
        ::DeleteObject(part);
    }
    return rgn;
}

// The opaque pixels of a bitmap resource as the build wrote it, read here:
// 1 bit (palette entry 1 opaque) or 32 bits (all but magenta), rows bottom up.
HRGN OpaquePixels(const std::string& dib)
{
    auto u32 = [&](size_t at) { return static_cast<uint32_t>(static_cast<unsigned char>(dib[at]) |
                                                            static_cast<unsigned char>(dib[at + 1]) << 8 |
                                                            static_cast<unsigned char>(dib[at + 2]) << 16 |
                                                            static_cast<unsigned char>(dib[at + 3]) << 24); };
    int w = static_cast<int>(u32(4)), h = static_cast<int>(u32(8)), bpp = static_cast<unsigned char>(dib[14]);
    size_t bits = 40 + (bpp == 1 ? 8 : 0);
    size_t stride = ((static_cast<size_t>(w) * bpp + 31) / 32) * 4;
    HRGN rgn = ::CreateRectRgn(0, 0, 0, 0);
    for (int y = 0; y < h; ++y) {
        const unsigned char* row = reinterpret_cast<const unsigned char*>(dib.data()) + bits + stride * (h - 1 - y);
        for (int x = 0; x < w; ++x) {
            bool opaque = bpp == 1 ? (row[x / 8] & (0x80 >> (x % 8))) != 0
                                   : !(row[4 * x] == 255 && row[4 * x + 1] == 0 && row[4 * x + 2] == 255);
            if (opaque) {
                HRGN px = ::CreateRectRgn(x, y, x + 1, y + 1);
                ::CombineRgn(rgn, rgn, px, RGN_OR);
                ::DeleteObject(px);
            }
        }
    }
    return rgn;
}

// The system's own text for "no error", which no error box may show.
std::string SuccessText()
{
    char* text = nullptr;
    ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, ERROR_SUCCESS, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&text),
                     0, nullptr);
    std::string s = text ? text : "";
    if (text)
        ::LocalFree(text);
    return s;
}

void ExpectBuiltInCharacter(HWND doll)
{
    SIZE size = WindowSize(doll);
    EXPECT_EQ(size.cx, 32);
    EXPECT_EQ(size.cy, 32);
    HRGN shape = WindowShape(doll);
    EXPECT_NE(shape, nullptr);
    if (shape)
        ::DeleteObject(shape);
}

}  // namespace

// Big and odd frames are frames like any other: shown with their shapes,
// and no box.
TEST(HostilePlugins, HugeTallOneBitAndThirtyTwoBitFramesAreShown)
{
    struct Case {
        const char* name;
        SIZE size;
        HRGN shape;
    };
    std::string onebit = ReadFile(TestDataDir() + "hostile\\onebit.dib");
    std::string thirtytwo = ReadFile(TestDataDir() + "hostile\\thirtytwo.dib");
    ASSERT_FALSE(onebit.empty());
    ASSERT_FALSE(thirtytwo.empty());
    Case cases[] = {
        { "t_huge", { 4096, 4096 }, Rects({ { 1024, 1024, 3072, 3072 } }) },
        { "t_tall", { 1, 10000 }, Rects({ { 0, 0, 1, 5000 }, { 0, 6000, 1, 10000 } }) },
        { "t_onebit", { 8, 8 }, OpaquePixels(onebit) },
        { "t_thirtytwo", { 8, 8 }, OpaquePixels(thirtytwo) },
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        HostileRun run;
        run.Select(c.name);
        BoxAnswerer boxes(run.program);
        ASSERT_TRUE(run.program.Start(60000));
        HWND doll = run.program.Doll();
        EXPECT_TRUE(WaitFor([&] {
            SIZE size = WindowSize(doll);
            return size.cx == c.size.cx && size.cy == c.size.cy;
        }, kHung)) << WindowSize(doll).cx << " x " << WindowSize(doll).cy;
        EXPECT_TRUE(ShapeIs(doll, c.shape));
        c.shape = nullptr;
        ASSERT_TRUE(run.program.Close(30000));
        EXPECT_EQ(run.program.ExitCode(), 0u);
        EXPECT_EQ(boxes.Count(), 0u);
    }
}

// 0 x 0 pixels, garbage, and a header that claims more than it holds: a box
// each, never saying that all went well. Two good frames among them show;
// with none, the character is refused for the built-in one.
TEST(HostilePlugins, EachBadFrameHasItsBoxAndACharacterOfBadFramesOnlyIsRefused)
{
    for (const char* name : { "t_hostile", "t_allbad" }) {
        SCOPED_TRACE(name);
        HostileRun run;
        run.Select(name);
        BoxAnswerer boxes(run.program);
        ASSERT_TRUE(run.program.Start(60000));
        EXPECT_TRUE(WaitFor([&] { return boxes.Texts("error message").size() == 3; }, kHung))
            << boxes.Texts("error message").size();
        for (const std::string& text : boxes.Texts("error message"))
            EXPECT_NE(text, SuccessText()) << "a failure reported as success";
        HWND doll = run.program.Doll();
        if (strcmp(name, "t_hostile") == 0) {
            SIZE size = WindowSize(doll);
            EXPECT_EQ(size.cx, 8);
            EXPECT_EQ(size.cy, 8);
            EXPECT_TRUE(ShapeIs(doll, Rects({ { 0, 0, 4, 4 } })));
        } else {
            ExpectBuiltInCharacter(doll);
        }
        ASSERT_TRUE(run.program.Close());
        EXPECT_EQ(run.program.ExitCode(), 0u);
        EXPECT_EQ(boxes.Count(), 3u);
        EXPECT_EQ(IniSection(run.dir / "zel.ini", "SETTEI")[2], "SELECTEDDOLLNAME=" + std::string(name));
    }
}

TEST(HostilePlugins, FilesThatAreNoDllGiveTheBuiltInCharacter)
{
    std::string real = ReadFile(DistDir() + "imagedlls\\cat.dll");
    ASSERT_GT(real.size(), 8192u);
    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        { "empty", "" },
        { "headers", real.substr(0, 4096) },     // a real DLL's headers, its sections cut off
        { "mz", "MZ" + std::string(4094, '\x7F') },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HostileRun run;
        WriteFile(run.dir / ("imagedlls\\" + std::string(c.name) + ".dll"), c.bytes);
        run.Select(c.name, false);
        BoxAnswerer boxes(run.program);
        ASSERT_TRUE(run.program.Start());
        ExpectBuiltInCharacter(run.program.Doll());
        ASSERT_TRUE(run.program.Close());
        EXPECT_EQ(run.program.ExitCode(), 0u);
        EXPECT_EQ(boxes.Count(), 0u);
    }
    // A folder by a plug-in's name.
    HostileRun run;
    ASSERT_TRUE(::CreateDirectoryA((run.dir / "imagedlls\\folder.dll").c_str(), nullptr));
    run.Select("folder", false);
    ASSERT_TRUE(run.program.Start());
    ExpectBuiltInCharacter(run.program.Doll());
    ASSERT_TRUE(run.program.Close());
    EXPECT_EQ(run.program.ExitCode(), 0u);
}

// Switching in the settings dialog to a character of bad frames: its boxes
// (the preview's too), and the doll keeps the character it had.
TEST(HostilePlugins, SwitchingToBadFramesKeepsTheCharacter)
{
    HostileRun run;
    run.AddPlugin(TestPlugin("t_allbad"), "t_allbad");
    WriteFile(run.dir / "zel.ini", "[SETTEI]\r\nSELECTEDDOLLNAME=cat\r\n");
    BoxAnswerer boxes(run.program);
    ASSERT_TRUE(run.program.Start());
    HWND doll = run.program.Doll();
    int frame = -1;
    ASSERT_TRUE(WaitFor([&] { return ui::ShowsFrameOf(doll, run.dir / "imagedlls\\cat.dll", &frame); }, kHung));

    ui::Command(doll, ID_DOLL_SETTINGS);
    HWND dlg = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (dlg = FindProcessWindow(run.program.Pid(), "#32770", "设置")) != nullptr; },
                        kHung));
    HWND combo = ::GetDlgItem(dlg, IDC_CHARACTERS);
    int index = -1;
    for (int i = 0; i < ui::ComboCount(combo); ++i)
        if (ui::ComboAt(combo, i) == "t_allbad")
            index = i;
    ASSERT_GE(index, 0);
    ::SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    ::PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_CHARACTERS, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    ::PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dlg, IDOK)));
    EXPECT_TRUE(WaitFor([&] { return boxes.Texts("error message").size() == 3; }, kHung))
        << boxes.Texts("error message").size();
    EXPECT_TRUE(WaitFor([&] { return !FindProcessWindow(run.program.Pid(), "#32770", "设置"); }, kHung));
    EXPECT_TRUE(WaitFor([&] { return ui::ShowsFrameOf(doll, run.dir / "imagedlls\\cat.dll", &frame); }, kHung));
    SIZE size = WindowSize(doll);
    EXPECT_EQ(size.cx, 32);
    ASSERT_TRUE(run.program.Close());
    EXPECT_EQ(run.program.ExitCode(), 0u);
}
