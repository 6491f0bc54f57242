#include "framework/Ini.h"

#include <string.h>

#include "framework/File.h"
#include "framework/Mbcs.h"
#include "framework/Text.h"

namespace {

const size_t npos = std::string::npos;

// The profile functions' blanks: ASCII white space and ^Z, an old end-of-file mark.
bool IsBlank(char c)
{
    return (c >= 0x09 && c <= 0x0D) || c == 0x1A || c == ' ';
}

// Bytes of the character at s[i]: a lead byte takes the byte after it,
// whatever that is, as the platform's conversion does (so a lead byte
// before a line feed joins the two lines).
size_t CharAt(const std::string& s, size_t i)
{
    return ::IsDBCSLeadByteEx(PROGRAM_CODE_PAGE, static_cast<BYTE>(s[i])) && i + 1 < s.size() ? 2 : 1;
}

// The bytes as the platform sees them once converted: UTF-16, cut at a NUL.
std::wstring Converted(const std::string& s, size_t begin, size_t end)
{
    std::wstring wide;
    int bytes = static_cast<int>(end - begin);
    int n = bytes > 0 ? ::MultiByteToWideChar(PROGRAM_CODE_PAGE, 0, s.data() + begin, bytes, nullptr, 0) : 0;
    if (n > 0) {
        wide.resize(static_cast<size_t>(n));
        ::MultiByteToWideChar(PROGRAM_CODE_PAGE, 0, s.data() + begin, bytes, &wide[0], n);
    }
    size_t nul = wide.find(L'\0');
    if (nul != std::wstring::npos)
        wide.resize(nul);
    return wide;
}

// Names compare ignoring the case of ASCII letters only, as the platform's do.
std::wstring Folded(std::wstring name)
{
    for (wchar_t& c : name)
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c + 32);
    return name;
}

// A name or value given by the program, without the blanks around it.
std::string Trimmed(const char* text)
{
    std::string s(text ? text : "");
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b]))
        ++b;
    while (e > b && IsBlank(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

// A name given by the program as it is compared.
std::wstring LookupName(const char* name)
{
    std::string trimmed = Trimmed(name);
    return Folded(Converted(trimmed, 0, trimmed.size()));
}

// One line from pos: its text without the blanks around it, the first "="
// and the last "]" in it, whether a line break ends it and where the next
// line starts. A CR LF, a CR and an LF each end a line.
struct ParsedLine {
    size_t start, end;
    size_t equals, bracket;
    bool broken;
    size_t next;
};

ParsedLine ParseLine(const std::string& s, size_t pos)
{
    ParsedLine line = { npos, pos, npos, npos, false, s.size() };
    size_t i = pos;
    while (i < s.size()) {
        char c = s[i];
        if (c == '\r' || c == '\n') {
            line.broken = true;
            line.next = c == '\r' && i + 1 < s.size() && s[i + 1] == '\n' ? i + 2 : i + 1;
            break;
        }
        size_t step = CharAt(s, i);
        if (step == 2 || !IsBlank(c)) {
            if (line.start == npos)
                line.start = i;
            line.end = i + step;
        }
        if (step == 1 && c == '=' && line.equals == npos)
            line.equals = i;
        if (step == 1 && c == ']')
            line.bracket = i;
        i += step;
    }
    if (line.start == npos)
        line.start = line.end = i;
    return line;
}

bool IsBlankLine(const ParsedLine& line) { return line.start == line.end; }

bool IsHeader(const std::string& s, const ParsedLine& line)
{
    return !IsBlankLine(line) && s[line.start] == '[' && line.bracket != npos && line.bracket > line.start;
}

// The end of [begin, end) without the blanks at its end, walked by characters.
size_t TrimEnd(const std::string& s, size_t begin, size_t end)
{
    size_t last = begin;
    for (size_t i = begin; i < end;) {
        size_t step = CharAt(s, i);
        if (step == 2 || !IsBlank(s[i]))
            last = i + step;
        i += step;
    }
    return last > end ? end : last;
}

bool EndsInLoneLeadByte(const std::string& s, size_t begin, size_t end)
{
    size_t last = end;
    for (size_t i = begin; i < end; i += CharAt(s, i))
        last = i;
    return last + 1 == end && ::IsDBCSLeadByteEx(PROGRAM_CODE_PAGE, static_cast<BYTE>(s[last]));
}

size_t SkipBlanks(const std::string& s, size_t begin, size_t end)
{
    while (begin < end && IsBlank(s[begin]))
        ++begin;
    return begin;
}

std::string Narrow(const std::wstring& wide, UINT codePage)
{
    std::string out;
    int n = wide.empty() ? 0
                         : ::WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                                 nullptr, nullptr);
    if (n > 0) {
        out.resize(static_cast<size_t>(n));
        ::WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), &out[0], n, nullptr, nullptr);
    }
    return out;
}

