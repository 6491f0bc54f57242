#pragma once
// The part of the Win32 API that the platform-free sources use, for building
// them on Linux: the types with their Win64 sizes, and the code-page
// functions with code page 936 as the system code page. Wide characters are
// UTF-16 code units, one per wchar_t, as on Windows.
#include <stdarg.h>
#include <stddef.h>
#include <stdint.h>

typedef int BOOL;
typedef unsigned char BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef unsigned int UINT;
typedef wchar_t WCHAR;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef WCHAR* LPWSTR;
typedef const WCHAR* LPCWSTR;
typedef BOOL* LPBOOL;
typedef struct HWND__* HWND;
typedef intptr_t LRESULT;
typedef struct HINSTANCE__* HINSTANCE;

#define TRUE 1
#define FALSE 0
#define WINAPI
#define MAXDWORD 0xffffffffu

struct RECT {
    LONG left, top, right, bottom;
};
struct POINT {
    LONG x, y;
};
struct RGNDATAHEADER {
    DWORD dwSize, iType, nCount, nRgnSize;
    RECT rcBound;
};
#define RDH_RECTANGLES 1
static_assert(sizeof(RECT) == 16 && sizeof(RGNDATAHEADER) == 32, "region data layout");

#define CP_ACP 0
#define CP_UTF8 65001
#define MB_ERR_INVALID_CHARS 0x00000008
#define WC_NO_BEST_FIT_CHARS 0x00000400

#define ERROR_INSUFFICIENT_BUFFER 122
#define ERROR_INVALID_PARAMETER 87
#define ERROR_NO_UNICODE_TRANSLATION 1113
#define ERROR_INVALID_FLAGS 1004

// Lead bytes of code page 936 (0x81 to 0xFE); no lead bytes in other code
// pages the program uses.
BOOL IsDBCSLeadByte(BYTE c);
BOOL IsDBCSLeadByteEx(UINT codePage, BYTE c);

// Code pages 936 (CP_ACP) and 65001, with the platform's sizing, terminator
// and buffer rules. Code page 936 follows the C library's CP936 table.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR src, int srcLen, LPWSTR dst, int dstLen);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR src, int srcLen, LPSTR dst, int dstLen,
                        LPCSTR defaultChar, LPBOOL usedDefault);

// Files, through an in-memory file system of fakefs.h.
typedef void* HANDLE;
typedef struct _SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES;
typedef struct _OVERLAPPED* LPOVERLAPPED;
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)))
#define MAX_PATH 260
#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define FILE_SHARE_READ 0x1
#define FILE_SHARE_WRITE 0x2
#define FILE_SHARE_DELETE 0x4
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define GetFileExInfoStandard 0
#define FILE_ATTRIBUTE_READONLY 0x1
#define FILE_ATTRIBUTE_DIRECTORY 0x10
#define FILE_ATTRIBUTE_NORMAL 0x80
#define INVALID_FILE_ATTRIBUTES 0xffffffffu
#define ERROR_FILE_NOT_FOUND 2
#define ERROR_PATH_NOT_FOUND 3
#define ERROR_ACCESS_DENIED 5
#define ERROR_SHARING_VIOLATION 32
#define ERROR_INVALID_HANDLE 6
#define ERROR_HANDLE_DISK_FULL 39
#define ERROR_NO_MORE_FILES 18

struct FILETIME {
    DWORD dwLowDateTime, dwHighDateTime;
};
struct WIN32_FIND_DATAW {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime, ftLastAccessTime, ftLastWriteTime;
    DWORD nFileSizeHigh, nFileSizeLow, dwReserved0, dwReserved1;
    WCHAR cFileName[MAX_PATH];
    WCHAR cAlternateFileName[14];
};
#define MOVEFILE_REPLACE_EXISTING 0x1
struct WIN32_FILE_ATTRIBUTE_DATA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime, ftLastAccessTime, ftLastWriteTime;
    DWORD nFileSizeHigh, nFileSizeLow;
};

// Paths reach fakefs as the GBK text the program names them with.
HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition,
                   DWORD attributes, HANDLE templateFile);
BOOL ReadFile(HANDLE file, void* buffer, DWORD bytes, DWORD* read, LPOVERLAPPED overlapped);
BOOL WriteFile(HANDLE file, const void* buffer, DWORD bytes, DWORD* written, LPOVERLAPPED overlapped);
BOOL CloseHandle(HANDLE handle);
HANDLE FindFirstFileW(LPCWSTR pattern, WIN32_FIND_DATAW* found);
BOOL FindNextFileW(HANDLE find, WIN32_FIND_DATAW* found);
BOOL FindClose(HANDLE find);
DWORD GetFileAttributesW(LPCWSTR path);
BOOL MoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags);
BOOL SetEndOfFile(HANDLE file);
BOOL FlushFileBuffers(HANDLE file);
// The last write time counts the writes made in fakefs.
BOOL GetFileAttributesExW(LPCWSTR path, int level, void* info);
LONG CompareFileTime(const FILETIME* a, const FILETIME* b);
// The time is the count of writes made so far; SetFileTime sets only the
// last write time.
#define FILE_WRITE_ATTRIBUTES 0x0100
void GetSystemTimeAsFileTime(FILETIME* time);
BOOL SetFileTime(HANDLE file, const FILETIME* created, const FILETIME* accessed, const FILETIME* written);
BOOL DeleteFileW(LPCWSTR path);
// A file marked so is removed when its handle is closed.
#define DELETE 0x00010000u
struct FILE_DISPOSITION_INFO {
    BOOL DeleteFile;
};
enum FILE_INFO_BY_HANDLE_CLASS { FileDispositionInfo = 4 };
BOOL SetFileInformationByHandle(HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, void* info, DWORD size);
// The program's module is C:\Kelmora\Kelmora.exe.
DWORD GetModuleFileNameW(HINSTANCE module, LPWSTR name, DWORD size);

DWORD GetLastError();
void SetLastError(DWORD error);

int _vscprintf(const char* format, va_list args);
