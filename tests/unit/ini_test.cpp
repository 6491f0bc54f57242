// The program's own INI reader and writer against the platform's profile
// functions on a code-page-936 system, case by case: the same file read both
// ways gives the same values, and the same writes give files whose sections
// and keys the platform reads back the same; a file already in the form the
// platform writes comes out byte for byte as the platform writes it.
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "framework/Ini.h"
#include "harness/Harness.h"

using namespace harness;

namespace {

class Files {
public:
    // A fresh name for every file: the platform keeps the files it has read.
    std::string New(const std::string& bytes)
    {
        std::string path = m_dir / ("f" + std::to_string(++m_count) + ".ini");
        WriteFile(path, bytes);
        return path;
    }

private:
    TempDir m_dir;
    int m_count = 0;
};

// The platform's value in a buffer of that size, less a double-byte
// character the buffer's end cut in half (measured from a zeroed buffer:
// the platform may leave that half's byte as it was).
std::string PlatformString(const std::string& path, const char* section, const char* key, int size)
{
    std::vector<char> buf(static_cast<size_t>(size) + 1, '\0');
    ::GetPrivateProfileStringA(section, key, "", buf.data(), static_cast<DWORD>(size), path.c_str());
    std::string value(buf.data(), strnlen(buf.data(), static_cast<size_t>(size)));
    size_t whole = 0;
    while (whole < value.size()) {
        size_t step = ::IsDBCSLeadByteEx(936, static_cast<BYTE>(value[whole])) ? 2 : 1;
        if (whole + step > value.size())
            break;
        whole += step;
    }
    return value.substr(0, whole);
}

std::string Ours(const std::string& path, const char* section, const char* key, int size)
{
    CIniFile ini;
    EXPECT_TRUE(ini.Load(path.c_str()));
    return static_cast<const char*>(ini.GetString(section, key, size));
}

// Sections and their key lines as the platform lists them, in file order.
std::vector<std::string> PlatformView(const std::string& path)
{
    std::vector<std::string> view;
    std::vector<char> names(65536);
    DWORD n = ::GetPrivateProfileSectionNamesA(names.data(), static_cast<DWORD>(names.size()), path.c_str());
    for (const char* name = names.data(); name < names.data() + n && *name; name += strlen(name) + 1) {
        view.push_back(std::string("[") + name + "]");
        std::vector<char> keys(65536);
        DWORD k = ::GetPrivateProfileSectionA(name, keys.data(), static_cast<DWORD>(keys.size()), path.c_str());
        for (const char* key = keys.data(); key < keys.data() + k && *key; key += strlen(key) + 1)
            view.push_back(key);
    }
    return view;
}

}  // namespace

