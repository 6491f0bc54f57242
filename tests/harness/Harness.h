#pragma once
#include <windows.h>

#include <string>
#include <vector>

// Helpers for tests that drive the real program from outside, as a user and
// the platform would: a private folder, the process, its windows, its files.
namespace harness {

// Windows path of the built dist folder (Kelmora.exe, imagedlls\).
std::string DistDir();
std::string TestDataDir();
std::string SourceDir();

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);
void CopyFileOrFail(const std::string& from, const std::string& to);

// The version resource of a program file; empty when it has none.
std::vector<char> FileVersionBlock(const std::string& path);

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

// Pumps this thread's messages for the given time (tests own windows too).
void Pump(DWORD ms);
// Waits until pred() holds, pumping messages; false on timeout.
template <class Pred>
bool WaitFor(Pred pred, DWORD timeoutMs = 5000)
{
    DWORD start = ::GetTickCount();
    while (!pred()) {
        if (::GetTickCount() - start > timeoutMs)
            return false;
        Pump(20);
    }
    return true;
}

// Finds a visible top-level window of the process whose class and title
// match (title null: any), optionally owned by the given window.
HWND FindProcessWindow(DWORD pid, const char* className, const char* title, HWND owner = nullptr,
                       bool mustBeVisible = true);

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
    bool Start(DWORD timeoutMs = 15000);
    HWND Doll() const { return m_doll; }
    DWORD Pid() const { return m_pi.dwProcessId; }
    HWND SearchBox() const;
    // WM_CLOSE to the doll window and wait for the process to end.
    bool Close(DWORD timeoutMs = 10000);
    bool WaitExit(DWORD timeoutMs);
    bool Running() const;
    DWORD ExitCode() const;

private:
    std::string m_folder;
    PROCESS_INFORMATION m_pi = {};
    HWND m_doll = nullptr;
};

}  // namespace harness
