#include "framework/Shell.h"

#include <shellapi.h>

static bool StartsWithNoCase(const char* text, const char* prefix)
{
    for (; *prefix; ++text, ++prefix) {
        char c = *text >= 'A' && *text <= 'Z' ? static_cast<char>(*text + 32) : *text;
        if (c != *prefix)
            return false;
    }
    return true;
}

bool IsWebAddress(const char* url)
{
    return StartsWithNoCase(url, "http:") || StartsWithNoCase(url, "https:") || StartsWithNoCase(url, "www.");
}

// Quotes and control bytes are ASCII, never trail bytes of GBK characters.
CString EscapeForShell(const char* url)
{
    static const char hex[] = "0123456789ABCDEF";
    CString out;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(url); *p; ++p) {
        if (*p == '"' || *p < 0x20 || *p == 0x7F) {
            char escaped[3] = { '%', hex[*p >> 4], hex[*p & 15] };
            out.Append(escaped, 3);
        } else {
            out += static_cast<char>(*p);
        }
    }
    return out;
}

CString QuotedArgument(const char* url)
{
    CString escaped = EscapeForShell(url);
    int backslashes = 0;
    for (int i = escaped.GetLength() - 1; i >= 0 && escaped.GetAt(i) == '\\'; --i)
        ++backslashes;
    CString out("\"");
    out += escaped;
    for (int i = 0; i < backslashes; ++i)
        out += '\\';
    out += '"';
    return out;
}

bool OpenWebAddress(HWND hOwner, const char* url)
{
    if (!IsWebAddress(url))
        return false;
    ::ShellExecuteA(hOwner, nullptr, EscapeForShell(url), nullptr, nullptr, SW_SHOWNORMAL);
    return true;
}

bool StartBrowser(const char* program, const char* url)
{
    if (!IsWebAddress(url))
        return false;
    ::ShellExecuteA(nullptr, "open", program, QuotedArgument(url), nullptr, SW_SHOWNORMAL);
    return true;
}
