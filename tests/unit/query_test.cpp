// Query building, the history rules of a search and the two files of the
// search box, through real combo boxes and real files in a temporary folder.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness/Harness.h"
#include "framework/Mbcs.h"
#include "search/query.h"
#include "search/searchfiles.h"

using namespace harness;

TEST(EncodeQuery, ExamplesAndEscapingOfSingleByteText)
{
    struct Case {
        const char* text;
        const char* expected;
    } cases[] = {
        { "abc", "abc" },
        { "a b", "a+b" },
        { "C++ x", "C%2B%2B+x" },
        { "a&b=c#d%e?f", "a%26b%3Dc%23d%25e%3Ff" },
        { "-_.~09AZaz", "-_.~09AZaz" },
        { "", "" },
        { "搜索", "%E6%90%9C%E7%B4%A2" },
        { "中 a", "%E4%B8%AD%20%61" },
        { "中+", "%E4%B8%AD%2B" },
    };
    for (const Case& c : cases)
        EXPECT_STREQ(static_cast<const char*>(EncodeQuery(c.text)), c.expected) << c.text;
}

TEST(EncodeQuery, CountsDoubleByteCharactersOfTheCodePage)
{
    EXPECT_EQ(CountChars("abc"), 3);
    EXPECT_EQ(CountChars("中a文"), 3);
    // A lone lead byte at the end is one character.
    EXPECT_EQ(CountChars("a\xD6"), 2);
    // Lone lead byte: no double-byte character, so byte-wise escaping.
    EXPECT_STREQ(static_cast<const char*>(EncodeQuery("a\xD6")), "a%D6");
}

TEST(SubstituteQuery, EveryPlaceholderLeftToRightNotRescanned)
{
    EXPECT_STREQ(static_cast<const char*>(SubstituteQuery("http://h/?q=[搜索]", "x")), "http://h/?q=x");
    EXPECT_STREQ(static_cast<const char*>(SubstituteQuery("[搜索]/[搜索]", "a")), "a/a");
    EXPECT_STREQ(static_cast<const char*>(SubstituteQuery("[搜索]", "[搜索]")), "[搜索]");
    EXPECT_STREQ(static_cast<const char*>(SubstituteQuery("http://h/", "x")), "http://h/");
}

// "乕" is 0x81 0x5B: its trail byte followed by "搜索]" is no placeholder.
TEST(SubstituteQuery, ATrailByteEqualToABracketStartsNoPlaceholder)
{
    EXPECT_STREQ(static_cast<const char*>(SubstituteQuery("http://h/乕搜索]?q=[搜索]", "x")),
                 "http://h/乕搜索]?q=x");
    // A word with such characters goes in as typed and is not searched again.
    EXPECT_STREQ(static_cast<const char*>(SubstituteQuery("q=[搜索]&r=[搜索]", "乕搜索]乢")),
                 "q=乕搜索]乢&r=乕搜索]乢");
    EXPECT_STREQ(static_cast<const char*>(EncodeQuery("乕乢")), "%E4%B9%95%E4%B9%A2");
}

TEST(PlanHistory, NewFoundAndTrimmed)
{
    struct Case {
        int count, found, keep;
        int deleteAt;
        bool insert, trim, select;
    } cases[] = {
        { 3, -1, 1, -1, true, false, false },    // new word, history on
        { 3, -1, 0, -1, false, false, false },   // history off: nothing
        { 3, 2, 0, 2, true, false, true },       // present: moves up even with history off
        { 3, 2, 7, 2, true, false, true },       // only 1 counts as on, but moving is unconditional
        { 3, -1, 7, -1, false, false, false },
        { 100, -1, 1, -1, true, true, true },    // 101 -> trimmed back to 100
        { 99, -1, 1, -1, true, false, false },
        { 150, -1, 1, -1, true, true, true },    // only one entry per search
        { 150, -1, 0, -1, false, true, true },   // history off above 100 still trims
        { 100, -1, 0, -1, false, false, false },
        { 150, 149, 1, 149, true, false, true },
    };
    for (const Case& c : cases) {
        HistoryPlan p = PlanHistory(c.count, c.found, c.keep);
        EXPECT_EQ(p.deleteAt, c.deleteAt) << c.count << " " << c.found << " " << c.keep;
        EXPECT_EQ(p.insertTop, c.insert) << c.count << " " << c.found << " " << c.keep;
        EXPECT_EQ(p.trimLast, c.trim) << c.count << " " << c.found << " " << c.keep;
        EXPECT_EQ(p.selectFirst, c.select) << c.count << " " << c.found << " " << c.keep;
    }
}

