#include "search/query.h"

#include <string.h>

#include <vector>

#include "framework/Mbcs.h"

static void AppendEscaped(CString& out, unsigned char byte)
{
    static const char hex[] = "0123456789ABCDEF";
    char esc[4] = { '%', hex[byte >> 4], hex[byte & 15], 0 };
    out += esc;
}

static bool Unreserved(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
           c == '.' || c == '~';
}

// Single-byte text is escaped as a form value: "&", "#" or "+" typed by the
// user would otherwise end or change the query.
CString EncodeQuery(const char* text, UINT codePage)
{
    CString out;
    int bytes = static_cast<int>(strlen(text));
    if (CountChars(text, codePage) == bytes) {
        for (const char* p = text; *p; ++p) {
            unsigned char c = static_cast<unsigned char>(*p);
            if (c == ' ')
                out += '+';
            else if (Unreserved(c))
                out += static_cast<char>(c);
            else
                AppendEscaped(out, c);
        }
        return out;
    }
    int wideLen = ::MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0);
    if (wideLen <= 0)
        return out;
    std::vector<wchar_t> wide(static_cast<size_t>(wideLen));
    if (!::MultiByteToWideChar(codePage, 0, text, -1, wide.data(), wideLen))
        return out;
    int utf8Len = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), -1, nullptr, 0, nullptr, nullptr);
    if (utf8Len <= 0)
        return out;
    std::vector<char> utf8(static_cast<size_t>(utf8Len));
    if (!::WideCharToMultiByte(CP_UTF8, 0, wide.data(), -1, utf8.data(), utf8Len, nullptr, nullptr))
        return out;
    for (int i = 0; i + 1 < utf8Len; ++i)
        AppendEscaped(out, static_cast<unsigned char>(utf8[static_cast<size_t>(i)]));
    return out;
}

// The placeholder is found at character boundaries only: a GBK trail byte
// equal to "[" does not start one.
CString SubstituteQuery(const char* urlTemplate, const char* word)
{
    static const char placeholder[] = "[搜索]";
    const int placeLength = sizeof placeholder - 1;
    int length = static_cast<int>(strlen(urlTemplate));
    CString out;
    int pos = 0;
    for (int hit; (hit = FindText(urlTemplate, length, placeholder, pos)) >= 0; pos = hit + placeLength) {
        out.Append(urlTemplate + pos, hit - pos);
        out += word;
    }
    out.Append(urlTemplate + pos, length - pos);
    return out;
}

HistoryPlan PlanHistory(int count, int found, int keepHistory)
{
    HistoryPlan plan = { -1, false, false, false };
    if (found >= 0) {
        plan.deleteAt = found;
        plan.insertTop = true;
        plan.selectFirst = true;
        return plan;
    }
    plan.insertTop = keepHistory == 1;
    int after = count + (plan.insertTop ? 1 : 0);
    plan.trimLast = after > HISTORY_LIMIT;
    plan.selectFirst = plan.trimLast;
    return plan;
}