TEST(IniFile, ReadsWhatThePlatformReads)
{
    const std::string gbkName = "\xB2\xE2\xCA\xD4";  // 测试
    struct Case {
        const char* what;
        std::string file;
        const char* section;
        const char* key;
    } cases[] = {
        { "plain", "[S]\r\nK=v\r\n", "S", "K" },
        { "section and key in other case", "[settei]\r\nchase=2\r\n", "SETTEI", "CHASE" },
        { "only ASCII letters fold", "[\xA3\xD3]\r\nK=v\r\n", "\xA3\xF3", "K" },  // full-width S and s
        { "blanks around names and value", "  [S]  \r\n\t K \t=\t v w \x1a\r\n", "S", "K" },
        { "blanks inside the brackets", "[ S ]\r\nK=v\r\n", "S", "K" },
        { "an ideographic blank is no blank", "[S]\r\nK=\xA1\xA1v\xA1\xA1\r\n", "S", "K" },
        { "double quotes", "[S]\r\nK=\"a b\"\r\n", "S", "K" },
        { "single quotes", "[S]\r\nK='a b'\r\n", "S", "K" },
        { "a quote alone", "[S]\r\nK=\"\r\n", "S", "K" },
        { "quotes that do not match", "[S]\r\nK='ab\"\r\n", "S", "K" },
        { "a quote inside", "[S]\r\nK=a\"b\"\r\n", "S", "K" },
        { "first key wins", "[S]\r\nK=1\r\nk=2\r\n", "S", "K" },
        { "a key without = wins and has no value", "[S]\r\nK\r\nK=2\r\n", "S", "K" },
        { "first section wins", "[S]\r\nA=1\r\n[s]\r\nK=2\r\n", "S", "K" },
        { "a key before any section", "K=1\r\n[S]\r\nA=1\r\n", "S", "K" },
        { "empty section name", "[]\r\nK=1\r\n", "", "K" },
        { "text after the bracket", "[S] notes\r\nK=v\r\n", "S", "K" },
        { "the last bracket ends the name", "[S]x]\r\nK=v\r\n", "S]x", "K" },
        { "no bracket: a key", "[S\r\nK=v\r\n", "S", "K" },
        { "an = in the value", "[S]\r\nK=a=b\r\n", "S", "K" },
        { "a lone CR ends a line", "[S]\rA=1\rK=v\r\n", "S", "K" },
        { "LF alone", "[S]\nK=v\n", "S", "K" },
        { "NUL ends the value", std::string("[S]\r\nK=ab\0cd\r\n", 15), "S", "K" },
        { "a trail byte equal to ]", "[\x8d\x5d]\r\nK=v\r\n", "\x8d\x5d", "K" },
        { "GBK section, key and value", "[" + gbkName + "]\r\n" + gbkName + "=" + gbkName + "\r\n", gbkName.c_str(),
          gbkName.c_str() },
        { "a lead byte swallows the line feed", "[S]\r\nA=\x81\nK=2\r\n", "S", "A" },
        { "damaged bytes", "[S]\r\nK=\x81\x20x\xff\x80\r\n", "S", "K" },
        { "no file content", "", "S", "K" },
        { "absent key", "[S]\r\nA=1\r\n", "S", "K" },
        { "empty value", "[S]\r\nK=\r\n", "S", "K" },
    };
    Files files;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (int size : { 1024, 512, 3, 2 }) {
            std::string path = files.New(c.file);
            EXPECT_EQ(Ours(path, c.section, c.key, size), PlatformString(path, c.section, c.key, size)) << size;
        }
    }
    // A value longer than the buffer, cut before half a character; quotes
    // around a value the buffer cuts.
    std::string longValue;
    for (int i = 0; i < 300; ++i)
        longValue += "a\xD6\xD0";
    for (const std::string& value : { longValue, "\"" + longValue + "\"", std::string("\"abcd\"") }) {
        for (int size : { 1024, 511, 6, 5, 4 }) {
            std::string path = files.New("[S]\r\nK=" + value + "\r\n");
            EXPECT_EQ(Ours(path, "S", "K", size), PlatformString(path, "S", "K", size)) << value << " in " << size;
        }
    }
}

TEST(IniFile, ReadsNumbersAndSectionNamesAsThePlatformDoes)
{
    Files files;
    for (const char* value : { "5", "-5", "+7x", "0x1F", "0o17", "0b101", "0X1F", "abc", "", "\"12\"", "'3'",
                               "\x01 7", "99999999999", "4294967295", "\xD6\xD0" "5", "  08" }) {
        SCOPED_TRACE(value);
        std::string path = files.New(std::string("[S]\r\nK=") + value + "\r\n");
        CIniFile ini;
        ASSERT_TRUE(ini.Load(path.c_str()));
        EXPECT_EQ(ini.GetInt("S", "K", 9), ::GetPrivateProfileIntA("S", "K", 9, path.c_str()));
        EXPECT_EQ(ini.GetInt("S", "none", 9), ::GetPrivateProfileIntA("S", "none", 9, path.c_str()));
    }

    std::string path = files.New("K=1\r\n[A]\r\n[ b ]\r\n[]\r\n[SERCHCFG0]\r\nx\r\n[A]\r\n[\xB2\xE2]\r\n");
    CIniFile ini;
    ASSERT_TRUE(ini.Load(path.c_str()));
    CStringArray ours = ini.SectionNames();
    std::vector<std::string> names;
    for (int i = 0; i < ours.GetSize(); ++i)
        names.push_back(static_cast<const char*>(ours[i]));
    std::vector<std::string> platform;
    for (const std::string& line : PlatformView(path))
        if (line[0] == '[')
            platform.push_back(line.substr(1, line.size() - 2));
    EXPECT_EQ(names, platform);
}