namespace {

// A real drop-down combo box like the search box's history.
struct Combo {
    HWND hWnd = ::CreateWindowExA(0, "COMBOBOX", "", WS_POPUP | CBS_DROPDOWN | CBS_AUTOHSCROLL, 0, 0, 200, 200,
                                  nullptr, nullptr, nullptr, nullptr);
    ~Combo() { ::DestroyWindow(hWnd); }
    void Add(const std::string& s) { ::SendMessageA(hWnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s.c_str())); }
    int Count() const { return static_cast<int>(::SendMessageA(hWnd, CB_GETCOUNT, 0, 0)); }
    std::string At(int i) const { return static_cast<const char*>(ComboEntry(hWnd, i)); }
    std::string Text() const
    {
        char buf[512] = "";
        ::GetWindowTextA(hWnd, buf, sizeof buf);
        return buf;
    }
};

}  // namespace

TEST(HistoryList, LetterCaseMovesTheEntryAndTakesTheTypedCase)
{
    Combo c;
    c.Add("alpha");
    c.Add("Beta");
    c.Add("gamma");
    UpdateHistoryForSearch(c.hWnd, "BETA", 0);
    ASSERT_EQ(c.Count(), 3);
    EXPECT_EQ(c.At(0), "BETA");
    EXPECT_EQ(c.At(1), "alpha");
    EXPECT_EQ(c.At(2), "gamma");
    EXPECT_EQ(c.Text(), "BETA");
    UpdateHistoryForSearch(c.hWnd, "delta", 0);
    EXPECT_EQ(c.Count(), 3);
    UpdateHistoryForSearch(c.hWnd, "delta", 1);
    EXPECT_EQ(c.Count(), 4);
    EXPECT_EQ(c.At(0), "delta");
}

TEST(HistoryList, HundredStaysHundredAndHistoryOffAboveHundredSelectsTheNewest)
{
    Combo c;
    for (int i = 0; i < 100; ++i)
        c.Add("w" + std::to_string(i));
    UpdateHistoryForSearch(c.hWnd, "new", 1);
    ASSERT_EQ(c.Count(), 100);
    EXPECT_EQ(c.At(0), "new");
    EXPECT_EQ(c.At(99), "w98");
    EXPECT_EQ(c.Text(), "new");

    Combo big;
    for (int i = 0; i < 150; ++i)
        big.Add("w" + std::to_string(i));
    ::SetWindowTextA(big.hWnd, "typed");
    UpdateHistoryForSearch(big.hWnd, "typed", 0);
    ASSERT_EQ(big.Count(), 149);
    EXPECT_EQ(big.At(148), "w148");
    EXPECT_EQ(big.Text(), "w0");  // entry 0 selected
}

TEST(HistoryFile, LinesEmptyLinesLongLinesBinaryAndNoFinalLineEnd)
{
    TempDir dir;
    std::string longLine(20000, 'x');
    std::string content = "first\r\n\r\n中文\r\n" + longLine + "\r\nbin\x01\x7f\xff\r\nlast";
    WriteFile(dir / "search.txt", content);
    Combo c;
    ReadHistoryFile((dir / "search.txt").c_str(), c.hWnd);
    ASSERT_EQ(c.Count(), 6);
    EXPECT_EQ(c.At(0), "first");
    EXPECT_EQ(c.At(1), "");
    EXPECT_EQ(c.At(2), "中文");
    EXPECT_EQ(c.At(3).size(), longLine.size());
    EXPECT_EQ(c.At(5), "last");
    ASSERT_EQ(WriteHistoryFile((dir / "search.txt").c_str(), c.hWnd), SAVE_WRITTEN);
    EXPECT_EQ(ReadFile(dir / "search.txt"), content + "\r\n");
    EXPECT_FALSE(FileExists(dir / "search.txt.new"));
}

