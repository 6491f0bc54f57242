#include "harness/Harness.h"

#include <gtest/gtest.h>
#include <shellapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace harness {

std::wstring Wide(const std::string& gbk)
{
    std::wstring wide;
    int n = gbk.empty() ? 0 : ::MultiByteToWideChar(936, 0, gbk.data(), static_cast<int>(gbk.size()), nullptr, 0);
    if (n > 0) {
        wide.resize(static_cast<size_t>(n));
        ::MultiByteToWideChar(936, 0, gbk.data(), static_cast<int>(gbk.size()), &wide[0], n);
    }
    return wide;
}

std::string Gbk(const std::wstring& wide)
{
    std::string gbk;
    int n = wide.empty() ? 0
                         : ::WideCharToMultiByte(936, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                                 nullptr, nullptr);
    if (n > 0) {
        gbk.resize(static_cast<size_t>(n));
        ::WideCharToMultiByte(936, 0, wide.data(), static_cast<int>(wide.size()), &gbk[0], n, nullptr, nullptr);
    }
    return gbk;
}

UINT AskedDpi()
{
    const char* asked = getenv("KELMORA_DPI");
    return asked && *asked ? static_cast<UINT>(atoi(asked)) : 96;
}

UINT SystemDpi()
{
    HDC screen = ::GetDC(nullptr);
    int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    return static_cast<UINT>(dpi);
}

std::string DistDir() { return KELMORA_DIST_DIR "\\"; }

std::string ProgramToInstall()
{
    const char* chosen = getenv("KELMORA_PROGRAM");
    return chosen && *chosen ? chosen : DistDir() + "Kelmora.exe";
}
std::string TestDataDir() { return KELMORA_TESTDATA_DIR "\\"; }
std::string SourceDir() { return KELMORA_SOURCE_DIR "\\"; }

std::string ReadFile(const std::string& path)
{
    std::string bytes;
    // Shared for every use, as a reader that looks on should be: the program
    // may replace or delete the file while it is read.
    HANDLE h = ::CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return bytes;
    char buf[65536];
    DWORD got = 0;
    while (::ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0)
        bytes.append(buf, got);
    ::CloseHandle(h);
    return bytes;
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    HANDLE h = ::CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
    DWORD done = 0;
    ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
    ::CloseHandle(h);
    ASSERT_EQ(done, bytes.size()) << path;
}

bool FileExists(const std::string& path)
{
    return ::GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void CopyFileOrFail(const std::string& from, const std::string& to)
{
    ASSERT_TRUE(::CopyFileW(Wide(from).c_str(), Wide(to).c_str(), FALSE)) << from << " -> " << to;
}

std::vector<char> FileVersionBlock(const std::string& path)
{
    DWORD handle = 0;
    DWORD size = ::GetFileVersionInfoSizeW(Wide(path).c_str(), &handle);
    std::vector<char> block(size);
    if (size == 0 || !::GetFileVersionInfoW(Wide(path).c_str(), 0, size, block.data()))
        block.clear();
    return block;
}

FileVersion ReadFileVersion(const std::string& path)
{
    FileVersion v;
    std::vector<char> block = FileVersionBlock(path);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (block.empty() || !::VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length) ||
        length < sizeof *fixed)
        return v;
    v.major = HIWORD(fixed->dwFileVersionMS);
    v.minor = LOWORD(fixed->dwFileVersionMS);
    v.build = HIWORD(fixed->dwFileVersionLS);
    v.revision = LOWORD(fixed->dwFileVersionLS);
    return v;
}

bool SetFileVersion(const std::string& path, const FileVersion& v)
{
    // The resource as it is stored, and its language.
    HMODULE module = ::LoadLibraryExW(Wide(path).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module)
        return false;
    WORD language = 0;
    ::EnumResourceLanguagesA(module, MAKEINTRESOURCEA(16), MAKEINTRESOURCEA(1),
                             [](HMODULE, LPCSTR, LPCSTR, WORD lang, LONG_PTR found) -> BOOL {
                                 *reinterpret_cast<WORD*>(found) = lang;
                                 return FALSE;
                             }, reinterpret_cast<LONG_PTR>(&language));
    HRSRC info = ::FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(16));
    HGLOBAL data = info ? ::LoadResource(module, info) : nullptr;
    const char* bytes = data ? static_cast<const char*>(::LockResource(data)) : nullptr;
    std::vector<char> block(bytes, bytes ? bytes + ::SizeofResource(module, info) : bytes);
    ::FreeLibrary(module);
    // Its fixed part follows the key, at the next 32-bit boundary.
    const DWORD signature = 0xFEEF04BD;
    VS_FIXEDFILEINFO* fixed = nullptr;
    for (size_t at = 0; at + sizeof *fixed <= block.size() && !fixed; at += 4)
        if (memcmp(&block[at], &signature, sizeof signature) == 0)
            fixed = reinterpret_cast<VS_FIXEDFILEINFO*>(&block[at]);
    if (!fixed)
        return false;
    fixed->dwFileVersionMS = MAKELONG(v.minor, v.major);
    fixed->dwFileVersionLS = MAKELONG(v.revision, v.build);
    HANDLE update = ::BeginUpdateResourceW(Wide(path).c_str(), FALSE);
    if (!update)
        return false;
    bool ok = ::UpdateResourceA(update, MAKEINTRESOURCEA(16), MAKEINTRESOURCEA(1), language, block.data(),
                                static_cast<DWORD>(block.size())) != FALSE;
    return ::EndUpdateResourceA(update, !ok) && ok;
}