TEST(IniFile, WritesWhatThePlatformWrites)
{
    struct Write {
        const char* section;
        const char* key;    // null: the whole section goes
        const char* value;
    };
    struct Case {
        const char* what;
        std::string file;
        std::vector<Write> writes;
        bool platformForm;  // the file is as the platform writes it: compared byte for byte
    } cases[] = {
        { "a new file", "", { { "SETTEI", "RIREKION", "1" }, { "SETTEI", "CHASE", "1" } }, true },
        { "a key in place, a new key after the last", "[A]\r\nx=1\r\ny=2\r\n[B]\r\nz=3\r\n",
          { { "a", "X", "new" }, { "A", "w", "4" } }, true },
        { "a new section at the end", "[A]\r\nx=1\r\n", { { "RECT", "LEFT", "10" }, { "RECT", "TOP", "-5" } }, true },
        { "the section deleted and written anew at the end",
          "[RECT]\r\nLEFT=1\r\n[SETTEI]\r\nZJIKU=5\r\nMINE=x\r\n[MINE]\r\nA=1\r\n",
          { { "SETTEI", nullptr, nullptr }, { "SETTEI", "RIREKION", "0" }, { "SETTEI", "ZJIKU", "5" } }, true },
        { "the first of two sections deleted: the second takes the writes",
          "[S]\r\nA=1\r\n[T]\r\nB=2\r\n[S]\r\nC=3\r\n", { { "S", nullptr, nullptr }, { "s", "D", "4" } }, true },
        { "the first of two keys replaced", "[S]\r\nK=1\r\nK=2\r\n", { { "S", "k", "3" } }, true },
        { "a key without =", "[S]\r\nK\r\n", { { "S", "K", "v" } }, true },
        { "leading blanks of a value dropped, trailing kept", "", { { "S", "K", "  v  " } }, true },
        { "the same value again", "[S]\r\nK=v\r\n", { { "S", "K", "v" } }, true },
        { "GBK names and values", "[\xB2\xE2]\r\nk=1\r\n", { { "\xB2\xE2", "\xD6\xD0", "\xCE\xC4" } }, true },
        { "blank lines, comments and spacing", "; made by hand\r\n\r\n[A]\r\n  x = 1 \r\n\r\n[B]\r\ny=2\r\n",
          { { "A", "X", "new" }, { "A", "z", "3" }, { "C", "k", "v" } }, false },
        { "no line break at the end", "[A]\r\nx=1", { { "A", "y", "2" }, { "B", "z", "3" } }, false },
        { "a header at the very end", "[A]", { { "A", "y", "2" } }, false },
        { "LF line ends", "[A]\nx=1\n[B]\ny=2\n", { { "A", "x", "3" }, { "B", "q", "4" } }, false },
    };
    Files files;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string platform = files.New(c.file);
        std::string ours = files.New(c.file);
        if (c.file.empty()) {
            ::DeleteFileA(platform.c_str());
            ::DeleteFileA(ours.c_str());
        }
        CIniFile ini;
        ASSERT_TRUE(ini.Load(ours.c_str()));
        for (const Write& w : c.writes) {
            ::WritePrivateProfileStringA(w.section, w.key, w.value, platform.c_str());
            if (w.key)
                ini.SetString(w.section, w.key, w.value);
            else
                ini.DeleteSection(w.section);
        }
        ASSERT_EQ(ini.Save(ours.c_str()), SAVE_WRITTEN);
        EXPECT_EQ(PlatformView(ours), PlatformView(platform));
        if (c.platformForm) {
            EXPECT_EQ(ReadFile(ours), ReadFile(platform));
        }
        EXPECT_FALSE(FileExists(ours + ".new"));
    }
}

