// The platform layer: the string every plug-in shares, text files, file search,
// and the texts handed to the platform.
#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>

#include "framework/CString.h"
#include "framework/Collections.h"
#include "framework/File.h"
#include "framework/Mbcs.h"
#include "framework/Menu.h"
#include "framework/Shell.h"
#include "framework/Text.h"
#include "framework/Tray.h"
#include "harness/Harness.h"

using namespace harness;

TEST(CString, EmptyStringOwnsNothingSoItOutlivesAnyModule)
{
    CString empty;
    EXPECT_EQ(*reinterpret_cast<char**>(&empty), nullptr);
    CString fromEmpty("");
    EXPECT_EQ(*reinterpret_cast<char**>(&fromEmpty), nullptr);
    EXPECT_STREQ(empty, "");
    EXPECT_TRUE(fromEmpty.IsEmpty());
    CString text("abc");
    text = "";
    EXPECT_EQ(*reinterpret_cast<char**>(&text), nullptr);
}

TEST(CString, CopiesAssignmentsAndConcatenation)
{
    CString a("abc");
    CString b(a);
    EXPECT_NE(static_cast<const char*>(a), static_cast<const char*>(b));
    b += "def";
    EXPECT_STREQ(a, "abc");
    EXPECT_STREQ(b, "abcdef");
    b = b.Mid(1);  // assignment from a piece of itself
    EXPECT_STREQ(b, "bcdef");
    b += b;
    EXPECT_STREQ(b, "bcdefbcdef");
    CString c = "x" + a + CString("y") + "z";
    EXPECT_STREQ(c, "xabcyz");
    CString moved(static_cast<CString&&>(c));
    EXPECT_STREQ(moved, "xabcyz");
    EXPECT_TRUE(c.IsEmpty());
}

TEST(CString, FormatAndPieces)
{
    CString s;
    s.Format("ver %d.%d%d", 5, 2, 0);
    EXPECT_STREQ(s, "ver 5.20");
    s.Format("%s", "");
    EXPECT_TRUE(s.IsEmpty());
    s.Format("%s", std::string(5000, 'q').c_str());
    EXPECT_EQ(s.GetLength(), 5000);

    CString t("hello_world");
    EXPECT_EQ(t.Find('_'), 5);
    EXPECT_EQ(t.Find('_', 6), -1);
    EXPECT_EQ(t.Find("world"), 6);
    EXPECT_STREQ(t.Mid(6, 3), "wor");
    EXPECT_STREQ(t.Mid(6, -1), "world");
    EXPECT_STREQ(t.Mid(20, 3), "");
}

TEST(CString, MultibyteSearchNeverMatchesATrailByte)
{
    // GBK "脌" is 0x8D 0x5B: its trail byte equals '['.
    CString s("\x8d\x5b" "x[y");
    EXPECT_EQ(s.Find('['), 3);
    EXPECT_EQ(s.Find("[y"), 3);
    EXPECT_EQ(s.Find("\x5b" "x"), -1);
}

TEST(CString, BufferRoundTrip)
{
    CString s;
    char* p = s.GetBuffer(10);
    strcpy(p, "12345");
    s.ReleaseBuffer();
    EXPECT_EQ(s.GetLength(), 5);
    p = s.GetBuffer(2);
    s.ReleaseBuffer(2);
    EXPECT_STREQ(s, "12");
}

TEST(CString, AppendingKeepsLengthRoomAndTextTogether)
{
    CString s;
    std::string expected;
    for (int i = 0; i < 5000; ++i) {
        s += static_cast<char>('a' + i % 26);
        s.Append("中", 2);
        expected += static_cast<char>('a' + i % 26);
        expected += "中";
    }
    EXPECT_EQ(s.GetLength(), static_cast<int>(expected.size()));
    EXPECT_EQ(std::string(s), expected);
    s.Append(s, 4);  // a piece of itself, which the growth may move
    EXPECT_EQ(std::string(s), expected + expected.substr(0, 4));
    s.Truncate(3);
    EXPECT_STREQ(s, "a中");
    s += '\0';
    EXPECT_EQ(s.GetLength(), 3) << "a terminator appends nothing";
    char* p = s.GetBuffer(100);
    strcpy(p + 3, "xyz");
    s.ReleaseBuffer();
    EXPECT_STREQ(s, "a中xyz");
    EXPECT_EQ(s.GetLength(), 6);
    s.Truncate(0);
    EXPECT_EQ(*reinterpret_cast<char**>(&s), nullptr) << "an emptied string owns nothing";
}

