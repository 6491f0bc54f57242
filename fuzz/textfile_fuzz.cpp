// The program's own text-file layer: lines of the history file read back
// however the platform hands the bytes over, lines written with a disk that
// fills up, engine-file values cut to the platform's buffer as the INI
// reader reads them, and paths split into folder and name.
#include <fuzzer/FuzzedDataProvider.h>
#include <string.h>

#include <string>
#include <vector>

#include "check.h"
#include "fakefs.h"
#include "framework/File.h"
#include "framework/Ini.h"
#include "mbcs.h"

namespace {

const char kPath[] = "C:\\Kelmora\\search.txt";

// Lines as the history file holds them: ended by LF, a CR before the LF
// dropped, a last line without its LF counted when it has any byte.
std::vector<std::string> Lines(const std::string& bytes)
{
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < bytes.size()) {
        size_t end = bytes.find('\n', pos);
        if (end == std::string::npos)
            end = bytes.size();
        std::string line = bytes.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        pos = end + 1;
    }
    return lines;
}

void CheckRead(FuzzedDataProvider& in)
{
    std::vector<unsigned> limits;
    for (int n = in.ConsumeIntegralInRange(0, 6); n > 0; --n)
        limits.push_back(in.ConsumeIntegralInRange<unsigned>(1, 5000));
    fakefs::SetReadLimits(limits);
    std::string bytes = in.ConsumeRemainingBytesAsString();
    fakefs::File(kPath) = bytes;

    CStdioFile file;
    CHECK(file.Open(kPath, CStdioFile::modeRead | CStdioFile::shareDenyWrite | CStdioFile::typeText));
    std::vector<std::string> want = Lines(bytes);
    CString line;
    for (const std::string& w : want) {
        CHECK(file.ReadString(line));
        // A NUL inside a line is kept in the count; the text stops there.
        CHECK(line.GetLength() == static_cast<int>(w.size()));
        CHECK(memcmp(static_cast<const char*>(line), w.data(), w.size()) == 0);
    }
    CHECK(!file.ReadString(line));
    CHECK(line.IsEmpty());
    CHECK(file.Close());
}

void CheckWrite(FuzzedDataProvider& in)
{
    size_t room = in.ConsumeBool() ? static_cast<size_t>(-1) : in.ConsumeIntegralInRange<size_t>(0, 20000);
    fakefs::SetDiskRoom(room);
    std::vector<std::string> lines;
    for (int n = in.ConsumeIntegralInRange(0, 40); n > 0 && in.remaining_bytes(); --n)
        lines.push_back(in.ConsumeRandomLengthString(3000));
    CStdioFile file;
    CHECK(file.Open(kPath, CStdioFile::modeCreate | CStdioFile::modeWrite | CStdioFile::shareDenyNone |
                               CStdioFile::typeText));
    std::string want;
    for (const std::string& line : lines) {
        file.WriteString(line.c_str());
        file.WriteString("\n");
        for (const char* p = line.c_str(); *p; ++p) {
            if (*p == '\n')
                want += '\r';
            want += *p;
        }
        want += "\r\n";
    }
    bool ok = file.Close();
    const std::string& disk = fakefs::File(kPath);
    // Either all of it is on the disk and Close says so, or Close says not.
    CHECK(ok == (want.size() <= room));
    if (ok)
        CHECK(disk == want);
    else
        CHECK(disk.size() <= want.size() && want.compare(0, disk.size(), disk) == 0);
}

// The platform's reading of the text: GBK to UTF-16 and back, a damaged
// sequence turned into what the conversion makes of it.
std::string Reread(const std::string& text)
{
    if (text.empty())
        return text;
    int n = MultiByteToWideChar(936, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::vector<WCHAR> wide(static_cast<size_t>(n));
    MultiByteToWideChar(936, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    int m = WideCharToMultiByte(936, 0, wide.data(), n, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(m), '\0');
    WideCharToMultiByte(936, 0, wide.data(), n, &out[0], m, nullptr, nullptr);
    return out;
}

void CheckProfileValue(FuzzedDataProvider& in)
{
    int bufferBytes = in.ConsumeBool() ? 1024 : in.ConsumeIntegralInRange(1, 2048);
    std::string value;
    // One line's value, as it stands between "=" and the line's end: no
    // line break, no NUL, nothing that reading takes off at either end
    // (blanks, or a quote at its start).
    for (char c : in.ConsumeRemainingBytesAsString())
        if (c != '\r' && c != '\n' && c != '\0')
            value += c;
    while (!value.empty() && (static_cast<unsigned char>(value[0]) <= ' ' || value[0] == '"' || value[0] == '\''))
        value.erase(0, 1);
    value += 'x';
    const char path[] = "C:\\Kelmora\\x.ini";
    fakefs::File(path) = "[SERCHCFG0]\r\nSERCH_URL=" + value + "\r\n";
    CIniFile ini;
    CHECK(ini.Load(path));
    CString read = ini.GetString("SERCHCFG0", "SERCH_URL", bufferBytes);
    // The platform's cut, less half a character at its end.
    std::string platform = Reread(value);
    size_t avail = platform.size() < static_cast<size_t>(bufferBytes - 1) ? platform.size() : bufferBytes - 1;
    size_t whole = 0;
    while (whole < avail) {
        size_t len = Lead936(static_cast<unsigned char>(platform[whole])) ? 2 : 1;
        if (whole + len > avail)
            break;
        whole += len;
    }
    CHECK(read.GetLength() == static_cast<int>(whole));
    CHECK(platform.compare(0, whole, static_cast<const char*>(read)) == 0);
}

bool Separator(char c) { return c == '\\' || c == '/'; }

void CheckPath(FuzzedDataProvider& in)
{
    std::string path = in.ConsumeRemainingBytesAsString();
    path = path.c_str();
    size_t n = path.size();
    std::string folder = static_cast<const char*>(PathFolder(path.c_str()));
    std::string title = static_cast<const char*>(PathTitle(path.c_str()));
    CHECK(path.compare(0, folder.size(), folder) == 0);
    // The folder ends after its last separator (or a drive), at a character
    // boundary; the rest holds no separator that is a character of its own.
    CHECK(IsBoundary936(path.c_str(), n, folder.size()));
    if (!folder.empty())
        CHECK(Separator(folder.back()) || (folder.size() == 2 && folder[1] == ':'));
    for (size_t i = folder.size(); i < n; i += CharLen936(path.c_str(), i, n))
        CHECK(!Separator(path[i]));
    // The title is the name up to its last "." that is a character of its own.
    std::string name = path.substr(folder.size());
    size_t dot = std::string::npos;
    for (size_t i = 0; i < name.size(); i += CharLen936(name.c_str(), i, name.size()))
        if (name[i] == '.')
            dot = i;
    CHECK(title == name.substr(0, dot));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
    fakefs::Reset();
    FuzzedDataProvider in(data, size);
    switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0:
        CheckRead(in);
        break;
    case 1:
        CheckWrite(in);
        break;
    case 2:
        CheckProfileValue(in);
        break;
    case 3:
        CheckPath(in);
        break;
    }
    return 0;
}
