#include "File.h"

#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#include <vector>

#include "framework/Mbcs.h"
#include "framework/Text.h"

BOOL CFileFind::FindFile(const char* pattern)
{
    Close();
    m_hFind = ::FindFirstFileW(ToUtf16(pattern).c_str(), &m_next);
    if (m_hFind == INVALID_HANDLE_VALUE)
        return FALSE;
    m_hasNext = TRUE;
    m_root = PathFolder(pattern);
    return TRUE;
}

BOOL CFileFind::FindNextFile()
{
    if (!m_hasNext)
        return FALSE;
    m_found = m_next;
    m_hasNext = ::FindNextFileW(m_hFind, &m_next);
    return m_hasNext;
}

void CFileFind::Close()
{
    if (m_hFind != INVALID_HANDLE_VALUE)
        ::FindClose(m_hFind);
    m_hFind = INVALID_HANDLE_VALUE;
    m_hasNext = FALSE;
}

BOOL CFileFind::IsDots() const
{
    return wcscmp(m_found.cFileName, L".") == 0 || wcscmp(m_found.cFileName, L"..") == 0;
}

BOOL CFileFind::IsDirectory() const
{
    return (m_found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

CString CFileFind::GetFilePath() const
{
    return m_root + ToGbk(m_found.cFileName);
}

BOOL CStdioFile::Open(const char* path, UINT flags)
{
    Close();
    m_failed = FALSE;
    m_len = m_pos = 0;
    DWORD access = (flags & modeWrite) ? GENERIC_WRITE : GENERIC_READ;
    DWORD share = (flags & shareDenyWrite) ? FILE_SHARE_READ : FILE_SHARE_READ | FILE_SHARE_WRITE;
    DWORD disposition = (flags & modeCreate) ? CREATE_ALWAYS : OPEN_EXISTING;
    m_hFile = ::CreateFileW(ToUtf16(path).c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    m_writing = (flags & modeWrite) != 0;
    return m_hFile != INVALID_HANDLE_VALUE;
}

BOOL CStdioFile::FillBuffer()
{
    m_pos = 0;
    if (!::ReadFile(m_hFile, m_buf, sizeof m_buf, &m_len, nullptr))
        m_len = 0;
    return m_len > 0;
}

BOOL CStdioFile::ReadString(CString& line)
{
    line.Empty();
    if (m_hFile == INVALID_HANDLE_VALUE)
        return FALSE;
    BOOL any = FALSE;
    for (;;) {
        if (m_pos == m_len && !FillBuffer())
            break;
        any = TRUE;
        DWORD start = m_pos;
        while (m_pos < m_len && m_buf[m_pos] != '\n')
            ++m_pos;
        line.Append(m_buf + start, static_cast<int>(m_pos - start));
        if (m_pos < m_len) {
            ++m_pos;  // the '\n'
            break;
        }
    }
    int len = line.GetLength();
    if (len > 0 && line.GetAt(len - 1) == '\r')
        line.Truncate(len - 1);
    return any;
}

BOOL CStdioFile::Flush()
{
    DWORD done = 0;
    if (m_len > 0 && (!::WriteFile(m_hFile, m_buf, m_len, &done, nullptr) || done != m_len))
        m_failed = TRUE;
    m_len = 0;
    return !m_failed;
}

BOOL CStdioFile::WriteString(const char* text)
{
    if (m_hFile == INVALID_HANDLE_VALUE)
        return FALSE;
    for (const char* p = text; *p; ++p) {
        if (m_len + 2 > sizeof m_buf)
            Flush();
        if (*p == '\n')
            m_buf[m_len++] = '\r';
        m_buf[m_len++] = *p;
    }
    return !m_failed;
}

BOOL CStdioFile::Close()
{
    if (m_hFile == INVALID_HANDLE_VALUE)
        return FALSE;
    BOOL ok = m_writing ? Flush() : TRUE;
    ::CloseHandle(m_hFile);
    m_hFile = INVALID_HANDLE_VALUE;
    m_len = m_pos = 0;
    return ok && !m_failed;
}

// Index just past the folder part: after the last separator, or after the
// drive of "C:name"; 0 for a bare name.
static int FolderLength(const char* path)
{
    int end = path[0] && path[1] == ':' && CharBytes(path) == 1 ? 2 : 0;
    for (int i = 0, step; (step = CharBytes(path + i)) != 0; i += step)
        if (step == 1 && (path[i] == '\\' || path[i] == '/'))
            end = i + 1;
    return end;
}

CString PathFolder(const char* path)
{
    return CString(path, FolderLength(path));
}

CString PathTitle(const char* path)
{
    const char* name = path + FolderLength(path);
    int dot = -1, length = 0;
    for (int step; (step = CharBytes(name + length)) != 0; length += step)
        if (step == 1 && name[length] == '.')
            dot = length;
    return CString(name, dot >= 0 ? dot : length);
}

BOOL IsReadOnlyFile(const char* path)
{
    DWORD attributes = ::GetFileAttributesW(ToUtf16(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           (attributes & FILE_ATTRIBUTE_READONLY);
}

BOOL IsReadableOrMissing(const char* path)
{
    HANDLE hFile = ::CreateFileW(ToUtf16(path).c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile != INVALID_HANDLE_VALUE) {
        ::CloseHandle(hFile);
        return TRUE;
    }
    DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

BOOL FileExists(const char* path)
{
    DWORD attributes = ::GetFileAttributesW(ToUtf16(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

CString TempFileFor(const char* path)
{
    return CString(path) + ".new";
}

// Whole, then flushed: what the rename or the next start finds is all of it.
static bool WriteAll(HANDLE hFile, const char* data, size_t size)
{
    bool ok = true;
    while (ok && size > 0) {
        DWORD piece = size > (1u << 20) ? (1u << 20) : static_cast<DWORD>(size), done = 0;
        ok = ::WriteFile(hFile, data, piece, &done, nullptr) && done == piece;
        data += piece;
        size -= piece;
    }
    return ok && ::SetEndOfFile(hFile) && ::FlushFileBuffers(hFile);
}

// Until it is whole, the new file goes with its handle: a program that ends
// while writing it (a crash, the task manager) leaves none of it behind for
// the next start to take for the new text.
static bool DeleteOnClose(HANDLE hFile, BOOL remove)
{
    FILE_DISPOSITION_INFO info = { remove };
    return ::SetFileInformationByHandle(hFile, FileDispositionInfo, &info, sizeof info) != FALSE;
}

static bool WriteNewFile(const wchar_t* path, const char* data, size_t size)
{
    HANDLE hFile = ::CreateFileW(path, GENERIC_WRITE | DELETE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    bool whole = DeleteOnClose(hFile, TRUE) && WriteAll(hFile, data, size) && DeleteOnClose(hFile, FALSE);
    return ::CloseHandle(hFile) && whole;
}

static bool WriteInPlace(const wchar_t* path, const char* data, size_t size, bool* opened)
{
    HANDLE hFile = ::CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    *opened = hFile != INVALID_HANDLE_VALUE;
    if (!*opened)
        return false;
    bool whole = WriteAll(hFile, data, size);
    return ::CloseHandle(hFile) && whole;
}

// The rename is refused while another program (an editor, a sync or backup
// tool) holds the file open without letting it be deleted; such a program
// usually lets it be written, as the profile functions always wrote it. No
// waiting for it to let go: this runs on the window thread.
SaveOutcome WriteWholeFile(const char* path, const char* data, size_t size)
{
    std::wstring target = ToUtf16(path), fresh = ToUtf16(TempFileFor(path));
    if (!WriteNewFile(fresh.c_str(), data, size)) {
        ::DeleteFileW(fresh.c_str());
        return SAVE_LOST;
    }
    if (::MoveFileExW(fresh.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING))
        return SAVE_WRITTEN;
    DWORD error = ::GetLastError();
    if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED)
        return SAVE_KEPT_NEW;
    bool opened = false;
    if (WriteInPlace(target.c_str(), data, size, &opened)) {
        ::DeleteFileW(fresh.c_str());
        return SAVE_WRITTEN;
    }
    // A write in place cut short (a full disk) has made the file the newer
    // of the two, and it may hold only part of the text: the kept text is
    // stamped newer again, so that it is what the next start reads.
    if (opened) {
        HANDLE hStamp = ::CreateFileW(fresh.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
        FILETIME now;
        ::GetSystemTimeAsFileTime(&now);
        if (hStamp != INVALID_HANDLE_VALUE) {
            ::SetFileTime(hStamp, nullptr, nullptr, &now);
            ::CloseHandle(hStamp);
        }
    }
    return SAVE_KEPT_NEW;
}

static bool LastWritten(const wchar_t* path, FILETIME* time)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(path, GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    *time = data.ftLastWriteTime;
    return true;
}

CString NewerCopy(const char* path)
{
    CString fresh = TempFileFor(path);
    FILETIME freshTime, fileTime;
    if (!LastWritten(ToUtf16(fresh).c_str(), &freshTime))
        return CString(path);
    if (LastWritten(ToUtf16(path).c_str(), &fileTime) && ::CompareFileTime(&freshTime, &fileTime) <= 0)
        return CString(path);
    return fresh;
}

CString UnsavedLine(const char* path, SaveOutcome outcome)
{
    CString line;
    if (outcome == SAVE_KEPT_NEW)
        line.Format("%s\n（新的内容在 %s 中，下次启动时读取）\n", path, static_cast<const char*>(TempFileFor(path)));
    else if (outcome == SAVE_LOST)
        line.Format("%s\n", path);
    return line;
}

// The module's own file name, whatever its length and its characters.
CString ProgramDir()
{
    std::vector<wchar_t> name(MAX_PATH);
    for (;;) {
        DWORD length = ::GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (length == 0)
            return CString();
        if (length < name.size())
            return PathFolder(ToGbk(name.data(), static_cast<int>(length)));
        name.resize(name.size() * 2);
    }
}

CString ProgramFile(const char* name)
{
    return ProgramDir() + name;
}