std::string Gbk(const std::wstring& wide)
{
    return Narrow(wide, PROGRAM_CODE_PAGE);
}

}  // namespace

BOOL CIniFile::Load(const char* path)
{
    m_text.clear();
    m_encoding = ANSI;
    m_changed = false;
    m_known = TRUE;
    m_mark.clear();
    m_rawLines.clear();
    m_origin.clear();
    m_readLength.clear();
    CString source = NewerCopy(path);
    m_fromNewText = source != path;
    HANDLE hFile = ::CreateFileW(ToUtf16(source).c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) {
        DWORD error = ::GetLastError();
        m_known = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        Index();
        return m_known;
    }
    std::vector<char> buf(1 << 16);
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(hFile, buf.data(), static_cast<DWORD>(buf.size()), &got, nullptr)) {
            m_known = FALSE;
            break;
        }
        if (got == 0)
            break;
        m_text.append(buf.data(), got);
    }
    ::CloseHandle(hFile);
    if (!m_known) {
        m_text.clear();
        Index();
        return FALSE;
    }
    // A file saved as Unicode, with its byte-order mark, is read as the
    // platform reads it, and written back in its own encoding.
    if (m_text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        m_encoding = UTF8;
    else if (m_text.size() >= 2 && (m_text.compare(0, 2, "\xFF\xFE") == 0 || m_text.compare(0, 2, "\xFE\xFF") == 0))
        m_encoding = m_text[0] == '\xFF' ? UTF16LE : UTF16BE;
    if (m_encoding != ANSI)
        LoadUnicode(std::string(m_text));
    Index();
    return TRUE;
}

namespace {

// Bytes of a Unicode encoding and UTF-16, either way; an odd byte at the
// end of UTF-16 is no unit.
std::wstring FromUnicode(const std::string& bytes, bool utf8, int lo)
{
    std::wstring wide;
    if (utf8) {
        int n = bytes.empty() ? 0
                              : ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
        wide.resize(static_cast<size_t>(n > 0 ? n : 0));
        if (n > 0)
            ::MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), &wide[0], n);
        return wide;
    }
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        wide += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i + lo]) |
                                     static_cast<unsigned char>(bytes[i + 1 - lo]) << 8);
    return wide;
}

std::string ToUnicode(const std::wstring& wide, bool utf8, int lo)
{
    if (utf8)
        return Narrow(wide, CP_UTF8);
    std::string bytes;
    for (wchar_t c : wide) {
        char pair[2];
        pair[lo] = static_cast<char>(c & 0xFF);
        pair[1 - lo] = static_cast<char>((c >> 8) & 0xFF);
        bytes.append(pair, 2);
    }
    return bytes;
}

}  // namespace

// Line by line, each up to and with its line feed (a unit of UTF-16), so
// that a line nothing is written to can go back to the disk as it came:
// invalid bytes, which read as U+FFFD, stay what they were.
void CIniFile::LoadUnicode(const std::string& bytes)
{
    bool utf8 = m_encoding == UTF8;
    int lo = m_encoding == UTF16BE ? 1 : 0;
    size_t unit = utf8 ? 1 : 2;
    m_mark = bytes.substr(0, utf8 ? 3 : 2);
    m_text.clear();
    for (size_t begin = m_mark.size(); begin < bytes.size();) {
        size_t end = begin;
        bool feed = false;
        while (!feed && end + unit <= bytes.size()) {
            feed = bytes[end + lo] == '\n' && (utf8 || bytes[end + 1 - lo] == '\0');
            end += unit;
        }
        if (!feed)
            end = bytes.size();
        std::string raw = bytes.substr(begin, end - begin);
        std::string gbk = static_cast<const char*>(ToGbk(FromUnicode(raw, utf8, lo)));
        m_text += gbk;
        m_origin.insert(m_origin.end(), gbk.size(), static_cast<int>(m_rawLines.size()));
        m_readLength.push_back(gbk.size());
        m_rawLines.push_back(raw);
        begin = end;
    }
}

