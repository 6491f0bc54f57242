// The search word as it goes into a URL, and its substitution into an
// engine's template: any bytes the user can type or an engine file can hold.
#include <fuzzer/FuzzedDataProvider.h>
#include <string.h>

#include <string>
#include <vector>

#include <shellapi.h>

#include "check.h"
#include "framework/Mbcs.h"
#include "framework/Shell.h"
#include "framework/Text.h"
#include "mbcs.h"
#include "search/query.h"

namespace {

int Hex(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;  // lowercase digits are not what the program writes
}

// The bytes behind "%XX" escapes (and "+" for a blank when plus is true);
// false when the text holds anything else that is not allowed as it is.
bool Unescape(const std::string& s, bool plus, std::string& out)
{
    for (size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (c == '%') {
            if (i + 2 >= s.size())
                return false;
            int hi = Hex(s[i + 1]), lo = Hex(s[i + 2]);
            if (hi < 0 || lo < 0)
                return false;
            out += static_cast<char>(hi * 16 + lo);
            i += 2;
        } else if (plus && c == '+') {
            out += ' ';
        } else if (plus && ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                            c == '-' || c == '_' || c == '.' || c == '~')) {
            out += c;
        } else {
            return false;
        }
    }
    return true;
}

bool ValidUtf8(const std::string& s)
{
    for (size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (len == 0 || i + len > s.size())
            return false;
        for (size_t k = 1; k < len; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
                return false;
        i += len;
    }
    return true;
}

// Whether the text carries a character as "&#N;" (N of one to seven
// digits without a leading zero, at a character boundary): an "&" as
// "&#38;", or one GBK cannot hold that is no surrogate. The typed text then
// has a character no single byte of the text stands for.
bool CarriesCharacter(const std::string& s)
{
    for (size_t i = 0; i < s.size(); i += CharLen936(s.c_str(), i, s.size())) {
        if (s.compare(i, 2, "&#") != 0)
            continue;
        size_t j = i + 2;
        unsigned long value = 0;
        while (j < s.size() && j < i + 9 && s[j] >= '0' && s[j] <= '9')
            value = value * 10 + static_cast<unsigned long>(s[j++] - '0');
        if (j == i + 2 || s[i + 2] == '0' || j >= s.size() || s[j] != ';' || value > 0x10FFFF ||
            (value >= 0xD800 && value <= 0xDFFF))
            continue;
        if (value == '&')
            return true;
        WCHAR units[2];
        int count = 1;
        if (value >= 0x10000) {
            units[0] = static_cast<WCHAR>(0xD800 + ((value - 0x10000) >> 10));
            units[1] = static_cast<WCHAR>(0xDC00 + ((value - 0x10000) & 0x3FF));
            count = 2;
        } else {
            units[0] = static_cast<WCHAR>(value);
        }
        BOOL used = FALSE;
        char bytes[8];
        if (WideCharToMultiByte(936, WC_NO_BEST_FIT_CHARS, units, count, bytes, sizeof bytes, nullptr, &used) <= 0 ||
            used)
            return true;
    }
    return false;
}

void CheckEncode(const std::string& word)
{
    size_t bytes = word.size();
    int chars = CountChars(word.c_str());
    CHECK(chars >= 0 && static_cast<size_t>(chars) <= bytes && static_cast<size_t>(chars) * 2 >= bytes);
    size_t expected = 0;
    for (size_t i = 0; i < bytes; i += CharLen936(word.c_str(), i, bytes))
        ++expected;
    CHECK(static_cast<size_t>(chars) == expected);

    std::string encoded = static_cast<const char*>(EncodeQuery(word.c_str()));
    std::string decoded;
    if (static_cast<size_t>(chars) == bytes && !CarriesCharacter(word)) {
        // Single-byte text comes back exactly, blanks as "+".
        CHECK(Unescape(encoded, true, decoded));
        CHECK(decoded == word);
    } else {
        // Any other text: every byte escaped, of valid UTF-8 without NUL.
        CHECK(encoded.size() % 3 == 0);
        CHECK(Unescape(encoded, false, decoded));
        CHECK(ValidUtf8(decoded));
        CHECK(decoded.find('\0') == std::string::npos);
        CHECK(!decoded.empty());
    }
}

// Placeholders are found at character boundaries, left to right, and the
// inserted word is never searched again.
std::string Reference(const std::string& tpl, const std::string& word)
{
    static const std::string place = "[\xCB\xD1\xCB\xF7]";
    std::string out;
    size_t i = 0;
    while (i < tpl.size()) {
        if (tpl.compare(i, place.size(), place) == 0) {
            out += word;
            i += place.size();
            continue;
        }
        size_t len = CharLen936(tpl.c_str(), i, tpl.size());
        out.append(tpl, i, len);
        i += len;
    }
    return out;
}

int AnyHex(char c)
{
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : Hex(c);
}

std::string Decoded(const std::string& s)
{
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && AnyHex(s[i + 1]) >= 0 && AnyHex(s[i + 2]) >= 0) {
            out += static_cast<char>(AnyHex(s[i + 1]) * 16 + AnyHex(s[i + 2]));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

// The command line's reading of one argument by the C runtime's rules:
// 2n backslashes and a quote are n backslashes and a toggle of quoting,
// 2n + 1 are n and a literal quote; other backslashes are themselves.
std::vector<std::string> Arguments(const std::string& line)
{
    std::vector<std::string> args;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        if (i == line.size())
            break;
        std::string arg;
        bool quoted = false;
        for (; i < line.size() && (quoted || (line[i] != ' ' && line[i] != '\t')); ++i) {
            size_t slashes = 0;
            while (i < line.size() && line[i] == '\\') {
                ++slashes;
                ++i;
            }
            if (i < line.size() && line[i] == '"') {
                arg.append(slashes / 2, '\\');
                if (slashes % 2)
                    arg += '"';
                else
                    quoted = !quoted;
            } else {
                arg.append(slashes, '\\');
                if (i == line.size())
                    break;
                if (!quoted && (line[i] == ' ' || line[i] == '\t'))
                    break;
                arg += line[i];
            }
        }
        args.push_back(arg);
    }
    return args;
}

// What reaches the shell: web addresses only, escaped so that they stay one
// address, and quoted so that they stay one argument.
void CheckLaunch(const std::string& url)
{
    bool web = IsWebAddress(url.c_str());
    std::string lower;
    for (char c : url.substr(0, 6))
        lower += (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    CHECK(web == (lower.compare(0, 5, "http:") == 0 || lower.compare(0, 6, "https:") == 0 ||
                  lower.compare(0, 4, "www.") == 0));
    std::string escaped = static_cast<const char*>(EscapeForShell(url.c_str()));
    for (unsigned char c : escaped)
        CHECK(c != '"' && c >= 0x20 && c != 0x7F);
    // The same address: both read the same once every escape is undone.
    CHECK(Decoded(escaped) == Decoded(url));

    std::vector<std::string> args = Arguments(static_cast<const char*>(QuotedArgument(url.c_str())));
    CHECK(args.size() == 1 && args[0] == escaped);

    int before = shim::LastShellCall().count;
    CHECK(OpenWebAddress(nullptr, url.c_str()) == web);
    CHECK(StartBrowser("iexplore.exe", url.c_str()) == web);
    CHECK(shim::LastShellCall().count == before + (web ? 2 : 0));
    if (web) {
        CHECK(shim::LastShellCall().parameters == ToUtf16(QuotedArgument(url.c_str())));
        // The launch is over when the call returns.
        CHECK(shim::LastShellCall().mask == SEE_MASK_NOASYNC);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    std::string word = in.ConsumeRandomLengthString(256);
    std::string tpl = in.ConsumeRemainingBytesAsString();
    // Texts reach these functions as C strings.
    word = word.c_str();
    tpl = tpl.c_str();

    CheckEncode(word);
    std::string url = static_cast<const char*>(SubstituteQuery(tpl.c_str(), word.c_str()));
    CHECK(url == Reference(tpl, word));
    CheckLaunch(url);
    return 0;
}
