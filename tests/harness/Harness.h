#pragma once
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

// Helpers for tests that drive the real program from outside, as a user and
// the platform would: a private folder, the process, its windows, its files.
namespace harness {

// The tests' texts and paths are GBK, as the program's are, whatever the
// system's code page: they reach the platform converted with code page 936.
std::wstring Wide(const std::string& gbk);
std::string Gbk(const std::wstring& wide);

// The system DPI this run asked for (KELMORA_DPI; 96 without it), and the
// one the platform gives this process.
UINT AskedDpi();
UINT SystemDpi();

// Windows path of the built dist folder (Kelmora.exe, imagedlls\).
std::string DistDir();
// The program the tests install: the dist's Kelmora.exe, or the file
// KELMORA_PROGRAM names (a copy made to run under another code page).
std::string ProgramToInstall();
std::string TestDataDir();
std::string SourceDir();

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);
void CopyFileOrFail(const std::string& from, const std::string& to);

// The version resource of a program file; empty when it has none.
std::vector<char> FileVersionBlock(const std::string& path);

// The fixed file version of that resource; all 0 when the file has none.
struct FileVersion {
    int major = 0, minor = 0, build = 0, revision = 0;
};
FileVersion ReadFileVersion(const std::string& path);
// Writes another fixed file version into a program file's version resource.
bool SetFileVersion(const std::string& path, const FileVersion& v);

// Plug-ins by name: one of the dist's sample characters, one of the
// test-only plug-ins (tests/plugins).
std::string SamplePlugin(const std::string& name);
std::string TestPlugin(const std::string& name);

// Lines as a text file's reader sees them: ended by LF, a CR before it
// dropped, a last line without its end counted when it is not empty.
std::vector<std::string> TextLines(const std::string& text);

// Keys of one INI section in file order, each "KEY=VALUE" as written.
std::vector<std::string> IniSection(const std::string& path, const std::string& section);
// Section names in file order.
std::vector<std::string> IniSections(const std::string& path);

// A fresh folder under the temporary directory, removed with its content.
class TempDir {
public:
    TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir();
    const std::string& Path() const { return m_path; }  // ends with a backslash
    std::string operator/(const std::string& name) const { return m_path + name; }

private:
    std::string m_path;
};

// Deadlines for waits, so generous that only a hung program reaches them:
// for anything the program does, and for its start under Wine.
const DWORD kHung = 20000;
const DWORD kStartHung = 60000;

// Pumps this thread's messages for the given time (tests own windows too):
// the step of the waits below and of samplers, never a wait of its own.
void Pump(DWORD ms);
// Waits until pred() holds, pumping messages; false on timeout.
template <class Pred>
bool WaitFor(Pred pred, DWORD timeoutMs = kHung)
{
    DWORD start = ::GetTickCount();
    while (!pred()) {
        if (::GetTickCount() - start > timeoutMs)
            return false;
        Pump(20);
    }
    return true;
}
// The top-level windows of a process (pid 0: of any) whose class and title
// match (null: any), optionally owned by the given window, in z-order.
std::vector<HWND> ProcessWindows(DWORD pid, const char* className, const char* title, HWND owner = nullptr,
                                 bool mustBeVisible = true);
// The first of them, or null.
HWND FindProcessWindow(DWORD pid, const char* className, const char* title, HWND owner = nullptr,
                       bool mustBeVisible = true);

// Answers the message boxes of the given title (of one process, or of any
// with pid 0) from a second thread, as a user pressing OK would, and counts
// them. A box is counted before it is answered: once the code that showed it
// has gone on, Count() includes it.
class MessageBoxAnswerer {
public:
    explicit MessageBoxAnswerer(const char* title, DWORD pid = 0);
    MessageBoxAnswerer(const MessageBoxAnswerer&) = delete;
    MessageBoxAnswerer& operator=(const MessageBoxAnswerer&) = delete;
    ~MessageBoxAnswerer();
    int Count() const { return m_count; }

private:
    void Run();
    std::string m_title;
    DWORD m_pid;
    std::atomic<bool> m_stop{ false };
    std::atomic<int> m_count{ 0 };
    std::thread m_thread;
};

// Kelmora.exe copied into a folder and started there the way Explorer
// starts it (full path as the first command-line argument).
class Program {
public:
    explicit Program(const std::string& folder);
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    ~Program();  // kills the process if it still runs

    // Copies the program (and the dist's imagedlls when asked) into the folder.
    static void Install(const std::string& folder, bool withPlugins = false);

    // Waits for the doll window; false if the process ends without one.
    // With beforeRun, the process is created suspended and beforeRun is
    // given its main thread, the one that makes the windows, before it runs.
    bool Start(DWORD timeoutMs = kStartHung, const std::function<void(DWORD thread)>& beforeRun = nullptr);
    HWND Doll() const { return m_doll; }
    DWORD Pid() const { return m_pi.dwProcessId; }
    HWND SearchBox() const;
    // WM_CLOSE to the doll window and wait for the process to end.
    bool Close(DWORD timeoutMs = kHung);
    bool WaitExit(DWORD timeoutMs);
    bool Running() const;
    DWORD ExitCode() const;

private:
    std::string m_folder;
    PROCESS_INFORMATION m_pi = {};
    HWND m_doll = nullptr;
};

// Kelmora.exe installed into a fresh temporary folder, with the dist's
// characters in imagedlls when asked and a settings file (zel.ini) when one
// is given; started with program.Start(). A program still running at the
// end is closed as a user would, then killed.
class Installed {
public:
    enum Characters { WithoutCharacters, WithCharacters };
    explicit Installed(Characters characters = WithoutCharacters, const std::string& settings = std::string());
    explicit Installed(const std::string& settings) : Installed(WithoutCharacters, settings) {}
    Installed(const Installed&) = delete;
    Installed& operator=(const Installed&) = delete;
    ~Installed();

    // A plug-in's path in the folder's imagedlls.
    std::string Plugin(const std::string& name) const;
    // Copies a plug-in file into imagedlls as name.dll.
    void AddPlugin(const std::string& from, const std::string& name);

    TempDir dir;
    Program program{ dir.Path() };
};

}  // namespace harness