// "乗" is 0x81 0x5C, "乢" 0x81 0x5F: trail bytes equal to "\\" and "_".
TEST(Mbcs, SearchesCutsAndCountsWholeCharacters)
{
    const char text[] = "乢_乗\\x";
    int len = static_cast<int>(strlen(text));
    EXPECT_EQ(FindText(text, len, "_"), 2);
    EXPECT_EQ(FindText(text, len, "\\"), 5);
    EXPECT_EQ(FindText(text, len, "_", 3), -1);
    EXPECT_EQ(FindText(text, len, "x", len), -1);
    EXPECT_EQ(FindText(text, len, "", 0), 0);
    EXPECT_EQ(CountChars(text), 5);
    EXPECT_EQ(FitText(text, len, 4), 3) << "the second half of 乗 does not fit";
    EXPECT_EQ(FitText(text, len, 5), 5);
    EXPECT_EQ(FitText("a\xD6", 2, 2), 1) << "a lead byte without its trail byte is half a character";
    EXPECT_EQ(FitText(text, len, 0), 0);
}

TEST(Paths, FolderAndTitleSplitAtWholeCharacters)
{
    EXPECT_STREQ(PathFolder("C:\\乗\\Kelmora.exe"), "C:\\乗\\");
    EXPECT_STREQ(PathFolder("C:\\dir/乗x"), "C:\\dir/");
    EXPECT_STREQ(PathFolder("乗.exe"), "") << "a bare name has no folder";
    EXPECT_STREQ(PathFolder("C:Kelmora.exe"), "C:");
    EXPECT_STREQ(PathTitle("C:\\imagedlls\\乗.dll.bak"), "乗.dll");
    EXPECT_STREQ(PathTitle("C:\\imagedlls\\cat"), "cat");
    EXPECT_STREQ(PathTitle("C:\\a.b\\乗"), "乗");
}

TEST(Shell, OnlyWebAddressesAreHandedOver)
{
    for (const char* web : { "http://h/?q=a", "HTTPS://h", "Http:x", "www.example.com/?q=中", "WWW.h" })
        EXPECT_TRUE(IsWebAddress(web)) << web;
    for (const char* other : { "C:\\Windows\\notepad.exe", "\\\\host\\share\\x.exe", "file:///C:/x.exe",
                               "mailto:a@b", "javascript:alert(1)", "ftp://h/", " http://h", "httpx://h", "www",
                               "notepad", "" })
        EXPECT_FALSE(IsWebAddress(other)) << other;
}

TEST(Shell, AnAddressIsOneQuotedArgument)
{
    EXPECT_STREQ(EscapeForShell("http://h/?q=a \"b\" -k\r\n乢"), "http://h/?q=a %22b%22 -k%0D%0A乢");
    EXPECT_STREQ(QuotedArgument("http://h/?q=a b"), "\"http://h/?q=a b\"");
    EXPECT_STREQ(QuotedArgument("http://h/a\" -nohome \""), "\"http://h/a%22 -nohome %22\"");
    // Backslashes at the end would escape the closing quote.
    EXPECT_STREQ(QuotedArgument("http://h/x\\\\"), "\"http://h/x\\\\\\\\\"");
    EXPECT_STREQ(QuotedArgument("http://h/\\x"), "\"http://h/\\x\"");
}

TEST(Collections, ArraysKeepOrder)
{
    CStringArray names;
    names.Add("b");
    names.Add("a");
    EXPECT_EQ(names.GetSize(), 2);
    EXPECT_STREQ(names[0], "b");
    CUIntArray flags;
    flags.Add(1);
    flags.Add(0xFFFFFFFFu);
    EXPECT_EQ(flags[1], 0xFFFFFFFFu);
}

TEST(StdioFile, TextModeTurnsLineEndsIntoCrLfAndBack)
{
    TempDir dir;
    std::string path = dir / "t.txt";
    {
        CStdioFile f;
        ASSERT_TRUE(f.Open(path.c_str(), CStdioFile::modeCreate | CStdioFile::modeWrite | CStdioFile::typeText));
        f.WriteString("one\n\ntwo\n");
        EXPECT_TRUE(f.Close());
    }
    EXPECT_EQ(ReadFile(path), "one\r\n\r\ntwo\r\n");

    CStdioFile f;
    ASSERT_TRUE(f.Open(path.c_str(), CStdioFile::modeRead | CStdioFile::shareDenyWrite | CStdioFile::typeText));
    CString line;
    std::vector<std::string> lines;
    while (f.ReadString(line))
        lines.push_back(static_cast<const char*>(line));
    EXPECT_EQ(lines, (std::vector<std::string>{ "one", "", "two" }));
}

TEST(StdioFile, LongLinesBinaryBytesAndNoFinalLineEnd)
{
    TempDir dir;
    std::string path = dir / "t.txt";
    std::string longLine(20000, 'z');
    WriteFile(path, longLine + "\r\n\x01\xff\xfe\nlast");
    CStdioFile f;
    ASSERT_TRUE(f.Open(path.c_str(), CStdioFile::modeRead | CStdioFile::typeText));
    CString line;
    ASSERT_TRUE(f.ReadString(line));
    EXPECT_EQ(line.GetLength(), 20000);
    ASSERT_TRUE(f.ReadString(line));
    EXPECT_STREQ(line, "\x01\xff\xfe");
    ASSERT_TRUE(f.ReadString(line));
    EXPECT_STREQ(line, "last");
    EXPECT_FALSE(f.ReadString(line));
}

