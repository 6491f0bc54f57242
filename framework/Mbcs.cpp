#include "framework/Mbcs.h"

#include <string.h>

int FindText(const char* text, int length, const char* sub, int start)
{
    int subLength = static_cast<int>(strlen(sub));
    if (start < 0 || start > length)
        return -1;
    for (int i = start; i + subLength <= length;) {
        if (memcmp(text + i, sub, static_cast<size_t>(subLength)) == 0)
            return i;
        int step = CharBytes(text + i);
        i += step ? step : 1;
    }
    return -1;
}

int FitText(const char* text, int length, int maxBytes)
{
    // A lead byte without its trail byte within length is half a character.
    int end = 0;
    while (end < length) {
        int step = ::IsDBCSLeadByteEx(PROGRAM_CODE_PAGE, static_cast<BYTE>(text[end])) ? 2 : 1;
        if (end + step > maxBytes || end + step > length)
            break;
        end += step;
    }
    return end;
}

int CountChars(const char* text)
{
    int chars = 0;
    for (int step; (step = CharBytes(text)) != 0; text += step)
        ++chars;
    return chars;
}
