// The program's INI reader and writer over any bytes a file can hold, and
// the conversions at the platform's boundary. The reader is held against a
// model of the platform's profile reading on a code-page-936 system (the
// file converted to UTF-16 first, as the platform converts it); a write must
// read back, leave every other section as it read before, and reach the
// disk whole or not at all. Text converted to UTF-16 and back is the text.
#include <fuzzer/FuzzedDataProvider.h>
#include <string.h>

#include <string>
#include <vector>

#include "check.h"
#include "fakefs.h"
#include "framework/Ini.h"
#include "framework/Text.h"
#include "mbcs.h"

namespace {

const char kPath[] = "C:\\Kelmora\\zel.ini";

// Names the cases look up and write: ASCII in both cases, and GBK.
const char* const kSections[] = { "S", "s", "T", "\xB2\xE2" };
const char* const kKeys[] = { "K", "k", "A", "\xCA\xD4" };

std::wstring Wide936(const std::string& s)
{
    if (s.empty())
        return std::wstring();
    int n = MultiByteToWideChar(936, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(936, 0, s.data(), static_cast<int>(s.size()), &w[0], n);
    return w;
}

std::string Narrow936(const std::wstring& w)
{
    if (w.empty())
        return std::string();
    int n = WideCharToMultiByte(936, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(936, 0, w.data(), static_cast<int>(w.size()), &s[0], n, nullptr, nullptr);
    return s;
}

bool Blank(char c) { return (c >= 9 && c <= 13) || c == 0x1A || c == ' '; }

// [b, e) of s without the blanks at its ends, walked by GBK characters.
std::string Trim(const std::string& s, size_t b, size_t e)
{
    while (b < e && Blank(s[b]))
        ++b;
    size_t last = b;
    for (size_t i = b; i < e; i += CharLen936(s.c_str(), i, s.size()))
        if (!Blank(s[i]) || CharLen936(s.c_str(), i, s.size()) == 2)
            last = i + CharLen936(s.c_str(), i, s.size());
    return s.substr(b, (last < e ? last : e) - b);
}

// As the platform compares a name: converted, cut at a NUL.
std::wstring Name(const std::string& bytes)
{
    std::wstring w = Wide936(bytes);
    return w.substr(0, w.find(L'\0'));
}

bool SameName(const std::wstring& a, const std::wstring& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        wchar_t x = a[i] >= 'A' && a[i] <= 'Z' ? a[i] + 32 : a[i];
        wchar_t y = b[i] >= 'A' && b[i] <= 'Z' ? b[i] + 32 : b[i];
        if (x != y)
            return false;
    }
    return true;
}

// The model: what the platform finds for a section and key in the file.
// Lines end at a CR LF, a CR or an LF that is a character of its own (a
// lead byte takes the byte after it, whatever it is); found tells whether
// the key has a value at all.
std::wstring ModelValue(const std::string& file, const char* section, const char* key, bool* found)
{
    *found = false;
    std::wstring wantSection = Name(section), wantKey = Name(key);
    int state = 0;  // 0: before the section, 1: in it, 2: past it
    for (size_t pos = 0; pos < file.size() && state < 2;) {
        size_t end = pos;
        while (end < file.size() && file[end] != '\r' && file[end] != '\n')
            end += CharLen936(file.c_str(), end, file.size());
        std::string line = Trim(file, pos, end);
        pos = end + (end + 1 < file.size() && file[end] == '\r' && file[end + 1] == '\n' ? 2 : 1);
        if (line.empty())
            continue;
        size_t bracket = std::string::npos, equals = std::string::npos;
        for (size_t i = 0; i < line.size(); i += CharLen936(line.c_str(), i, line.size())) {
            if (line[i] == ']' && CharLen936(line.c_str(), i, line.size()) == 1)
                bracket = i;
            if (line[i] == '=' && equals == std::string::npos)
                equals = i;
        }
        if (line[0] == '[' && bracket != std::string::npos) {
            if (state == 1)
                state = 2;
            std::wstring name = Name(Trim(line, 1, bracket));
            if (state == 0 && !name.empty() && SameName(name, wantSection))
                state = 1;
            continue;
        }
        if (state != 1)
            continue;
        std::wstring name = Name(Trim(line, 0, equals == std::string::npos ? line.size() : equals));
        if (!SameName(name, wantKey))
            continue;
        if (equals == std::string::npos)
            return std::wstring();
        *found = true;
        return Name(Trim(line, equals + 1, line.size()));
    }
    return std::wstring();
}

// The model's reading into a buffer of size bytes: quotes, the copy into
// size UTF-16 units, the conversion, less half a character.
std::string ModelString(const std::string& file, const char* section, const char* key, int size)
{
    bool found = false;
    std::wstring value = ModelValue(file, section, key, &found);
    size_t room = static_cast<size_t>(size) - 1, first = 0, count;
    if (value.size() >= 2 && (value[0] == L'"' || value[0] == L'\'') && value.back() == value[0]) {
        first = 1;
        size_t rest = value.size() - 1;
        count = rest < room ? rest : room;
        if (static_cast<size_t>(size) >= rest && count > 0)
            --count;
    } else {
        count = value.size() < room ? value.size() : room;
    }
    std::string bytes = Narrow936(value.substr(first, count));
    size_t whole = 0;
    while (whole < bytes.size()) {
        size_t step = CharLen936(bytes.c_str(), whole, bytes.size());
        if (whole + step > room || whole + step > bytes.size())
            break;
        whole += step;
    }
    return bytes.substr(0, whole);
}

std::string Read(CIniFile& ini, const char* section, const char* key, int size)
{
    CString value = ini.GetString(section, key, size);
    return std::string(value, static_cast<size_t>(value.GetLength()));
}

// GBK files; a file with a byte-order mark is read as Unicode, which the
// unit test holds against the platform.
std::string WithoutMark(std::string file)
{
    if (file.compare(0, 3, "\xEF\xBB\xBF") == 0 || file.compare(0, 2, "\xFF\xFE") == 0 ||
        file.compare(0, 2, "\xFE\xFF") == 0)
        file[0] = ' ';
    return file;
}

void CheckRead(const std::string& input, int size)
{
    const std::string file = WithoutMark(input);
    fakefs::File(kPath) = file;
    CIniFile ini;
    CHECK(ini.Load(kPath));
    for (const char* section : kSections)
        for (const char* key : kKeys)
            CHECK(Read(ini, section, key, size) == ModelString(file, section, key, size));
}

// A value that reads back as it was written: no line break or NUL, no
// blanks at its ends, no quote at its start.
std::string PlainValue(FuzzedDataProvider& in)
{
    std::string value;
    for (char c : in.ConsumeRandomLengthString(40))
        if (c != '\r' && c != '\n' && c != '\0' && !(value.empty() && (c == '"' || c == '\'')))
            value += c;
    size_t b = 0;
    while (b < value.size() && static_cast<unsigned char>(value[b]) <= ' ')
        ++b;
    value = value.substr(b);
    if (value.empty() || value[0] == '"' || value[0] == '\'')
        value = "v" + value;
    return value + "v";
}

void CheckWrite(FuzzedDataProvider& in)
{
    const char* section = kSections[in.ConsumeIntegralInRange<size_t>(0, 3)];
    const char* key = kKeys[in.ConsumeIntegralInRange<size_t>(0, 3)];
    bool remove = in.ConsumeBool();
    std::string value = PlainValue(in);
    bool diskFull = in.ConsumeBool();
    size_t room = in.ConsumeIntegralInRange<size_t>(0, 4096);
    int held = in.ConsumeIntegralInRange(0, 2);  // by another program: 1 writable, 2 not at all
    std::string before = WithoutMark(in.ConsumeRemainingBytesAsString());
    fakefs::File(kPath) = before;

    CIniFile ini;
    CHECK(ini.Load(kPath));
    if (remove)
        ini.DeleteSection(section);
    else
        ini.SetString(section, key, value.c_str());
    if (diskFull)
        fakefs::SetDiskRoom(room);
    if (held)
        fakefs::Hold(kPath, held == 1);
    SaveOutcome outcome = ini.Save(kPath);
    std::string after = fakefs::File(kPath);
    // The new text is kept beside the file only when it could be neither
    // renamed over it nor written into it; it is read at the next start.
    const std::string fresh = std::string(kPath) + ".new";
    CHECK(fakefs::Exists(fresh) == (outcome == SAVE_KEPT_NEW));
    if (outcome == SAVE_KEPT_NEW) {
        CHECK(held != 0);
        if (held == 2)
            CHECK(after == before);
        fakefs::Release(kPath);
        after = fakefs::File(fresh);
        CIniFile next;
        CHECK(next.Load(kPath));
        for (const char* s : kSections)
            for (const char* k : kKeys)
                CHECK(Read(next, s, k, 1024) == ModelString(after, s, k, 1024));
    } else if (outcome != SAVE_WRITTEN) {
        CHECK(after == before);
        return;
    }
    // Every other section reads as before; the one written reads the value.
    for (const char* s : kSections) {
        if (SameName(Name(s), Name(section)))
            continue;
        for (const char* k : kKeys)
            CHECK(ModelString(after, s, k, 1024) == ModelString(before, s, k, 1024));
    }
    if (remove) {
        // One run of lines taken out, the rest as it was.
        CHECK(after.size() <= before.size());
        size_t head = 0;
        while (head < after.size() && after[head] == before[head])
            ++head;
        CHECK(before.compare(before.size() - (after.size() - head), after.size() - head, after, head,
                             after.size() - head) == 0);
    } else {
        bool found = false;
        CHECK(Narrow936(ModelValue(after, section, key, &found)) == Narrow936(Wide936(value)));
        CHECK(found);
    }
}

// Any UTF-16 comes back from GBK whole, "&#" spelt in it too, a surrogate
// alone as the replacement character; what the writer wrote reads and
// writes again the same; GBK text of characters GBK holds comes back as it
// was.
void CheckConversions(FuzzedDataProvider& in)
{
    static const wchar_t kSpelling[] = L"&#;0123456789";
    std::wstring wide, expected;
    while (in.remaining_bytes() >= 3 && wide.size() < 200) {
        wchar_t c = in.ConsumeBool() ? kSpelling[in.ConsumeIntegralInRange<size_t>(0, 12)]
                                     : static_cast<wchar_t>(in.ConsumeIntegral<uint16_t>());
        wide += c == 0 ? L'+' : c;
    }
    for (size_t i = 0; i < wide.size(); ++i) {
        bool pair = (wide[i] & 0xFC00) == 0xD800 && i + 1 < wide.size() && (wide[i + 1] & 0xFC00) == 0xDC00;
        if (pair) {
            expected += wide.substr(i++, 2);
            continue;
        }
        expected += (wide[i] & 0xF800) == 0xD800 ? static_cast<wchar_t>(0xFFFD) : wide[i];
    }
    std::string written(static_cast<const char*>(ToGbk(wide)));
    CHECK(ToUtf16(written.c_str(), static_cast<int>(written.size())) == expected);
    CHECK(std::string(ToGbk(ToUtf16(written.c_str(), static_cast<int>(written.size())))) == written);
    std::string gbk = Narrow936(wide);
    std::wstring back = Wide936(gbk);
    if (Narrow936(back) == gbk && gbk.find('&') == std::string::npos)
        CHECK(std::string(ToGbk(ToUtf16(gbk.c_str(), static_cast<int>(gbk.size())))) == gbk);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
    fakefs::Reset();
    FuzzedDataProvider in(data, size);
    switch (in.ConsumeIntegralInRange(0, 2)) {
    case 0: {
        int buffer = in.ConsumeBool() ? 1024 : in.ConsumeIntegralInRange(1, 64);
        CheckRead(in.ConsumeRemainingBytesAsString(), buffer);
        break;
    }
    case 1:
        CheckWrite(in);
        break;
    case 2:
        CheckConversions(in);
        break;
    }
    return 0;
}