// Untouched lines stay as they were, byte for byte, where the platform
// rewrites the whole file in its own form.
TEST(IniFile, KeepsEveryLineItDoesNotWrite)
{
    Files files;
    std::string path = files.New("; made by hand\r\n\r\n[A]\r\n  x = 1 \r\n\r\n[B]\ny=\x81\x20\r\n");
    CIniFile ini;
    ASSERT_TRUE(ini.Load(path.c_str()));
    ini.SetString("A", "x", "2");
    ini.SetString("A", "new", "3");
    ASSERT_EQ(ini.Save(path.c_str()), SAVE_WRITTEN);
    EXPECT_EQ(ReadFile(path), "; made by hand\r\n\r\n[A]\r\n  x = 2 \r\nnew=3\r\n\r\n[B]\ny=\x81\x20\r\n");
}

// A file saved as Unicode with its byte-order mark is read as the platform
// reads it and stays in its encoding.
TEST(IniFile, UnicodeFilesWithAByteOrderMark)
{
    Files files;
    const std::string utf16 = std::string("\xFF\xFE[\0S\0]\0\r\0\n\0K\0=\0\x7E\x76\xA6\x5E\r\0\n\0", 22);  // 百度
    const std::string utf8 = "\xEF\xBB\xBF[S]\r\nK=\xE7\x99\xBE\xE5\xBA\xA6\r\n";
    for (const std::string& file : { utf16, utf8 }) {
        std::string path = files.New(file);
        EXPECT_EQ(Ours(path, "S", "K", 1024), "\xB0\xD9\xB6\xC8");
        EXPECT_EQ(Ours(path, "S", "K", 1024), PlatformString(path, "S", "K", 1024));
        CIniFile ini;
        ASSERT_TRUE(ini.Load(path.c_str()));
        ini.SetString("S", "N", "\xD6\xD0");  // 中
        ASSERT_EQ(ini.Save(path.c_str()), SAVE_WRITTEN);
        std::string written = ReadFile(path);
        EXPECT_EQ(written.substr(0, 2), file.substr(0, 2)) << "the byte-order mark stays";
        std::string copy = files.New(written);
        EXPECT_EQ(PlatformString(copy, "S", "N", 1024), "\xD6\xD0");
        EXPECT_EQ(PlatformString(copy, "S", "K", 1024), "\xB0\xD9\xB6\xC8");
    }
    // Bytes that are no UTF-8 read as U+FFFD; a line not written keeps them.
    const std::string damaged = "\xEF\xBB\xBF[S]\r\nK=\xE7\x99\xFF\xC0\xAF\r\n&#44032;=\xED\xA0\x80\n[T]\r\nX=1";
    std::string path = files.New(damaged);
    CIniFile ini;
    ASSERT_TRUE(ini.Load(path.c_str()));
    ini.SetString("T", "X", "2");
    ASSERT_EQ(ini.Save(path.c_str()), SAVE_WRITTEN);
    EXPECT_EQ(ReadFile(path), damaged.substr(0, damaged.size() - 1) + "2");
}

// A complete file or none: what could not be read is not replaced, a
// read-only file is not written, and nothing is left beside the file.
TEST(IniFile, AFileThatCannotBeReadOrIsReadOnlyIsNotWritten)
{
    Files files;
    const std::string content = "[S]\r\nK=1\r\n";
    std::string path = files.New(content);
    HANDLE held = ::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    CIniFile ini;
    EXPECT_FALSE(ini.Load(path.c_str()));
    ::CloseHandle(held);
    ini.SetString("S", "K", "2");
    EXPECT_EQ(ini.Save(path.c_str()), SAVE_LEFT);
    EXPECT_EQ(ReadFile(path), content);

    ASSERT_TRUE(::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    CIniFile readOnly;
    EXPECT_TRUE(readOnly.Load(path.c_str()));
    readOnly.SetString("S", "K", "3");
    EXPECT_EQ(readOnly.Save(path.c_str()), SAVE_LEFT);
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadFile(path), content);
    EXPECT_FALSE(FileExists(path + ".new"));

    CIniFile missing;
    EXPECT_TRUE(missing.Load((path + "-none").c_str()));
    EXPECT_EQ(missing.Save((path + "-none").c_str()), SAVE_WRITTEN);
    EXPECT_FALSE(FileExists(path + "-none")) << "nothing written, nothing created";
}
