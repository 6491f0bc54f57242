// The calling-convention probe: each export tells which object pointer it
// received, so the host test can see the registers the host fills.
#include <stdint.h>

#include "KelmoraCharacter.h"

static void AppendHex(CString* text, const void* p)
{
    uintptr_t v = reinterpret_cast<uintptr_t>(p);
    char digits[2 * sizeof v + 1];
    for (int i = 0; i < static_cast<int>(2 * sizeof v); ++i)
        digits[i] = "0123456789ABCDEF"[(v >> (4 * (2 * sizeof v - 1 - i))) & 0xF];
    digits[2 * sizeof v] = '\0';
    *text += digits;
}

// A shown character whose name carries the object pointer: P<hex>, five
// frames, one in each category the doll shows.
CString CRes::AllConfig()
{
    CString text("P");
    AppendHex(&text, this);
    text += "_100_1_1_1_1_1_1_0_100_100_100_100_100_0_";
    return text;
}

CString CRes::GetSerchMessage()
{
    CString text("this=");
    AppendHex(&text, this);
    return text;
}
