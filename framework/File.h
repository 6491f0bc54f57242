#pragma once
#include <windows.h>

#include "CString.h"
#include "NoCopy.h"

// Iterates the matches of a wildcard pattern.
class CFileFind : private CNoCopy {
public:
    ~CFileFind() { Close(); }

    BOOL FindFile(const char* pattern);
    // Moves to the next match; returns FALSE when the current one is the last.
    BOOL FindNextFile();
    void Close();

    BOOL IsDots() const;
    BOOL IsDirectory() const;
    // The match's folder and name; a name GBK cannot hold carries its
    // characters as framework/Text.h does, and so opens again.
    CString GetFilePath() const;

private:
    HANDLE m_hFind = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAW m_found = {};
    WIN32_FIND_DATAW m_next = {};
    BOOL m_hasNext = FALSE;
    CString m_root;
};

// A file read and written line by line in text mode: CR LF on disk is a line
// end in memory.
class CStdioFile : private CNoCopy {
public:
    enum {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeCreate = 0x1000,
        shareDenyNone = 0x0040,
        shareDenyWrite = 0x0020,
        typeText = 0x4000,
    };
    ~CStdioFile() { Close(); }

    BOOL Open(const char* path, UINT flags);
    // Reads one line without its line end; FALSE at the end of the file.
    BOOL ReadString(CString& line);
    // Writes the text; each "\n" becomes CR LF. FALSE when a write failed.
    BOOL WriteString(const char* text);
    // Flushes and closes; FALSE when anything written since Open was lost.
    BOOL Close();

private:
    BOOL FillBuffer();
    BOOL Flush();

    HANDLE m_hFile = INVALID_HANDLE_VALUE;
    char m_buf[4096];
    DWORD m_len = 0, m_pos = 0;
    BOOL m_failed = FALSE, m_writing = FALSE;
};

// The folder of a path with its last separator ("C:\\dir\\", "C:" of
// "C:x", empty for a bare name), and the file name without its folder and
// its last extension. Both walk whole characters: a GBK trail byte may equal
// a backslash.
CString PathFolder(const char* path);
CString PathTitle(const char* path);

// Whether the file exists and is marked read-only. Writers of the user's
// files ask first: not every write is stopped by the platform (renaming a
// file over it replaces it, and Wine run as root writes it anyway).
BOOL IsReadOnlyFile(const char* path);

// Whether what the file holds can be known: it opens for reading, or there
// is none. One that exists but cannot be read (a folder of that name, a file
// another program holds) must not be replaced by defaults or nothing.
BOOL IsReadableOrMissing(const char* path);

// Whether a file (not a folder) of that name exists.
BOOL FileExists(const char* path);

// How new text for a file reached the disk.
enum SaveOutcome {
    SAVE_WRITTEN,   // the file holds it
    SAVE_LEFT,      // the file is left as it was on purpose: read-only, or not known
    SAVE_KEPT_NEW,  // the file could be neither replaced nor written: the text waits in TempFileFor's file
    SAVE_LOST,      // not even that file could be written
};

// A file is replaced only by a complete new one: written whole and flushed
// beside it under TempFileFor's name, then renamed over it; when another
// program holding the file refuses the rename, written over it in place.
// When neither can be done the new file is kept, and NewerCopy finds it at
// the next start.
CString TempFileFor(const char* path);
SaveOutcome WriteWholeFile(const char* path, const char* data, size_t size);
// What to read for the file: its TempFileFor file when that was written
// later than the file itself (or the file is gone), else the file.
CString NewerCopy(const char* path);
// A line of the message that tells the user which files could not be
// written: the file, and where its new text waits; empty when the file was
// written or left as it was on purpose.
CString UnsavedLine(const char* path, SaveOutcome outcome);

// The running program's folder, from its module's full path ("C:\dir\").
CString ProgramDir();
// A file in that folder.
CString ProgramFile(const char* name);
