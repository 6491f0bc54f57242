#include "File.h"

#include <stdlib.h>
#include <string.h>

BOOL CFileFind::FindFile(const char* pattern)
{
    Close();
    m_hFind = ::FindFirstFileA(pattern, &m_next);
    if (m_hFind == INVALID_HANDLE_VALUE)
        return FALSE;
    m_hasNext = TRUE;
    char drive[_MAX_DRIVE], dir[_MAX_DIR];
    _splitpath(pattern, drive, dir, nullptr, nullptr);
    m_root.Format("%s%s", drive, dir);
    return TRUE;
}

BOOL CFileFind::FindNextFile()
{
    if (!m_hasNext)
        return FALSE;
    m_found = m_next;
    m_hasNext = ::FindNextFileA(m_hFind, &m_next);
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
    return strcmp(m_found.cFileName, ".") == 0 || strcmp(m_found.cFileName, "..") == 0;
}

BOOL CFileFind::IsDirectory() const
{
    return (m_found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

BOOL CStdioFile::Open(const char* path, UINT flags)
{
    Close();
    m_failed = FALSE;
    m_len = m_pos = 0;
    DWORD access = (flags & modeWrite) ? GENERIC_WRITE : GENERIC_READ;
    DWORD share = (flags & shareDenyWrite) ? FILE_SHARE_READ : FILE_SHARE_READ | FILE_SHARE_WRITE;
    DWORD disposition = (flags & modeCreate) ? CREATE_ALWAYS : OPEN_EXISTING;
    m_hFile = ::CreateFileA(path, access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
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
    CString part;
    for (;;) {
        if (m_pos == m_len && !FillBuffer())
            break;
        any = TRUE;
        DWORD start = m_pos;
        while (m_pos < m_len && m_buf[m_pos] != '\n')
            ++m_pos;
        line += CString(m_buf + start, static_cast<int>(m_pos - start));
        if (m_pos < m_len) {
            ++m_pos;  // the '\n'
            break;
        }
    }
    int len = line.GetLength();
    if (len > 0 && line.GetAt(len - 1) == '\r')
        line = line.Left(len - 1);
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

BOOL IsReadOnlyFile(const char* path)
{
    DWORD attributes = ::GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           (attributes & FILE_ATTRIBUTE_READONLY);
}

BOOL IsReadableOrMissing(const char* path)
{
    HANDLE hFile = ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile != INVALID_HANDLE_VALUE) {
        ::CloseHandle(hFile);
        return TRUE;
    }
    DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

CString ProgramDir()
{
    char drive[_MAX_DRIVE], dir[_MAX_DIR];
    _splitpath(__argv[0], drive, dir, nullptr, nullptr);
    CString path;
    path.Format("%s%s", drive, dir);
    return path;
}