TEST(HistoryFile, HundredFiftyLinesAndAnEmptyListAndAMissingFile)
{
    TempDir dir;
    std::string content;
    for (int i = 0; i < 150; ++i)
        content += (i % 10 == 5 ? std::string() : "word" + std::to_string(i)) + "\r\n";
    WriteFile(dir / "search.txt", content);
    Combo c;
    ReadHistoryFile((dir / "search.txt").c_str(), c.hWnd);
    EXPECT_EQ(c.Count(), 150);
    ASSERT_EQ(WriteHistoryFile((dir / "search.txt").c_str(), c.hWnd), SAVE_WRITTEN);
    EXPECT_EQ(ReadFile(dir / "search.txt"), content);

    Combo none;
    ReadHistoryFile((dir / "absent.txt").c_str(), none.hWnd);
    EXPECT_EQ(none.Count(), 0);
    ASSERT_EQ(WriteHistoryFile((dir / "empty.txt").c_str(), none.hWnd), SAVE_WRITTEN);
    EXPECT_EQ(ReadFile(dir / "empty.txt"), "");
}

TEST(HistoryFile, AnUnwritableTargetKeepsTheOldFile)
{
    TempDir dir;
    // A folder where the temporary file would go cannot be replaced by a file.
    ::CreateDirectoryA((dir / "search.txt.new").c_str(), nullptr);
    WriteFile(dir / "search.txt", "old\r\n");
    Combo c;
    c.Add("new");
    EXPECT_EQ(WriteHistoryFile((dir / "search.txt").c_str(), c.hWnd), SAVE_LOST);
    EXPECT_EQ(ReadFile(dir / "search.txt"), "old\r\n");
}

namespace {
struct Table {
    CStringArray engines, urls;
    CUIntArray convert;
    BOOL writeBack = FALSE;
    explicit Table(const std::string& path) { writeBack = ReadEngineTable(path.c_str(), engines, urls, convert); }
};
}  // namespace

TEST(EngineFile, NoFileGivesTheBuiltInTableWrittenBack)
{
    TempDir dir;
    std::string path = dir / "搜索URL.ini";
    Table t(path);
    ASSERT_EQ(t.engines.GetSize(), 4);
    EXPECT_TRUE(t.writeBack);
    EXPECT_STREQ(t.engines[0], "google");
    EXPECT_STREQ(t.urls[0], "http://www.google.com/search?q=[搜索]");
    EXPECT_STREQ(t.urls[1], "http://search.yahoo.com/search?p=[搜索]");
    EXPECT_STREQ(t.engines[2], "goo英和");
    EXPECT_STREQ(t.urls[2], "http://dictionary.goo.ne.jp/search.php?MT=[搜索]");
    EXPECT_STREQ(t.engines[3], "alc英和");
    EXPECT_STREQ(t.urls[3],
                 "http://eow.alc.co.jp/ejr/index.php?word_in=[搜索]&word_in2=A B C D E &word_in3=Tg7LqZr2WmXe9KbHsD");
    EXPECT_EQ(t.convert[0], 1u);
    EXPECT_EQ(t.convert[1], 1u);
    EXPECT_EQ(t.convert[2], 0u);
    EXPECT_EQ(t.convert[3], 0u);
    WriteEngineTable(path.c_str(), t.engines, t.urls, t.convert);
    std::vector<std::string> s0 = IniSection(path, "SERCHCFG0");
    ASSERT_EQ(s0.size(), 3u);
    EXPECT_EQ(s0[0], "SERCH_ENGINE=google");
    EXPECT_EQ(s0[2], "SERCH_STRCHNG=1");
    EXPECT_EQ(IniSections(path).size(), 4u);
}