TEST(StdioFile, OpeningAMissingFileFails)
{
    TempDir dir;
    CStdioFile f;
    EXPECT_FALSE(f.Open((dir / "none.txt").c_str(), CStdioFile::modeRead));
    CString line;
    EXPECT_FALSE(f.ReadString(line));
}

TEST(FileFind, ListsEveryMatchIncludingTheLast)
{
    TempDir dir;
    WriteFile(dir / "a.dll", "");
    WriteFile(dir / "b.dll.bak", "");
    ::CreateDirectoryA((dir / "c.dll").c_str(), nullptr);
    CFileFind find;
    std::vector<std::string> files;
    BOOL more = find.FindFile((dir.Path() + "*.dll*").c_str());
    ASSERT_TRUE(more);
    while (more) {
        more = find.FindNextFile();
        if (find.IsDots() || find.IsDirectory())
            continue;
        std::string path = static_cast<const char*>(find.GetFilePath());
        ASSERT_EQ(path.substr(0, dir.Path().size()), dir.Path());
        files.push_back(path.substr(dir.Path().size()));
    }
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{ "a.dll", "b.dll.bak" }));
}

// The conversions at the platform's boundary are those of code page 936
// whatever the system's (this test runs under several). A character GBK
// cannot hold is carried as "&#N;" and comes back whole; any other text that
// looks like that stays as it is.
TEST(Text, ConvertsAsGbkAndCarriesWhatGbkCannotHold)
{
    EXPECT_EQ(ToUtf16("汉字测试 a"), L"汉字测试 a");
    EXPECT_STREQ(ToGbk(L"汉字测试 a"), "\xBA\xBA\xD7\xD6\xB2\xE2\xCA\xD4 a");
    // Wide literals GBK cannot hold stay out of the assertions, which quote
    // their arguments in GBK.
    const std::wstring korean = L"한글 \U0001F600", afterChinese = L"中한";
    EXPECT_STREQ(ToGbk(korean), "&#54620;&#44544; &#128512;");
    EXPECT_EQ(ToUtf16("&#54620;&#44544; &#128512;"), korean);
    EXPECT_EQ(ToUtf16("\xD6\xD0&#54620;"), afterChinese) << "after a double-byte character";
    for (const char* plain : { "&#20013;", "&#;", "&#12345678;", "&#0;", "&#1114112;", "&#54620", "& #54620;",
                               "&amp;", "&#55296;", "&#57343;", "&#054620;", "&#038;" })
        EXPECT_EQ(ToUtf16(plain), std::wstring(plain, plain + strlen(plain))) << plain;
}

// What the user typed comes back as typed, "&#" and all; a surrogate alone
// is no character and comes back as the replacement character.
TEST(Text, AnAmpersandBeforeAHashIsCarriedToo)
{
    const std::wstring typed = L"&#44032; && &#38; &#20013; &#";
    EXPECT_STREQ(ToGbk(typed), "&#38;#44032; && &#38;#38; &#38;#20013; &#38;#");
    EXPECT_EQ(ToUtf16(ToGbk(typed)), typed);
    const std::wstring lone = std::wstring(1, static_cast<wchar_t>(0xD800)) + L"a",
                       replaced = std::wstring(1, static_cast<wchar_t>(0xFFFD)) + L"a";
    EXPECT_STREQ(ToGbk(lone), "&#65533;a");
    EXPECT_EQ(ToUtf16(ToGbk(lone)), replaced);
}

TEST(Text, WindowsMenusAndTheTrayTipGetUtf16)
{
    HWND label = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr, nullptr, nullptr);
    SetText(label, "企鹅 &#54189;&#44484;");
    wchar_t text[64] = L"";
    ::GetWindowTextW(label, text, 64);
    const std::wstring shown = L"企鹅 펭귄";
    EXPECT_EQ(text, shown);
    EXPECT_STREQ(GetText(label), "企鹅 &#54189;&#44484;");
    ::DestroyWindow(label);

    CMenu menu;
    menu.CreatePopupMenu();
    menu.AppendMenu(MF_STRING, 1, "设置");
    InsertMenuText(menu, 0, MF_BYPOSITION | MF_STRING, 2, "图标");
    ::GetMenuStringW(menu, 0, text, 64, MF_BYPOSITION);
    EXPECT_STREQ(text, L"图标");
    ::GetMenuStringW(menu, 1, text, 64, MF_BYPOSITION);
    EXPECT_STREQ(text, L"设置");

    NOTIFYICONDATAW nid = TrayRecord(nullptr, 1);
    EXPECT_EQ(nid.cbSize, static_cast<DWORD>(NOTIFYICONDATAW_V1_SIZE));
    SetTrayTip(nid, "Kelmora      \n 车 ");
    EXPECT_STREQ(nid.szTip, L"Kelmora      \n 车 ");
    SetTrayTip(nid, std::string(70, 'x').c_str());
    EXPECT_EQ(wcslen(nid.szTip), 63u);
}