// The lines of the text as read keep their bytes; the others are encoded.
std::string CIniFile::Unicode(const std::string& text) const
{
    bool utf8 = m_encoding == UTF8;
    int lo = m_encoding == UTF16BE ? 1 : 0;
    std::string bytes = m_mark;
    for (size_t begin = 0; begin < text.size();) {
        size_t feed = text.find('\n', begin);
        size_t end = feed == npos ? text.size() : feed + 1;
        int line = m_origin[begin];
        bool asRead = line >= 0 && end - begin == m_readLength[static_cast<size_t>(line)];
        for (size_t i = begin; asRead && i < end; ++i)
            asRead = m_origin[i] == line;
        if (asRead)
            bytes += m_rawLines[static_cast<size_t>(line)];
        else
            bytes += ToUnicode(ToUtf16(text.data() + begin, static_cast<int>(end - begin)), utf8, lo);
        begin = end;
    }
    return bytes;
}

void CIniFile::Index()
{
    m_sections.clear();
    m_sections.push_back(Section{ npos, 0, m_text.size(), std::wstring() });
    for (size_t pos = 0; pos < m_text.size();) {
        ParsedLine line = ParseLine(m_text, pos);
        if (IsHeader(m_text, line)) {
            m_sections.back().end = pos;
            size_t b = SkipBlanks(m_text, line.start + 1, line.bracket);
            size_t e = TrimEnd(m_text, b, line.bracket);
            m_sections.push_back(Section{ pos, line.next, m_text.size(), Folded(Converted(m_text, b, e)) });
        }
        pos = line.next;
    }
}

// A section with an empty name is never found, as the platform finds none.
const CIniFile::Section* CIniFile::FindSection(const char* name) const
{
    std::wstring wanted = LookupName(name);
    for (const Section& section : m_sections)
        if (section.header != npos && !section.name.empty() && section.name == wanted)
            return &section;
    return nullptr;
}

bool CIniFile::FindKey(const Section& section, const char* key, Line* found) const
{
    std::wstring wanted = LookupName(key);
    if (wanted.empty())
        return false;
    for (size_t pos = section.body; pos < section.end;) {
        ParsedLine line = ParseLine(m_text, pos);
        if (!IsBlankLine(line)) {
            size_t nameEnd = line.equals != npos ? TrimEnd(m_text, line.start, line.equals) : line.end;
            if (Folded(Converted(m_text, line.start, nameEnd)) == wanted) {
                *found = Line{ line.start, line.end, line.equals, line.next };
                return true;
            }
        }
        pos = line.next;
    }
    return false;
}

// What the platform copies into a buffer of bufferChars UTF-16 units: the
// value without matching quotes around it, cut to the buffer. With quotes
// the platform drops the last character it copied whenever the buffer holds
// at least the rest of the value after the opening quote; that is the
// closing quote unless the buffer is exactly that long.
CString CIniFile::Value(const char* section, const char* key, int bufferChars) const
{
    const Section* s = FindSection(section);
    Line line;
    if (!s || !FindKey(*s, key, &line) || line.equals == npos || bufferChars <= 0)
        return CString();
    size_t start = SkipBlanks(m_text, line.equals + 1, line.end);
    std::wstring value = Converted(m_text, start, line.end);
    size_t room = static_cast<size_t>(bufferChars) - 1;
    size_t first = 0, count;
    if (value.size() >= 2 && (value[0] == L'\'' || value[0] == L'"') && value.back() == value[0]) {
        first = 1;
        size_t rest = value.size() - 1;
        count = rest < room ? rest : room;
        if (static_cast<size_t>(bufferChars) >= rest && count > 0)
            --count;
    } else {
        count = value.size() < room ? value.size() : room;
    }
    std::string bytes = Gbk(value.substr(first, count));
    return CString(bytes.data(), static_cast<int>(bytes.size()));
}

CString CIniFile::GetString(const char* section, const char* key, int bufferBytes) const
{
    CString value = Value(section, key, bufferBytes);
    value.Truncate(FitText(value, value.GetLength(), bufferBytes - 1));
    return value;
}

