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
    bool removeOnClose = false;
    size_t reads = 0;
};

struct State {
    std::map<std::string, std::string> files;
    std::map<std::string, unsigned> writtenAt;  // the count of writes at the last one
    std::map<std::string, bool> held;            // held by another program: writable or not
    std::vector<unsigned> readLimits;
    size_t diskRoom = static_cast<size_t>(-1);
    size_t written = 0;
    unsigned writes = 0;
};

State& S()
{
    static State state;
    return state;
}

// The path as the program named it: GBK, as fakefs keeps its files.
std::string Path(LPCWSTR path)
{
    int n = WideCharToMultiByte(936, 0, path, -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? static_cast<size_t>(n) : 1, '\0');
    if (n > 0)
        WideCharToMultiByte(936, 0, path, -1, &out[0], n, nullptr, nullptr);
    out.resize(strlen(out.c_str()));
    return out;
}

}  // namespace

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

void Hold(const std::string& path, bool writable)
{
    S().held[path] = writable;
}

void Release(const std::string& path)
{
    S().held.erase(path);
}

}  // namespace fakefs

HANDLE CreateFileW(LPCWSTR widePath, DWORD access, DWORD, LPSECURITY_ATTRIBUTES, DWORD disposition, DWORD, HANDLE)
{
    std::string path = Path(widePath);
    State& s = S();
    if (s.held.count(path) && !s.held[path]) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return INVALID_HANDLE_VALUE;
    }
    if (disposition == CREATE_ALWAYS) {
        s.files[path].clear();
        s.writtenAt[path] = ++s.writes;
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
    std::string& data = s.files[file->path];
    if (data.size() < file->pos + n)
        data.resize(file->pos + n);
    data.replace(file->pos, n, static_cast<const char*>(buffer), n);
    file->pos += n;
    s.written += n;
    s.writtenAt[file->path] = ++s.writes;
    *written = static_cast<DWORD>(n);
    if (n < bytes) {
        SetLastError(ERROR_HANDLE_DISK_FULL);
        return FALSE;
    }
    return TRUE;
}

BOOL SetEndOfFile(HANDLE handle)
{
    OpenFile* file = static_cast<OpenFile*>(handle);
    if (!file || handle == INVALID_HANDLE_VALUE || !file->writing) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    S().files[file->path].resize(file->pos);
    return TRUE;
}

BOOL FlushFileBuffers(HANDLE handle)
{
    return handle && handle != INVALID_HANDLE_VALUE;
}

BOOL GetFileAttributesExW(LPCWSTR widePath, int, void* info)
{
    std::string path = Path(widePath);
    State& s = S();
    if (!s.files.count(path)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    WIN32_FILE_ATTRIBUTE_DATA* data = static_cast<WIN32_FILE_ATTRIBUTE_DATA*>(info);
    *data = WIN32_FILE_ATTRIBUTE_DATA();
    data->dwFileAttributes = FILE_ATTRIBUTE_NORMAL;
    data->ftLastWriteTime.dwLowDateTime = s.writtenAt[path];
    data->nFileSizeLow = static_cast<DWORD>(s.files[path].size());
    return TRUE;
}

void GetSystemTimeAsFileTime(FILETIME* time)
{
    time->dwLowDateTime = ++S().writes;
    time->dwHighDateTime = 0;
}

BOOL SetFileTime(HANDLE handle, const FILETIME*, const FILETIME*, const FILETIME* written)
{
    OpenFile* file = static_cast<OpenFile*>(handle);
    if (!file || handle == INVALID_HANDLE_VALUE) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (written)
        S().writtenAt[file->path] = written->dwLowDateTime;
    return TRUE;
}

LONG CompareFileTime(const FILETIME* a, const FILETIME* b)
{
    unsigned long long x = (static_cast<unsigned long long>(a->dwHighDateTime) << 32) | a->dwLowDateTime;
    unsigned long long y = (static_cast<unsigned long long>(b->dwHighDateTime) << 32) | b->dwLowDateTime;
    return x < y ? -1 : x > y ? 1 : 0;
}

BOOL SetFileInformationByHandle(HANDLE handle, FILE_INFO_BY_HANDLE_CLASS kind, void* info, DWORD size)
{
    OpenFile* file = static_cast<OpenFile*>(handle);
    if (!file || handle == INVALID_HANDLE_VALUE || kind != FileDispositionInfo || size != sizeof(FILE_DISPOSITION_INFO)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    file->removeOnClose = static_cast<FILE_DISPOSITION_INFO*>(info)->DeleteFile != FALSE;
    return TRUE;
}

BOOL CloseHandle(HANDLE handle)
{
    if (!handle || handle == INVALID_HANDLE_VALUE)
        return FALSE;
    OpenFile* file = static_cast<OpenFile*>(handle);
    if (file->removeOnClose)
        S().files.erase(file->path);
    delete file;
    return TRUE;
}

HANDLE FindFirstFileW(LPCWSTR, WIN32_FIND_DATAW*)
{
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
}

BOOL FindNextFileW(HANDLE, WIN32_FIND_DATAW*)
{
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
}

BOOL FindClose(HANDLE)
{
    return TRUE;
}

DWORD GetFileAttributesW(LPCWSTR path)
{
    if (!S().files.count(Path(path))) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_FILE_ATTRIBUTES;
    }
    return FILE_ATTRIBUTE_NORMAL;
}

BOOL MoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags)
{
    State& s = S();
    std::string source = Path(from), target = Path(to);
    if (!s.files.count(source)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    if (s.files.count(target) && !(flags & MOVEFILE_REPLACE_EXISTING)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (s.held.count(target) || s.held.count(source)) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    std::string data = s.files[source];
    s.files.erase(source);
    s.files[target] = data;
    s.writtenAt[target] = s.writtenAt[source];
    return TRUE;
}

BOOL DeleteFileW(LPCWSTR path)
{
    if (S().held.count(Path(path))) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    if (!S().files.erase(Path(path))) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    return TRUE;
}

DWORD GetModuleFileNameW(HINSTANCE, LPWSTR name, DWORD size)
{
    static const WCHAR program[] = L"C:\\Kelmora\\Kelmora.exe";
    DWORD length = sizeof program / sizeof program[0] - 1;
    if (size == 0)
        return 0;
    DWORD copied = length < size ? length : size - 1;
    for (DWORD i = 0; i < copied; ++i)
        name[i] = program[i];
    name[copied] = 0;
    return length < size ? length : size;
}