std::string SamplePlugin(const std::string& name) { return DistDir() + "imagedlls\\" + name + ".dll"; }
std::string TestPlugin(const std::string& name) { return TestDataDir() + "imagedlls\\" + name + ".dll"; }

std::vector<std::string> TextLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        pos = end + 1;
    }
    return lines;
}

std::vector<std::string> IniSection(const std::string& path, const std::string& section)
{
    std::vector<std::string> keys;
    bool inside = false;
    for (const std::string& line : TextLines(ReadFile(path))) {
        if (!line.empty() && line[0] == '[') {
            inside = line == "[" + section + "]";
            continue;
        }
        if (inside && !line.empty())
            keys.push_back(line);
    }
    return keys;
}

std::vector<std::string> IniSections(const std::string& path)
{
    std::vector<std::string> sections;
    for (const std::string& line : TextLines(ReadFile(path)))
        if (line.size() > 2 && line[0] == '[' && line.back() == ']')
            sections.push_back(line.substr(1, line.size() - 2));
    return sections;
}

TempDir::TempDir()
{
    wchar_t base[MAX_PATH];
    ::GetTempPathW(MAX_PATH, base);
    // Named apart from the folders of earlier test processes too: Wine gives
    // a new process the id of one just ended, and a program started from that
    // one's folder may not have gone yet, so that ours would take it for
    // itself running.
    static int counter = 0;
    LARGE_INTEGER now = {};
    ::QueryPerformanceCounter(&now);
    for (;;) {
        char name[64];
        wsprintfA(name, "kelmora-%lu-%lx-%d\\", ::GetCurrentProcessId(), static_cast<unsigned long>(now.LowPart),
                  ++counter);
        std::string path = Gbk(base) + name;
        if (::CreateDirectoryW(Wide(path).c_str(), nullptr)) {
            m_path = path;
            break;
        }
    }
}

TempDir::~TempDir()
{
    // SHFileOperation wants a double-NUL-terminated list.
    std::wstring from = Wide(m_path.substr(0, m_path.size() - 1));
    from.push_back(L'\0');
    SHFILEOPSTRUCTW op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    ::SHFileOperationW(&op);
}

void Pump(DWORD ms)
{
    DWORD start = ::GetTickCount();
    do {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        ::Sleep(5);
    } while (::GetTickCount() - start < ms);
}

static std::string ClassOf(HWND hWnd)
{
    char name[64] = "";
    ::GetClassNameA(hWnd, name, sizeof name);
    return name;
}

static std::string TextOf(HWND hWnd)
{
    wchar_t text[256] = L"";
    ::GetWindowTextW(hWnd, text, 256);
    return Gbk(text);
}

std::vector<HWND> ProcessWindows(DWORD pid, const char* className, const char* title, HWND owner, bool mustBeVisible)
{
    std::vector<HWND> all;
    ::EnumWindows([](HWND hWnd, LPARAM list) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(hWnd);
        return TRUE;
    }, reinterpret_cast<LPARAM>(&all));
    std::vector<HWND> found;
    for (HWND hWnd : all) {
        DWORD process = 0;
        ::GetWindowThreadProcessId(hWnd, &process);
        bool match = (!pid || process == pid) && (!mustBeVisible || ::IsWindowVisible(hWnd)) &&
                     (!className || ClassOf(hWnd) == className) && (!title || TextOf(hWnd) == title) &&
                     (!owner || ::GetWindow(hWnd, GW_OWNER) == owner);
        if (match)
            found.push_back(hWnd);
    }
    return found;
}

HWND FindProcessWindow(DWORD pid, const char* className, const char* title, HWND owner, bool mustBeVisible)
{
    std::vector<HWND> found = ProcessWindows(pid, className, title, owner, mustBeVisible);
    return found.empty() ? nullptr : found.front();
}

