#include "framework/Shell.h"

#include <shellapi.h>

#include <string>

#include "framework/Text.h"

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

void AppendPercentEscape(CString& out, unsigned char byte)
{
    static const char hex[] = "0123456789ABCDEF";
    char escaped[3] = { '%', hex[byte >> 4], hex[byte & 15] };
    out.Append(escaped, 3);
}

// Quotes and control bytes are ASCII, never trail bytes of GBK characters.
CString EscapeForShell(const char* url)
{
    CString out;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(url); *p; ++p) {
        if (*p == '"' || *p < 0x20 || *p == 0x7F) {
            AppendPercentEscape(out, *p);
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

// The call returns once the launch is done: nothing of the shell's runs on
// after it. A failure shows the shell's own message, the program's only word
// on it.
static void Execute(HWND hOwner, const wchar_t* verb, const std::wstring& file, const wchar_t* parameters)
{
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOASYNC;
    info.hwnd = hOwner;
    info.lpVerb = verb;
    info.lpFile = file.c_str();
    info.lpParameters = parameters;
    info.nShow = SW_SHOWNORMAL;
    ::ShellExecuteExW(&info);
}

bool OpenWebAddress(HWND hOwner, const char* url)
{
    if (!IsWebAddress(url))
        return false;
    Execute(hOwner, nullptr, ToUtf16(EscapeForShell(url)), nullptr);
    return true;
}

bool StartBrowser(const char* program, const char* url)
{
    if (!IsWebAddress(url))
        return false;
    Execute(nullptr, L"open", ToUtf16(program), ToUtf16(QuotedArgument(url)).c_str());
    return true;
}
