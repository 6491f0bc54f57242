#pragma once
#include <windows.h>

// The program's own code page, whatever the system's: its texts, the
// plug-ins' strings and its files are GBK.
enum { PROGRAM_CODE_PAGE = 936 };

// Multibyte text of the program's code page, walked by
// whole characters: a lead byte and the byte after it are one character,
// so a trail byte is never taken for the ASCII character it happens to equal
// ("乢" is 0x81 0x5F, its second byte an "_"). A lead byte at the very end
// stands alone. The C runtime's multibyte functions follow a code-page state
// of their own, so the walking is done here.

// Bytes of the character at p: 0 at the terminator, else 1 or 2.
inline int CharBytes(const char* p)
{
    if (*p == '\0')
        return 0;
    return ::IsDBCSLeadByteEx(PROGRAM_CODE_PAGE, static_cast<BYTE>(*p)) && p[1] != '\0' ? 2 : 1;
}

// Index of the first sub at a character boundary at or after start (itself
// a boundary) in the length bytes of text; -1 when there is none.
int FindText(const char* text, int length, const char* sub, int start = 0);

// The longest leading part of the length bytes of text that holds at most
// maxBytes bytes and only whole characters (a lead byte whose trail byte is
// cut off is left out).
int FitText(const char* text, int length, int maxBytes);

// Characters of the text up to its terminator.
int CountChars(const char* text);
