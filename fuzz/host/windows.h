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

DWORD GetLastError();
void SetLastError(DWORD error);

int _vscprintf(const char* format, va_list args);
