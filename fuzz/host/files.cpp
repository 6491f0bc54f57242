// The file half of the host shim: the platform's file calls over fakefs.
#include <windows.h>

#include <string.h>

#include <map>
#include <string>
#include <vector>

#include "fakefs.h"

namespace {

struct OpenFile {
    std::string path;
    size_t pos = 0;
    bool writing = false;
    size_t reads = 0;
};

struct State {
    std::map<std::string, std::string> files;
    std::vector<unsigned> readLimits;
    size_t diskRoom = static_cast<size_t>(-1);
    size_t written = 0;
    std::string profileValue;
};

State& S()
{
    static State state;
    return state;
}

char g_program[] = "C:\\Kelmora\\Kelmora.exe";
char* g_argv[] = { g_program, nullptr };

}  // namespace

char** __argv = g_argv;

namespace fakefs {

void Reset()
{
    S() = State();
}

std::string& File(const std::string& path)
{
    return S().files[path];
}

bool Exists(const std::string& path)
{
    return S().files.count(path) != 0;
}

void SetReadLimits(const std::vector<unsigned>& limits)
{
    S().readLimits = limits;
}

void SetDiskRoom(size_t bytes)
{
    S().diskRoom = bytes;
}

void SetProfileValue(const std::string& value)
{
    S().profileValue = value;
}

}  // namespace fakefs

HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD, LPSECURITY_ATTRIBUTES, DWORD disposition, DWORD, HANDLE)
{
    State& s = S();
    if (disposition == CREATE_ALWAYS) {
        s.files[path].clear();
    } else if (!s.files.count(path)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    OpenFile* file = new OpenFile;
    file->path = path;
    file->writing = (access & GENERIC_WRITE) != 0;
    return file;
}

BOOL ReadFile(HANDLE handle, void* buffer, DWORD bytes, DWORD* read, LPOVERLAPPED)
{
    OpenFile* file = static_cast<OpenFile*>(handle);
    State& s = S();
    *read = 0;
    if (!file || handle == INVALID_HANDLE_VALUE || file->writing) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const std::string& data = s.files[file->path];
    size_t n = file->pos < data.size() ? data.size() - file->pos : 0;
    if (n > bytes)
        n = bytes;
    if (file->reads < s.readLimits.size() && n > s.readLimits[file->reads])
        n = s.readLimits[file->reads];
    ++file->reads;
    memcpy(buffer, data.data() + file->pos, n);
    file->pos += n;
    *read = static_cast<DWORD>(n);
    return TRUE;
}

BOOL WriteFile(HANDLE handle, const void* buffer, DWORD bytes, DWORD* written, LPOVERLAPPED)
{
    OpenFile* file = static_cast<OpenFile*>(handle);
    State& s = S();
    *written = 0;
    if (!file || handle == INVALID_HANDLE_VALUE || !file->writing) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    size_t room = s.diskRoom - s.written;
    size_t n = bytes < room ? bytes : room;
    s.files[file->path].append(static_cast<const char*>(buffer), n);
    s.written += n;
    *written = static_cast<DWORD>(n);
    if (n < bytes) {
        SetLastError(ERROR_HANDLE_DISK_FULL);
        return FALSE;
    }
    return TRUE;
}

BOOL CloseHandle(HANDLE handle)
{
    if (!handle || handle == INVALID_HANDLE_VALUE)
        return FALSE;
    delete static_cast<OpenFile*>(handle);
    return TRUE;
}

HANDLE FindFirstFileA(LPCSTR, WIN32_FIND_DATAA*)
{
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
}

BOOL FindNextFileA(HANDLE, WIN32_FIND_DATAA*)
{
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
}

BOOL FindClose(HANDLE)
{
    return TRUE;
}

DWORD GetFileAttributesA(LPCSTR path)
{
    if (!S().files.count(path)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_FILE_ATTRIBUTES;
    }
    return FILE_ATTRIBUTE_NORMAL;
}

DWORD GetPrivateProfileStringA(LPCSTR, LPCSTR, LPCSTR, LPSTR buffer, DWORD size, LPCSTR)
{
    if (size == 0)
        return 0;
    const std::string& value = S().profileValue;
    size_t n = strnlen(value.c_str(), value.size());
    if (n > size - 1)
        n = size - 1;
    memcpy(buffer, value.data(), n);
    buffer[n] = '\0';
    return static_cast<DWORD>(n);
}
