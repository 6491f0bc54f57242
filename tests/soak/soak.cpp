// The soak: the real program driven through long runs of what a user does,
// its live GDI and USER objects and its memory counted from inside its
// process by the probe (probe.cpp). Prints, for each kind of cycle, the
// figures after 10 cycles and after all of them; then the resident memory
// of a walking doll every minute. Run by scripts/soak (make soak).
//   soak.exe PROBE_DLL RECORD_EXE CYCLES MINUTES
#include <windows.h>

#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "harness/Harness.h"
#include "integration/inside.h"
#include "integration/kelmora_ui.h"
#include "soak/probe.h"

using namespace harness;

namespace {

const char* const kCharacters[] = { "nimbus", "cat", "penguin" };

// The probe inside the program: loaded by a thread of ours started there,
// asked through named events, answering in a shared section.
class Probe {
public:
    ~Probe()
    {
        if (m_view)
            ::UnmapViewOfFile(m_view);
        for (HANDLE h : { m_mapping, m_request, m_done })
            if (h)
                ::CloseHandle(h);
    }

    bool Inject(DWORD pid, const std::string& dll)
    {
        HANDLE process = ::OpenProcess(PROCESS_ALL_ACCESS, FALSE, pid);
        if (!process)
            return false;
        void* remote = ::VirtualAllocEx(process, nullptr, dll.size() + 1, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        bool ok = remote && ::WriteProcessMemory(process, remote, dll.c_str(), dll.size() + 1, nullptr);
        // kernel32 lies at the same address in every process.
        FARPROC load = ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "LoadLibraryA");
        HANDLE thread = ok ? ::CreateRemoteThread(process, nullptr, 0,
                                                  reinterpret_cast<LPTHREAD_START_ROUTINE>(reinterpret_cast<void*>(load)),
                                                  remote, 0, nullptr)
                           : nullptr;
        DWORD loaded = 0;
        if (thread) {
            ::WaitForSingleObject(thread, 30000);
            ::GetExitCodeThread(thread, &loaded);
            ::CloseHandle(thread);
        }
        ::CloseHandle(process);
        if (!loaded)
            return false;
        char name[64];
        return WaitFor([&] {
            wsprintfA(name, SOAK_PROBE_DONE, pid);
            m_done = ::OpenEventA(SYNCHRONIZE, FALSE, name);
            return m_done != nullptr;
        }, 10000) && Open(pid);
    }

    bool Sample(ProbeCounts* out)
    {
        LONG before = m_view->sequence;
        ::SetEvent(m_request);
        if (::WaitForSingleObject(m_done, 120000) != WAIT_OBJECT_0 || m_view->sequence == before)
            return false;
        *out = *m_view;
        return true;
    }

private:
    bool Open(DWORD pid)
    {
        char name[64];
        wsprintfA(name, SOAK_PROBE_REQUEST, pid);
        m_request = ::OpenEventA(EVENT_MODIFY_STATE, FALSE, name);
        wsprintfA(name, SOAK_PROBE_MAPPING, pid);
        m_mapping = ::OpenFileMappingA(FILE_MAP_READ, FALSE, name);
        if (m_mapping)
            m_view = static_cast<const ProbeCounts*>(::MapViewOfFile(m_mapping, FILE_MAP_READ, 0, 0, 0));
        return m_request && m_view;
    }
    HANDLE m_mapping = nullptr, m_request = nullptr, m_done = nullptr;
    const ProbeCounts* m_view = nullptr;
};

// Returns once the program's window thread has handled everything before.
bool Settled(HWND doll)
{
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutA(doll, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &result) != 0;
}

bool SameObjects(const ProbeCounts& a, const ProbeCounts& b)
{
    return a.gdi == b.gdi && a.windows == b.windows && a.menus == b.menus && a.icons == b.icons &&
           memcmp(a.gdiByType, b.gdiByType, sizeof a.gdiByType) == 0;
}

std::string TypesText(const ProbeCounts& c)
{
    static const char* const names[16] = { "", "pen", "brush", "dc", "metadc", "palette", "font", "bitmap", "region",
                                           "metafile", "memdc", "extpen", "emfdc", "emf", "colorspace", "" };
    std::string s;
    for (int t = 1; t < 16; ++t) {
        if (c.gdiByType[t]) {
            char part[32];
            snprintf(part, sizeof part, "%s%s %d", s.empty() ? "" : ", ", names[t], c.gdiByType[t]);
            s += part;
        }
    }
    return s;
}

class Soak {
public:
    Soak(const std::string& probe, const std::string& record) : m_probePath(probe), m_recordPath(record) {}

