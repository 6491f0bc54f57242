// The code pages and the shell of the host shim. Code page 936 is taken
// from the C library's iconv table once, so that conversions are the real
// ones and not a model of them.
#include <windows.h>
#include <shellapi.h>

#include <errno.h>
#include <iconv.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

namespace {

thread_local DWORD g_lastError = 0;

const WCHAR kNone = 0xFFFF;  // no character of code page 936 maps here

struct Cp936 {
    WCHAR single[256];
    WCHAR pair[256][256];             // lead, trail
    std::vector<uint16_t> fromWide;  // UTF-16 unit -> bytes (0: none)

    Cp936() : fromWide(0x10000, 0)
    {
        iconv_t cd = iconv_open("UTF-16LE", "CP936");
        if (cd == reinterpret_cast<iconv_t>(-1)) {
            fprintf(stderr, "host shim: iconv has no CP936\n");
            abort();
        }
        for (int b = 0; b < 256; ++b) {
            single[b] = kNone;
            for (int t = 0; t < 256; ++t)
                pair[b][t] = kNone;
        }
        for (int b = 0; b < 256; ++b) {
            if (b < 0x80) {
                single[b] = static_cast<WCHAR>(b);
                continue;
            }
            if (IsDBCSLeadByte(static_cast<BYTE>(b))) {
                for (int t = 1; t < 256; ++t)
                    pair[b][t] = Convert(cd, b, t);
            } else {
                single[b] = Convert(cd, b, -1);
            }
        }
        iconv_close(cd);
        // The reverse direction: first byte sequence of each character wins.
        for (int b = 0xFF; b >= 0; --b) {
            for (int t = 0xFF; t >= 1; --t)
                if (pair[b][t] != kNone)
                    fromWide[pair[b][t]] = static_cast<uint16_t>(b << 8 | t);
            if (single[b] != kNone)
                fromWide[single[b]] = static_cast<uint16_t>(b);
        }
    }

    static WCHAR Convert(iconv_t cd, int b, int t)
    {
        char in[2] = { static_cast<char>(b), static_cast<char>(t) };
        unsigned char out[8];
        char* pin = in;
        char* pout = reinterpret_cast<char*>(out);
        size_t inLeft = t < 0 ? 1 : 2, outLeft = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd, &pin, &inLeft, &pout, &outLeft) == static_cast<size_t>(-1) || inLeft != 0 ||
            sizeof out - outLeft != 2)
            return kNone;
        return static_cast<WCHAR>(out[0] | out[1] << 8);
    }
};

const Cp936& Table()
{
    static const Cp936 table;
    return table;
}

bool Is936(UINT codePage) { return codePage == CP_ACP || codePage == 936; }

// Appends to out; false when the input is invalid and invalid input fails.
// A lead byte takes the byte after it, whatever that is, and a pair that is
// no character is one "?", as the platform converts it.
bool Decode936(const unsigned char* s, size_t n, bool strict, std::vector<WCHAR>& out)
{
    const Cp936& t = Table();
    for (size_t i = 0; i < n; ++i) {
        if (IsDBCSLeadByte(s[i]) && i + 1 < n) {
            if (t.pair[s[i]][s[i + 1]] == kNone && strict)
                return false;
            out.push_back(t.pair[s[i]][s[i + 1]] != kNone ? t.pair[s[i]][s[i + 1]] : '?');
            ++i;
        } else if (t.single[s[i]] != kNone) {
            out.push_back(t.single[s[i]]);
        } else {
            if (strict)
                return false;
            out.push_back('?');
        }
    }
    return true;
}

