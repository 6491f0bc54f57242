#include "framework/Text.h"

#include <string.h>

#include "framework/Mbcs.h"

namespace {

// Whether GBK holds the character whole: it converts to GBK without a
// default or best-fit stand-in, and so converts back to itself.
bool GbkHolds(const wchar_t* units, int count)
{
    BOOL usedDefault = FALSE;
    int n = ::WideCharToMultiByte(PROGRAM_CODE_PAGE, WC_NO_BEST_FIT_CHARS, units, count, nullptr, 0, nullptr,
                                  &usedDefault);
    return n > 0 && !usedDefault;
}

// The code point as one or two UTF-16 units; the count.
int Utf16Units(unsigned codePoint, wchar_t units[2])
{
    if (codePoint < 0x10000) {
        units[0] = static_cast<wchar_t>(codePoint);
        return 1;
    }
    codePoint -= 0x10000;
    units[0] = static_cast<wchar_t>(0xD800 + (codePoint >> 10));
    units[1] = static_cast<wchar_t>(0xDC00 + (codePoint & 0x3FF));
    return 2;
}

// "&#N;" at text (bytes bytes), N written as the writer writes it (one to
// seven decimal digits, no leading zero): its length in bytes, and the
// character in units; 0 for anything else, which is text as it stands.
// "&#38;" is an "&" that a "#" follows in the text; otherwise only a
// character GBK cannot hold is carried, so "&#20013;" in a file written
// before "&" was carried stays those eight characters, and a surrogate
// alone is no character.
int ParseCarried(const char* text, int bytes, wchar_t units[2], int* unitCount)
{
    if (bytes < 4 || text[0] != '&' || text[1] != '#' || text[2] < '1' || text[2] > '9')
        return 0;
    unsigned value = 0;
    int i = 2;
    for (; i < bytes && i < 9 && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10 + static_cast<unsigned>(text[i] - '0');
    if (i >= bytes || text[i] != ';' || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    *unitCount = Utf16Units(value, units);
    return value == '&' || !GbkHolds(units, *unitCount) ? i + 1 : 0;
}

void AppendConverted(std::wstring& out, const char* text, int bytes)
{
    if (bytes <= 0)
        return;
    int n = ::MultiByteToWideChar(PROGRAM_CODE_PAGE, 0, text, bytes, nullptr, 0);
    if (n <= 0)
        return;
    size_t at = out.size();
    out.resize(at + static_cast<size_t>(n));
    ::MultiByteToWideChar(PROGRAM_CODE_PAGE, 0, text, bytes, &out[at], n);
}

void AppendConverted(CString& out, const wchar_t* text, int units)
{
    if (units <= 0)
        return;
    int n = ::WideCharToMultiByte(PROGRAM_CODE_PAGE, 0, text, units, nullptr, 0, nullptr, nullptr);
    if (n <= 0)
        return;
    CString piece;
    ::WideCharToMultiByte(PROGRAM_CODE_PAGE, 0, text, units, piece.GetBuffer(n), n, nullptr, nullptr);
    piece.ReleaseBuffer(n);
    out.Append(piece, n);
}

}  // namespace

// The text is walked by GBK characters, so an "&" that is the trail byte of
// a double-byte character never starts a carried character.
std::wstring ToUtf16(const char* text, int length)
{
    std::wstring out;
    if (!text)
        return out;
    int bytes = length < 0 ? static_cast<int>(strlen(text)) : length;
    int plain = 0;
    for (int i = 0; i < bytes;) {
        wchar_t units[2];
        int unitCount = 0;
        int carried = text[i] == '&' ? ParseCarried(text + i, bytes - i, units, &unitCount) : 0;
        if (carried) {
            AppendConverted(out, text + plain, i - plain);
            out.append(units, static_cast<size_t>(unitCount));
            i += carried;
            plain = i;
            continue;
        }
        i += ::IsDBCSLeadByteEx(PROGRAM_CODE_PAGE, static_cast<BYTE>(text[i])) && i + 1 < bytes ? 2 : 1;
    }
    AppendConverted(out, text + plain, bytes - plain);
    return out;
}

// Text GBK holds whole, with no "&#" in it, is converted at once;
// otherwise runs of characters it holds are, an "&" before a "#" becomes
// "&#38;" and each other character (a surrogate pair is one) "&#N;". A
// surrogate alone is no character: it is carried as U+FFFD, the
// replacement character, as the platform's UTF-8 conversion writes it.
CString ToGbk(const wchar_t* text, int length)
{
    CString out;
    if (!text)
        return out;
    int units = 0;
    if (length < 0) {
        while (text[units])
            ++units;
    } else {
        units = length;
    }
    bool ampersandHash = false;
    for (int i = 0; i + 1 < units && !ampersandHash; ++i)
        ampersandHash = text[i] == L'&' && text[i + 1] == L'#';
    if (units > 0 && !ampersandHash && GbkHolds(text, units)) {
        AppendConverted(out, text, units);
        return out;
    }
    int plain = 0;
    for (int i = 0; i < units;) {
        int count = (text[i] & 0xFC00) == 0xD800 && i + 1 < units && (text[i + 1] & 0xFC00) == 0xDC00 ? 2 : 1;
        bool lone = count == 1 && (text[i] & 0xF800) == 0xD800;
        bool ampersand = text[i] == L'&' && i + 1 < units && text[i + 1] == L'#';
        if (!lone && !ampersand && GbkHolds(text + i, count)) {
            i += count;
            continue;
        }
        AppendConverted(out, text + plain, i - plain);
        unsigned codePoint = count == 2 ? 0x10000 + ((static_cast<unsigned>(text[i]) & 0x3FF) << 10) +
                                              (static_cast<unsigned>(text[i + 1]) & 0x3FF)
                                        : static_cast<unsigned>(text[i]) & 0xFFFF;
        CString carried;
        carried.Format("&#%u;", lone ? 0xFFFDu : codePoint);
        out += carried;
        i += count;
        plain = i;
    }
    AppendConverted(out, text + plain, units - plain);
    return out;
}