    bool Start()
    {
        Program::Install(m_dir.Path(), true);
        // A character from a plug-in, which the program loads again at every
        // opening of the search box.
        WriteFile(m_dir / "zel.ini", "[SETTEI]\r\nSELECTEDDOLLNAME=cat\r\n");
        // Searches go to the recording stand-in, which appends each address
        // it is started with to a file.
        m_log = m_dir / "launched.txt";
        ::SetEnvironmentVariableA("KELMORA_RECORD", m_log.c_str());
        std::string command = "\"" + m_recordPath + "\" \"%1\"";
        ::RegSetValueA(HKEY_CLASSES_ROOT, "http\\shell\\open\\command", REG_SZ, command.c_str(),
                       static_cast<DWORD>(command.size()));
        if (!m_program.Start(30000))
            return Fail("the program does not start");
        m_doll = m_program.Doll();
        m_box = m_program.SearchBox();
        // The search box stays open as long as the soak needs: the ticks of
        // its auto-hide timer are held back.
        m_inside.reset(new ui::Inside(m_doll));
        if (!m_inside->Hooked())
            return Fail("the watching hook does not load into the program");
        m_inside->Hold(TIMER_AUTOHIDE);
        if (!m_probe.Inject(m_program.Pid(), m_probePath))
            return Fail("the probe does not load into the program");
        // The cursor stays in the middle of the screen through the cycles:
        // the doll walks there and rests, and every menu opens at the same
        // place under the same cursor.
        ::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) / 2, ::GetSystemMetrics(SM_CYSCREEN) / 2);
        RECT last = ui::WindowRect(m_doll);
        int still = 0;
        WaitFor([&] {
            RECT now = ui::WindowRect(m_doll);
            still = now.left == last.left && now.top == last.top ? still + 1 : 0;
            last = now;
            return still >= 25;
        }, 60000);
        return true;
    }

    bool Stop()
    {
        if (!m_program.Close(60000))
            return Fail("the program does not end");
        printf("exit code %lu\n", m_program.ExitCode());
        return m_program.ExitCode() == 0;
    }

    // Runs cycle(i) `cycles` times with the figures taken after 10 and after
    // the last; prints a line and returns whether nothing grew.
    bool Phase(const char* name, int cycles, const std::function<bool(int)>& cycle)
    {
        DWORD start = ::GetTickCount();
        // A tenth of the way as well: growth that stops early (a cache of
        // the platform's filling up) reads apart from growth that goes on.
        ProbeCounts after10 = {}, afterTenth = {}, afterAll = {};
        int tenth = cycles / 10 > 10 ? cycles / 10 : 0;
        for (int i = 0; i < cycles; ++i) {
            if (!cycle(i))
                return Fail(std::string(name) + ": cycle " + std::to_string(i + 1) + " did not complete");
            if (i == 9 && !Take(&after10))
                return false;
            if (i + 1 == tenth && !Take(&afterTenth))
                return false;
        }
        if (!Take(&afterAll))
            return false;
        double seconds = (::GetTickCount() - start) / 1000.0;
        long long grown = afterAll.rssAnon - after10.rssAnon;
        bool flat = SameObjects(after10, afterAll) && grown <= 1024;
        printf("%-22s %5d %6.0f s   GDI %4d -> %4d   USER win/menu/icon %d/%d/%d -> %d/%d/%d   "
               "private (RssAnon) %lld -> %lld kB (%+lld)   %s   (free DCs in the window manager's cache: %d -> %d)\n",
               name, cycles, seconds, after10.gdi, afterAll.gdi, after10.windows, after10.menus, after10.icons,
               afterAll.windows, afterAll.menus, afterAll.icons, after10.rssAnon, afterAll.rssAnon, grown,
               flat ? "no growth" : "GROWTH", after10.cachedDCs, afterAll.cachedDCs);
        if (!SameObjects(after10, afterAll)) {
            printf("%22s GDI by kind: %s -> %s\n", "", TypesText(after10).c_str(), TypesText(afterAll).c_str());
            if (tenth)
                printf("%22s after %d cycles: GDI %d (%s), USER win/menu/icon %d/%d/%d, %s\n", "", tenth,
                       afterTenth.gdi, TypesText(afterTenth).c_str(), afterTenth.windows, afterTenth.menus,
                       afterTenth.icons,
                       SameObjects(afterTenth, afterAll) ? "no change from there on" : "still growing after it");
        }
        fflush(stdout);
        return flat;
    }

    bool Switch(int i)
    {
        const char* name = kCharacters[i % 3];
        ui::Command(m_doll, ID_DOLL_SETTINGS);
        HWND dlg = nullptr;
        if (!WaitFor([&] { return (dlg = FindProcessWindow(m_program.Pid(), "#32770", "设置")) != nullptr; }, 10000))
            return false;
        HWND combo = ::GetDlgItem(dlg, IDC_CHARACTERS);
        int index = -1;
        for (int k = 0; k < ui::ComboCount(combo); ++k)
            if (ui::ComboAt(combo, k) == name)
                index = k;
        if (index < 0)
            return false;
        ::SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        ::SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_CHARACTERS, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
        ::PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dlg, IDOK)));
        if (!WaitFor([&] { return !FindProcessWindow(m_program.Pid(), "#32770", "设置"); }, 10000) ||
            !Settled(m_doll))
            return false;
        std::vector<std::string> keys = IniSection(m_dir / "zel.ini", "SETTEI");
        return keys.size() > 2 && keys[2] == std::string("SELECTEDDOLLNAME=") + name;
    }

    bool Search(int i)
    {
        HWND combo = ::GetDlgItem(m_box, IDC_HISTORY);
        HWND edit = ::FindWindowExA(combo, nullptr, "Edit", nullptr);
        ui::Command(m_doll, ID_DOLL_OPENBOX);
        if (!WaitFor([&] { return ::IsWindowVisible(m_box) != FALSE; }, 10000))
            return Fail("the search box does not open");
        std::string word = "soak " + std::to_string(i);
        ::SendMessageA(combo, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(word.c_str()));
        size_t before = ReadFile(m_log).size();
        ::PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 1);
        ::PostMessageA(edit, WM_KEYUP, VK_RETURN, 0xC0000001);
        // The stand-in browser has written the address with this word.
        std::string sent = "soak+" + std::to_string(i) + "\"";
        if (!WaitFor([&] {
                std::string log = ReadFile(m_log);
                return log.size() > before && log.find(sent, before) != std::string::npos;
            }, 60000))
            return Fail("no browser was started for \"" + word + "\"");
        ::PostMessageA(m_box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        if (!WaitFor([&] { return !::IsWindowVisible(m_box); }, 10000))
            return Fail("the search box does not close");
        return Settled(m_doll);
    }

    bool Menu(int)
    {
        ::PostMessageA(m_doll, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
        if (!WaitFor([&] { return FindProcessWindow(m_program.Pid(), "#32768", nullptr) != nullptr; }, 10000))
            return false;
        ::PostMessageA(m_doll, WM_KEYDOWN, VK_ESCAPE, 1);
        ::PostMessageA(m_doll, WM_KEYUP, VK_ESCAPE, 0xC0000001);
        return WaitFor([&] { return !FindProcessWindow(m_program.Pid(), "#32768", nullptr); }, 10000) &&
               Settled(m_doll);
    }

    // The pointer on the control and off it again, as the window under the
    // pointer reports it to its dialog.
    static bool Hover(HWND dlg, HWND on, HWND off)
    {
        DWORD_PTR result = 0;
        return ::SendMessageTimeoutA(dlg, WM_SETCURSOR, reinterpret_cast<WPARAM>(on), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE),
                                     SMTO_NORMAL, 10000, &result) &&
               ::SendMessageTimeoutA(dlg, WM_SETCURSOR, reinterpret_cast<WPARAM>(off), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE),
                                     SMTO_NORMAL, 10000, &result);
    }

    bool Hovers(int cycles)
    {
        ui::Command(m_doll, ID_DOLL_OPENBOX);
        if (!WaitFor([&] { return ::IsWindowVisible(m_box) != FALSE; }, 10000))
            return Fail("the search box does not open");
        HWND label = ::GetDlgItem(m_box, IDC_ENGINE), edit = ::GetDlgItem(m_box, IDC_HISTORY);
        bool flat = Phase("engine label hover", cycles, [&](int) { return Hover(m_box, label, edit); });
        ::PostMessageA(m_box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        if (!WaitFor([&] { return !::IsWindowVisible(m_box); }, 10000))
            return Fail("the search box does not close");

        ui::Command(m_doll, ID_DOLL_SETTINGS);
        HWND dlg = nullptr;
        if (!WaitFor([&] { return (dlg = FindProcessWindow(m_program.Pid(), "#32770", "设置")) != nullptr; }, 10000))
            return Fail("the settings dialog does not open");
        HWND link = ::GetDlgItem(dlg, IDC_HOMEPAGE), other = ::GetDlgItem(dlg, IDC_CHASE);
        flat = Phase("settings link hover", cycles, [&](int) { return Hover(dlg, link, other); }) && flat;
        ::PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        if (!WaitFor([&] { return !FindProcessWindow(m_program.Pid(), "#32770", "设置"); }, 10000))
            return Fail("the settings dialog does not close");
        return flat && Settled(m_doll);
    }

    // The cursor circles the middle of the screen, faster than the doll can
    // follow, so the doll walks and animates the whole time.
    bool Walk(const char* character, int minutes)
    {
        printf("-- a walking doll (%s), every minute for %d minutes\n", character, minutes);
        printf("minute   VmRSS kB  RssAnon kB   GDI  USER win/menu/icon\n");
        int cx = ::GetSystemMetrics(SM_CXSCREEN) / 2, cy = ::GetSystemMetrics(SM_CYSCREEN) / 2;
        long long low = -1, high = -1;
        int steps = 0, moves = 0;
        RECT last = ui::WindowRect(m_doll);
        DWORD start = ::GetTickCount();
        for (int minute = 0; minute <= minutes; ++minute) {
            ProbeCounts c = {};
            if (!Take(&c))
                return false;
            printf("%6d %10lld %11lld %5d  %d/%d/%d\n", minute, c.vmRss, c.rssAnon, c.gdi, c.windows, c.menus,
                   c.icons);
            fflush(stdout);
            if (minute > 0) {
                low = low < 0 || c.vmRss < low ? c.vmRss : low;
                high = c.vmRss > high ? c.vmRss : high;
            }
            if (minute == minutes)
                break;
            for (DWORD next = start + 60000u * (minute + 1); static_cast<LONG>(::GetTickCount() - next) < 0;) {
                double a = (::GetTickCount() - start) / 1000.0 * 0.6;
                ::SetCursorPos(cx + static_cast<int>(350 * cos(a)), cy + static_cast<int>(350 * sin(a)));
                ::Sleep(100);
                RECT now = ui::WindowRect(m_doll);
                ++steps;
                if (now.left != last.left || now.top != last.top)
                    ++moves;
                last = now;
            }
        }
        if (minutes > 0)
            printf("resident memory after the first minute: %lld to %lld kB (%lld kB apart); the doll moved in %d "
                   "of %d tenths of a second\n",
                   low, high, high - low, moves, steps);
        return true;
    }

private:
    bool Take(ProbeCounts* out)
    {
        // Another thread of the program could hold an object in passing:
        // the figures are taken once two counts agree.
        ProbeCounts last = {};
        for (int attempt = 0; attempt < 10; ++attempt) {
            if (!Settled(m_doll) || !m_probe.Sample(out) || out->gdi < 0)
                return Fail("the probe does not answer");
            if (attempt > 0 && SameObjects(last, *out))
                return true;
            last = *out;
        }
        return true;
    }
    bool Fail(const std::string& what)
    {
        printf("soak: %s\n", what.c_str());
        fflush(stdout);
        return false;
    }

    std::string m_probePath, m_recordPath, m_log;
    TempDir m_dir;
    Program m_program{ m_dir.Path() };
    Probe m_probe;
    std::unique_ptr<ui::Inside> m_inside;
    HWND m_doll = nullptr, m_box = nullptr;
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 5) {
        fprintf(stderr, "usage: soak.exe PROBE_DLL RECORD_EXE CYCLES MINUTES\n");
        return 2;
    }
    int cycles = atoi(argv[3]), minutes = atoi(argv[4]);
    if (cycles < 10)
        cycles = 10;
    Soak soak(argv[1], argv[2]);
    if (!soak.Start())
        return 1;
    printf("-- %d cycles of each kind; objects and memory counted inside the program after 10 cycles and after %d\n",
           cycles, cycles);
    fflush(stdout);
    // SOAK_PHASES picks phases out of "search menu hover switch" (default all).
    const char* picked = getenv("SOAK_PHASES");
    std::string phases = std::string(" ") + (picked && *picked ? picked : "search menu hover switch") + " ";
    auto wanted = [&](const char* phase) { return phases.find(std::string(" ") + phase + " ") != std::string::npos; };
    bool flat = true;
    if (wanted("search"))
        flat = soak.Phase("search open/search/close", cycles, [&](int i) { return soak.Search(i); }) && flat;
    if (wanted("menu"))
        flat = soak.Phase("pop-up menu", cycles, [&](int i) { return soak.Menu(i); }) && flat;
    if (wanted("hover"))
        flat = soak.Hovers(cycles) && flat;
    if (wanted("switch"))
        flat = soak.Phase("character switch", cycles, [&](int i) { return soak.Switch(i); }) && flat;
    bool walked = soak.Walk(kCharacters[(cycles - 1) % 3], minutes);
    bool stopped = soak.Stop();
    printf("soak: %s\n", flat && walked && stopped ? "no growth" : "see above");
    return flat && walked && stopped ? 0 : 1;
}