bool DecodeUtf8(const unsigned char* s, size_t n, bool strict, std::vector<WCHAR>& out)
{
    for (size_t i = 0; i < n;) {
        unsigned c = s[i];
        int len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        unsigned cp = len == 1 ? c : len == 2 ? c & 0x1F : len == 3 ? c & 0x0F : c & 0x07;
        bool ok = len > 0 && i + len <= n;
        for (int k = 1; ok && k < len; ++k) {
            ok = (s[i + k] & 0xC0) == 0x80;
            cp = cp << 6 | (s[i + k] & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are invalid.
        static const unsigned kMin[5] = { 0, 0, 0x80, 0x800, 0x10000 };
        ok = ok && cp >= kMin[len] && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF);
        if (!ok) {
            if (strict)
                return false;
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            out.push_back(static_cast<WCHAR>(0xD800 + ((cp - 0x10000) >> 10)));
            out.push_back(static_cast<WCHAR>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<WCHAR>(cp));
        }
        i += static_cast<size_t>(len);
    }
    return true;
}

void EncodeUtf8(const WCHAR* s, size_t n, std::vector<char>& out)
{
    for (size_t i = 0; i < n; ++i) {
        unsigned cp = static_cast<unsigned>(s[i]) & 0xFFFF;
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < n && (s[i + 1] & 0xFC00) == 0xDC00) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + ((static_cast<unsigned>(s[i + 1]) & 0xFFFF) - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;  // a lone surrogate
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | cp >> 6));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | cp >> 12));
            out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | cp >> 18));
            out.push_back(static_cast<char>(0x80 | (cp >> 12 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
}

void Encode936(const WCHAR* s, size_t n, bool* usedDefault, std::vector<char>& out)
{
    const Cp936& t = Table();
    for (size_t i = 0; i < n; ++i) {
        uint16_t bytes = t.fromWide[static_cast<unsigned>(s[i]) & 0xFFFF];
        if (bytes == 0 && s[i] != 0) {
            *usedDefault = true;
            out.push_back('?');
        } else if (bytes > 0xFF) {
            out.push_back(static_cast<char>(bytes >> 8));
            out.push_back(static_cast<char>(bytes & 0xFF));
        } else {
            out.push_back(static_cast<char>(bytes));
        }
    }
}

template <class T>
int Deliver(const std::vector<T>& result, T* dst, int dstLen)
{
    if (result.size() > 0x7FFFFFFF) {
        g_lastError = ERROR_INSUFFICIENT_BUFFER;
        return 0;
    }
    int n = static_cast<int>(result.size());
    if (dstLen == 0)
        return n;
    if (dstLen < n) {
        g_lastError = ERROR_INSUFFICIENT_BUFFER;
        return 0;
    }
    if (n)
        memcpy(dst, result.data(), result.size() * sizeof(T));
    return n;
}

}  // namespace

BOOL IsDBCSLeadByte(BYTE c)
{
    return c >= 0x81 && c <= 0xFE;
}

BOOL IsDBCSLeadByteEx(UINT codePage, BYTE c)
{
    return Is936(codePage) && IsDBCSLeadByte(c);
}

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR src, int srcLen, LPWSTR dst, int dstLen)
{
    if (!src || srcLen == 0 || srcLen < -1 || dstLen < 0 || (dstLen > 0 && !dst)) {
        g_lastError = ERROR_INVALID_PARAMETER;
        return 0;
    }
    if (flags & ~static_cast<DWORD>(MB_ERR_INVALID_CHARS)) {
        g_lastError = ERROR_INVALID_FLAGS;
        return 0;
    }
    size_t n = srcLen < 0 ? strlen(src) + 1 : static_cast<size_t>(srcLen);
    const unsigned char* s = reinterpret_cast<const unsigned char*>(src);
    bool strict = (flags & MB_ERR_INVALID_CHARS) != 0;
    std::vector<WCHAR> out;
    bool ok;
    if (Is936(codePage))
        ok = Decode936(s, n, strict, out);
    else if (codePage == CP_UTF8)
        ok = DecodeUtf8(s, n, strict, out);
    else {
        g_lastError = ERROR_INVALID_PARAMETER;
        return 0;
    }
    if (!ok) {
        g_lastError = ERROR_NO_UNICODE_TRANSLATION;
        return 0;
    }
    return Deliver(out, dst, dstLen);
}

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR src, int srcLen, LPSTR dst, int dstLen,
                        LPCSTR defaultChar, LPBOOL usedDefault)
{
    if (!src || srcLen == 0 || srcLen < -1 || dstLen < 0 || (dstLen > 0 && !dst)) {
        g_lastError = ERROR_INVALID_PARAMETER;
        return 0;
    }
    size_t n = 0;
    if (srcLen < 0) {
        while (src[n])
            ++n;
        ++n;
    } else {
        n = static_cast<size_t>(srcLen);
    }
    std::vector<char> out;
    if (codePage == CP_UTF8) {
        // The platform refuses these two for UTF-8.
        if (defaultChar || usedDefault) {
            g_lastError = ERROR_INVALID_PARAMETER;
            return 0;
        }
        EncodeUtf8(src, n, out);
    } else if (Is936(codePage)) {
        if (flags & ~static_cast<DWORD>(WC_NO_BEST_FIT_CHARS)) {
            g_lastError = ERROR_INVALID_FLAGS;
            return 0;
        }
        bool used = false;
        Encode936(src, n, &used, out);
        if (usedDefault)
            *usedDefault = used ? TRUE : FALSE;
    } else {
        g_lastError = ERROR_INVALID_PARAMETER;
        return 0;
    }
    return Deliver(out, dst, dstLen);
}

DWORD GetLastError()
{
    return g_lastError;
}

void SetLastError(DWORD error)
{
    g_lastError = error;
}

int _vscprintf(const char* format, va_list args)
{
    va_list copy;
    va_copy(copy, args);
    int n = vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    return n;
}

namespace shim {
ShellCall& LastShellCall()
{
    static ShellCall call;
    return call;
}
}  // namespace shim

BOOL ShellExecuteExW(SHELLEXECUTEINFOW* info)
{
    shim::ShellCall& call = shim::LastShellCall();
    ++call.count;
    call.mask = info->fMask;
    call.verb = info->lpVerb ? info->lpVerb : L"";
    call.file = info->lpFile ? info->lpFile : L"";
    call.parameters = info->lpParameters ? info->lpParameters : L"";
    info->hInstApp = reinterpret_cast<HINSTANCE>(static_cast<intptr_t>(42));
    return TRUE;
}