TEST(EngineFile, GapEndsTheTableAndLaterSectionsStay)
{
    TempDir dir;
    std::string path = dir / "搜索URL.ini";
    std::string content =
        "[SERCHCFG0]\r\nSERCH_ENGINE=a\r\nSERCH_URL=http://a/[搜索]\r\nSERCH_STRCHNG=1\r\n"
        "[SERCHCFG1]\r\nSERCH_ENGINE=b\r\nSERCH_STRCHNG=junk\r\n"
        "[SERCHCFG3]\r\nSERCH_ENGINE=d\r\nSERCH_URL=http://d/\r\nSERCH_STRCHNG=1\r\n";
    WriteFile(path, content);
    Table t(path);
    ASSERT_EQ(t.engines.GetSize(), 2);
    EXPECT_TRUE(t.writeBack);
    EXPECT_STREQ(t.urls[1], "");
    EXPECT_EQ(t.convert[1], 0u);
    WriteEngineTable(path.c_str(), t.engines, t.urls, t.convert);
    std::vector<std::string> s3 = IniSection(path, "SERCHCFG3");
    ASSERT_EQ(s3.size(), 3u);
    EXPECT_EQ(s3[0], "SERCH_ENGINE=d");
    EXPECT_EQ(IniSection(path, "SERCHCFG1")[1], "SERCH_STRCHNG=0");
}

TEST(EngineFile, UnusableFirstSectionUsesTheBuiltInTableAndLeavesTheFile)
{
    TempDir dir;
    std::string path = dir / "搜索URL.ini";
    WriteFile(path, "[SERCHCFG0]\r\nSERCH_ENGINE=\r\nSERCH_URL=http://mine/\r\n[SERCHCFG1]\r\nSERCH_ENGINE=x\r\n");
    Table t(path);
    EXPECT_EQ(t.engines.GetSize(), 4);
    EXPECT_FALSE(t.writeBack);

    WriteFile(path, "[Other]\r\nk=v\r\n");
    Table other(path);
    EXPECT_EQ(other.engines.GetSize(), 4);
    EXPECT_TRUE(other.writeBack);  // no engine section at all: a first run
}

TEST(EngineFile, HundredTwentySectionsUseHundredAndOverlongValuesAreCut)
{
    TempDir dir;
    std::string path = dir / "搜索URL.ini";
    std::string content;
    for (int i = 0; i < 120; ++i)
        content += "[SERCHCFG" + std::to_string(i) + "]\r\nSERCH_ENGINE=e" + std::to_string(i) +
                   "\r\nSERCH_URL=http://x/" + (i == 0 ? std::string(3000, 'u') : std::string()) +
                   "\r\nSERCH_STRCHNG=" + std::to_string(i % 3) + "\r\n";
    WriteFile(path, content);
    Table t(path);
    ASSERT_EQ(t.engines.GetSize(), 100);
    EXPECT_EQ(t.urls[0].GetLength(), 1023);
    EXPECT_EQ(t.convert[2], 2u);
    WriteEngineTable(path.c_str(), t.engines, t.urls, t.convert);
    EXPECT_EQ(IniSections(path).size(), 120u);
    EXPECT_EQ(IniSection(path, "SERCHCFG119")[0], "SERCH_ENGINE=e119");
    EXPECT_EQ(IniSection(path, "SERCHCFG0")[1].size(), std::string("SERCH_URL=").size() + 1023);

    // A cut never leaves half a double-byte character behind.
    std::string gbk = "[SERCHCFG0]\r\nSERCH_ENGINE=";
    for (int i = 0; i < 600; ++i)
        gbk += "中";
    WriteFile(path, gbk + "\r\n");
    Table cut(path);
    EXPECT_EQ(cut.engines[0].GetLength(), 1022);
}