// Read into 30 characters and converted as the platform converts: blanks
// and control characters skipped, a sign, a base prefix, then digits of the
// base up to the first that is none; the sum wraps around at 32 bits.
UINT CIniFile::GetInt(const char* section, const char* key, UINT defaultValue) const
{
    CString value = Value(section, key, 30);
    if (value.IsEmpty())
        return defaultValue;
    const char* p = value;
    while (*p && static_cast<unsigned char>(*p) <= ' ')
        ++p;
    bool minus = false;
    if (*p == '+' || *p == '-')
        minus = *p++ == '-';
    UINT base = 10;
    if (p[0] == '0' && (p[1] == 'b' || p[1] == 'o' || p[1] == 'x')) {
        base = p[1] == 'b' ? 2 : p[1] == 'o' ? 8 : 16;
        p += 2;
    }
    UINT total = 0;
    for (;; ++p) {
        UINT digit = *p >= '0' && *p <= '9'   ? static_cast<UINT>(*p - '0')
                     : *p >= 'A' && *p <= 'Z' ? static_cast<UINT>(*p - 'A' + 10)
                     : *p >= 'a' && *p <= 'z' ? static_cast<UINT>(*p - 'a' + 10)
                                              : 99;
        if (digit >= base)
            break;
        total = total * base + digit;
    }
    return minus ? 0u - total : total;
}

CStringArray CIniFile::SectionNames() const
{
    CStringArray names;
    for (const Section& section : m_sections) {
        if (section.header == npos)
            continue;
        ParsedLine line = ParseLine(m_text, section.header);
        size_t b = SkipBlanks(m_text, line.start + 1, line.bracket);
        std::string name = Gbk(Converted(m_text, b, TrimEnd(m_text, b, line.bracket)));
        if (!name.empty())
            names.Add(CString(name.data(), static_cast<int>(name.size())));
    }
    return names;
}

void CIniFile::Splice(size_t at, size_t length, const std::string& text)
{
    m_text.replace(at, length, text);
    if (m_encoding != ANSI) {
        auto from = m_origin.begin() + static_cast<long>(at);
        m_origin.insert(m_origin.erase(from, from + static_cast<long>(length)), text.size(), -1);
    }
    m_changed = true;
    Index();
}

void CIniFile::SetString(const char* section, const char* key, const char* value)
{
    std::string text(value ? value : "");
    text.erase(0, SkipBlanks(text, 0, text.size()));
    std::string keyName = Trimmed(key);
    const Section* s = FindSection(section);
    if (!s) {
        // The file's last line gets its line break first.
        bool broken = true;
        if (!m_text.empty()) {
            const Section& last = m_sections.back();
            for (size_t pos = last.header != npos ? last.header : last.body; pos < m_text.size();) {
                ParsedLine line = ParseLine(m_text, pos);
                broken = line.broken;
                pos = line.next;
            }
        }
        Splice(m_text.size(), 0,
               std::string(broken ? "" : "\r\n") + "[" + Trimmed(section) + "]\r\n" + keyName + "=" + text + "\r\n");
        return;
    }
    Line line;
    if (FindKey(*s, key, &line)) {
        if (line.equals == npos) {
            // A lead byte alone at the file's end would take the "=" as its
            // trail byte; a blank after it takes that place.
            Splice(line.end, 0, (EndsInLoneLeadByte(m_text, line.start, line.end) ? " =" : "=") + text);
            return;
        }
        size_t start = SkipBlanks(m_text, line.equals + 1, line.end);
        if (m_text.compare(start, line.end - start, text) != 0)
            Splice(start, line.end - start, text);
        return;
    }
    // After the section's last line that is not blank, or its header.
    ParsedLine after = ParseLine(m_text, s->header);
    for (size_t pos = s->body; pos < s->end;) {
        ParsedLine line = ParseLine(m_text, pos);
        if (!IsBlankLine(line))
            after = line;
        pos = line.next;
    }
    Splice(after.next, 0, std::string(after.broken ? "" : "\r\n") + keyName + "=" + text + "\r\n");
}

void CIniFile::DeleteSection(const char* section)
{
    if (const Section* s = FindSection(section))
        Splice(s->header, s->end - s->header, std::string());
}

SaveOutcome CIniFile::Save(const char* path) const
{
    if (!m_known)
        return SAVE_LEFT;
    if (!m_changed && !m_fromNewText)
        return SAVE_WRITTEN;
    if (IsReadOnlyFile(path))
        return SAVE_LEFT;
    if (m_encoding == ANSI)
        return WriteWholeFile(path, m_text.data(), m_text.size());
    std::string bytes = Unicode(m_text);
    return WriteWholeFile(path, bytes.data(), bytes.size());
}
