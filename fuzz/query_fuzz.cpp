// The search word as it goes into a URL, and its substitution into an
// engine's template: any bytes the user can type or an engine file can hold.
#include <fuzzer/FuzzedDataProvider.h>
#include <string.h>

#include <string>

#include "check.h"
#include "framework/Mbcs.h"
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
    if (static_cast<size_t>(chars) == bytes) {
        // Single-byte text comes back exactly, blanks as "+".
        CHECK(Unescape(encoded, true, decoded));
        CHECK(decoded == word);
    } else {
        // Double-byte text: every byte escaped, of valid UTF-8 without NUL.
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
    return 0;
}
