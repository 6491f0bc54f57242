#include "search/query.h"

#include <string.h>

#include <vector>

#include "framework/Mbcs.h"
#include "framework/Shell.h"
#include "framework/Text.h"

static bool Unreserved(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
           c == '.' || c == '~';
}

// Single-byte text is escaped as a form value: "&", "#" or "+" typed by the
// user would otherwise end or change the query. Text with any other
// character goes as the UTF-8 of what was typed, so a word GBK cannot hold
// (Korean, an emoji) reaches the engine as it was typed.
CString EncodeQuery(const char* text)
{
    CString out;
    int bytes = static_cast<int>(strlen(text));
    // As the user typed it: GBK, with the characters GBK lacks carried in
    // it (framework/Text.h).
    std::wstring typed = ToUtf16(text, bytes);
    if (CountChars(text) == bytes && typed.size() == static_cast<size_t>(bytes)) {
        for (const char* p = text; *p; ++p) {
            unsigned char c = static_cast<unsigned char>(*p);
            if (c == ' ')
                out += '+';
            else if (Unreserved(c))
                out += static_cast<char>(c);
            else
                AppendPercentEscape(out, c);
        }
        return out;
    }
    if (typed.empty())
        return out;
    int utf8Len = ::WideCharToMultiByte(CP_UTF8, 0, typed.c_str(), static_cast<int>(typed.size()), nullptr, 0, nullptr,
                                        nullptr);
    if (utf8Len <= 0)
        return out;
    std::vector<char> utf8(static_cast<size_t>(utf8Len));
    if (!::WideCharToMultiByte(CP_UTF8, 0, typed.c_str(), static_cast<int>(typed.size()), utf8.data(), utf8Len,
                               nullptr, nullptr))
        return out;
    for (char byte : utf8)
        AppendPercentEscape(out, static_cast<unsigned char>(byte));
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
    // A word in the list moves to the top, chosen there.
    if (found >= 0)
        return HistoryPlan{ found, true, false, true };
    HistoryPlan plan = { -1, false, false, false };
    plan.insertTop = keepHistory == 1;
    int after = count + (plan.insertTop ? 1 : 0);
    plan.trimLast = after > HISTORY_LIMIT;
    plan.selectFirst = plan.trimLast;
    return plan;
}