MessageBoxAnswerer::MessageBoxAnswerer(const char* title, DWORD pid)
    : m_title(title), m_pid(pid), m_thread([this] { Run(); })
{
}

MessageBoxAnswerer::~MessageBoxAnswerer()
{
    m_stop = true;
    m_thread.join();
}

void MessageBoxAnswerer::Run()
{
    while (!m_stop) {
        HWND box = FindProcessWindow(m_pid, "#32770", m_title.c_str());
        if (box) {
            ++m_count;
            ::PostMessageA(box, WM_COMMAND, IDOK, 0);
            // The same box is found until its loop has ended.
            while (::IsWindow(box) && !m_stop)
                ::Sleep(5);
        }
        ::Sleep(10);
    }
}

Program::Program(const std::string& folder) : m_folder(folder) {}

Program::~Program()
{
    if (m_pi.hProcess) {
        if (Running()) {
            ::TerminateProcess(m_pi.hProcess, 99);
            ::WaitForSingleObject(m_pi.hProcess, 5000);
        }
        ::CloseHandle(m_pi.hProcess);
        ::CloseHandle(m_pi.hThread);
    }
}

static void CopyTree(const std::string& from, const std::string& to)
{
    ::CreateDirectoryW(Wide(to).c_str(), nullptr);
    WIN32_FIND_DATAW fd;
    HANDLE h = ::FindFirstFileW(Wide(from + "*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return;
    do {
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        ::CopyFileW((Wide(from) + fd.cFileName).c_str(), (Wide(to) + fd.cFileName).c_str(), FALSE);
    } while (::FindNextFileW(h, &fd));
    ::FindClose(h);
}

void Program::Install(const std::string& folder, bool withPlugins)
{
    CopyFileOrFail(ProgramToInstall(), folder + "Kelmora.exe");
    if (withPlugins)
        CopyTree(DistDir() + "imagedlls\\", folder + "imagedlls\\");
}

bool Program::Start(DWORD timeoutMs, const std::function<void(DWORD thread)>& beforeRun)
{
    std::wstring exe = Wide(m_folder + "Kelmora.exe");
    std::wstring cmd = L"\"" + exe + L"\"";
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    if (!::CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, beforeRun ? CREATE_SUSPENDED : 0, nullptr,
                          Wide(m_folder).c_str(), &si, &m_pi))
        return false;
    if (beforeRun) {
        beforeRun(m_pi.dwThreadId);
        ::ResumeThread(m_pi.hThread);
    }
    DWORD pid = m_pi.dwProcessId;
    WaitFor([&] {
        m_doll = FindProcessWindow(pid, "#32770", "", nullptr);
        return m_doll != nullptr || !Running();
    }, timeoutMs);
    // The rest of the start-up is the doll's first idle work, one step that
    // makes the search box first: once the box is there, whatever a test
    // posts is handled after all of it, as a user's first click would be.
    if (m_doll)
        SearchBox();
    return m_doll != nullptr;
}

// The box is made once the doll is on the screen; Start waits for it.
HWND Program::SearchBox() const
{
    HWND box = nullptr;
    WaitFor([&] {
        box = FindProcessWindow(m_pi.dwProcessId, "#32770", "Kelmora", m_doll, false);
        return box != nullptr || !Running();
    }, kHung);
    return box;
}

bool Program::Close(DWORD timeoutMs)
{
    ::PostMessageA(m_doll, WM_CLOSE, 0, 0);
    return WaitExit(timeoutMs);
}

bool Program::WaitExit(DWORD timeoutMs)
{
    return WaitFor([&] { return !Running(); }, timeoutMs);
}

bool Program::Running() const
{
    return m_pi.hProcess && ::WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT;
}

DWORD Program::ExitCode() const
{
    DWORD code = 0;
    ::GetExitCodeProcess(m_pi.hProcess, &code);
    return code;
}

Installed::Installed(Characters characters, const std::string& settings)
{
    Program::Install(dir.Path(), characters == WithCharacters);
    if (!settings.empty())
        WriteFile(dir / "zel.ini", settings);
}

Installed::~Installed()
{
    if (program.Running())
        program.Close();
}

std::string Installed::Plugin(const std::string& name) const { return dir / ("imagedlls\\" + name + ".dll"); }

void Installed::AddPlugin(const std::string& from, const std::string& name)
{
    ::CreateDirectoryW(Wide(dir / "imagedlls").c_str(), nullptr);
    CopyFileOrFail(from, Plugin(name));
}

}  // namespace harness
