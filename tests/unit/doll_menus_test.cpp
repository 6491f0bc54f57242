// The doll's pure decisions around the search box and the tray: placement,
// the tray tip, the menus as built (read back item by item) and the balloon.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "doll/menus.h"
#include "doll/placement.h"
#include "harness/Harness.h"
#include "res/resource.h"
#include "search/SearchDlg.h"
#include "search/balloon.h"

TEST(Placement, BelowInTheUpperHalfAboveInTheLowerHalfAndAtTheMiddle)
{
    const int W = 1280, H = 1024, bw = 260, bh = 90;
    struct Case {
        RECT doll;
        int y;
    } cases[] = {
        { { 500, 100, 532, 132 }, 132 },         // upper half: below
        { { 500, 800, 532, 832 }, 800 - bh },    // lower half: above
        { { 500, 496, 532, 528 }, 496 - bh },    // centre exactly at 512: above
        { { 500, 495, 532, 527 }, 527 },         // centre 511: below
        { { 500, 10, 532, 42 }, 42 },
        { { 500, 1000, 532, 1032 }, 1000 - bh },
        { { 500, 40, 532, 72 }, 72 },
        { { 500, 50, 532, 82 }, 82 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(PlaceSearchBox(c.doll, bw, bh, RECT{ 0, 0, W, H }, 0).y, c.y) << c.doll.top;
    // Clamped: above never negative, below never past the screen's bottom.
    RECT lower = { 500, 600, 532, 632 };
    EXPECT_EQ(PlaceSearchBox(lower, bw, 700, RECT{ 0, 0, W, 1000 }, 0).y, 0);
    RECT lowBox = { 500, 950, 532, 982 };
    EXPECT_EQ(PlaceSearchBox(lowBox, bw, bh, RECT{ 0, 0, W, 4000 }, 0).y, 982);
    RECT nearBottom = { 500, 300, 532, 332 };
    EXPECT_EQ(PlaceSearchBox(nearBottom, bw, 800, RECT{ 0, 0, W, 1000 }, 0).y, 200);
}

TEST(Placement, HorizontalRangeClampsEmptyAndNegative)
{
    const int W = 1280, H = 1024;
    RECT doll = { 500, 100, 532, 132 };  // low = 532 - 260 + 10 = 282, high = 490
    EXPECT_EQ(PlaceSearchBox(doll, 260, 90, RECT{ 0, 0, W, H }, 0).x, 282);
    EXPECT_EQ(PlaceSearchBox(doll, 260, 90, RECT{ 0, 0, W, H }, 207).x, 489);
    EXPECT_EQ(PlaceSearchBox(doll, 260, 90, RECT{ 0, 0, W, H }, 208).x, 282);
    // Near the left edge: low raised to -10.
    RECT left = { 0, 100, 32, 132 };  // low = -218 -> -10, high = -10: empty
    EXPECT_EQ(PlaceSearchBox(left, 260, 90, RECT{ 0, 0, W, H }, 12345).x, -10);
    // Near the right edge: high lowered to W - bw + 10.
    RECT right = { 1270, 100, 1302, 132 };  // low 1052, high 1260 -> 1030: negative range -22
    EXPECT_EQ(PlaceSearchBox(right, 260, 90, RECT{ 0, 0, W, H }, 0).x, 1052);
    EXPECT_EQ(PlaceSearchBox(right, 260, 90, RECT{ 0, 0, W, H }, 25).x, 1055);
    // Box exactly 20 pixels wider than the doll: empty range, x = low.
    RECT doll52 = { 500, 100, 552, 132 };  // width 52, box 72: low 490, high 490
    EXPECT_EQ(PlaceSearchBox(doll52, 72, 90, RECT{ 0, 0, W, H }, 999).x, 490);
    RECT atRight = { 1250, 100, 1282, 132 };  // high = 1240 -> 1280 - 260 + 10 = 1030
    EXPECT_EQ(PlaceSearchBox(atRight, 260, 90, RECT{ 0, 0, W, H }, 0).x, 1032);
}

// The gaps the box keeps from the doll and the monitor's edges grow with the
// scale: 15 pixels at 144 DPI.
TEST(Placement, GapsGrowWithTheDisplayScale)
{
    const RECT monitor = { 0, 0, 1280, 1024 };
    RECT doll = { 500, 100, 548, 148 };  // low = 548 - 260 + 15 = 303, high = 485
    EXPECT_EQ(PlaceSearchBox(doll, 260, 90, monitor, 0, 144).x, 303);
    EXPECT_EQ(PlaceSearchBox(doll, 260, 90, monitor, 181, 144).x, 484);
    EXPECT_EQ(PlaceSearchBox(doll, 260, 90, monitor, 182, 144).x, 303);
    RECT left = { 0, 100, 48, 148 };  // low raised to -15, high -15: empty
    EXPECT_EQ(PlaceSearchBox(left, 260, 90, monitor, 12345, 144).x, -15);
    RECT atRight = { 1250, 100, 1298, 148 };  // high lowered to 1280 - 260 + 15
    EXPECT_EQ(PlaceSearchBox(atRight, 260, 90, monitor, 0, 144).x, 1053);
    EXPECT_EQ(PlaceSearchBox(doll, 260, 90, monitor, 0, 96).x, 298);
}

TEST(TrayTip, CutToSixtyThreeBytesNeverHalfACharacter)
{
    std::string name;
    for (int i = 0; i < 40; ++i)
        name += "猫";
    std::string text = "Kelmora      \n" + name;  // 14 bytes, then double-byte characters
    CString tip = FitTrayTip(text.c_str(), 63);
    EXPECT_EQ(tip.GetLength(), 62);  // 14 + 24 characters; the 25th would end at 64
    EXPECT_EQ(std::string(tip), text.substr(0, 62));
    std::string odd = "Kelmora       \n" + name;  // 15 bytes: 15 + 48 = 63 fits exactly
    EXPECT_EQ(FitTrayTip(odd.c_str(), 63).GetLength(), 63);
    EXPECT_STREQ(FitTrayTip("Kelmora      \n 车 ", 63), "Kelmora      \n 车 ");
    EXPECT_EQ(FitTrayTip(std::string(100, 'a').c_str(), 63).GetLength(), 63);
}

namespace {

struct Item {
    std::string text;
    UINT id;
    bool separator, checked;
    HMENU sub;
};

std::vector<Item> Items(HMENU menu)
{
    std::vector<Item> items;
    int n = ::GetMenuItemCount(menu);
    for (int i = 0; i < n; ++i) {
        wchar_t buf[256] = L"";
        MENUITEMINFOW mii = {};
        mii.cbSize = sizeof mii;
        mii.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_STRING | MIIM_SUBMENU;
        mii.dwTypeData = buf;
        mii.cch = 256;
        ::GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &mii);
        items.push_back({ harness::Gbk(buf), mii.wID, (mii.fType & MFT_SEPARATOR) != 0,
                          (mii.fState & MFS_CHECKED) != 0, mii.hSubMenu });
    }
    return items;
}

// Menu texts and list entries are read and given in UTF-16, as the platform
// holds them, and compared as GBK.
struct Combo {
    HWND hWnd = ::CreateWindowExW(0, L"COMBOBOX", L"", WS_POPUP | CBS_DROPDOWN, 0, 0, 200, 200, nullptr, nullptr,
                                  nullptr, nullptr);
    ~Combo() { ::DestroyWindow(hWnd); }
    void Add(const std::string& s)
    {
        ::SendMessageW(hWnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(harness::Wide(s).c_str()));
    }
};

// Text and id of each item ("#>" for a sub-menu), "-" for a separator, "*"
// before a checked one.
std::vector<std::string> Shape(HMENU menu)
{
    std::vector<std::string> out;
    for (const Item& it : Items(menu))
        out.push_back(it.separator ? "-"
                                   : (it.checked ? "*" : "") + it.text + "#" + (it.sub ? ">" : std::to_string(it.id)));
    return out;
}

// An item as Shape gives it.
std::string Entry(const std::string& text, UINT id)
{
    return text + "#" + std::to_string(id);
}

}  // namespace

TEST(DollMenu, ShownDollBoxHiddenAndShownAndCheckMarks)
{
    Combo c;
    c.Add("one");
    c.Add("二");
    CMenu bar;
    BuildDollMenuBar(bar, true, false, 1, c.hWnd);
    ASSERT_EQ(Items(bar).size(), 1u);
    EXPECT_EQ(Items(bar)[0].text, "&File");
    HMENU popup = ::GetSubMenu(bar, 0);
    std::vector<std::string> expected = {
        Entry("打开搜索框", ID_DOLL_OPENBOX),
        "-",
        Entry("*随时显示", ID_DOLL_TOPMOST),
        Entry("打扰", ID_DOLL_BOTTOM),
        Entry("托盘", ID_DOLL_TRAY),
        "-",
        "记录选择删除#>",
        Entry("记录全删除", ID_DOLL_CLEARHIST),
        "-",
        Entry("设置", ID_DOLL_SETTINGS),
        "-",
        Entry("退出", ID_DOLL_EXIT),
    };
    EXPECT_EQ(Shape(popup), expected);
    HMENU sub = Items(popup)[6].sub;
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(Shape(sub),
              (std::vector<std::string>{ Entry("one", ID_HISTORY_FIRST), Entry("二", ID_HISTORY_FIRST + 1) }));

    BuildDollMenuBar(bar, true, true, 0, c.hWnd);
    std::vector<std::string> shape = Shape(::GetSubMenu(bar, 0));
    EXPECT_EQ(shape[0], Entry("关闭搜索框", ID_DOLL_CLOSEBOX));
    EXPECT_EQ(shape[2], Entry("随时显示", ID_DOLL_TOPMOST));
    EXPECT_EQ(shape[3], Entry("*打扰", ID_DOLL_BOTTOM));
}

TEST(DollMenu, HiddenDollOffersShowAndTheHistoryIsCutAt102)
{
    Combo c;
    for (int i = 0; i < 150; ++i)
        c.Add("w" + std::to_string(i));
    CMenu bar;
    BuildDollMenuBar(bar, false, false, 1, c.hWnd);
    HMENU popup = ::GetSubMenu(bar, 0);
    std::vector<std::string> shape = Shape(popup);
    ASSERT_EQ(shape.size(), 8u);
    EXPECT_EQ(shape[0], Entry("显示", ID_DOLL_SHOW));
    EXPECT_EQ(shape[1], "-");
    EXPECT_EQ(shape[3], Entry("记录全删除", ID_DOLL_CLEARHIST));
    std::vector<std::string> sub = Shape(Items(popup)[2].sub);
    ASSERT_EQ(sub.size(), 102u);
    EXPECT_EQ(sub[101], Entry("w101", ID_HISTORY_FIRST + 101));

    Combo empty;
    BuildDollMenuBar(bar, true, false, 1, empty.hWnd);
    EXPECT_EQ(::GetMenuItemCount(Items(::GetSubMenu(bar, 0))[6].sub), 0);
}

TEST(ComboMenu, HistorySubMenuSeparatorAndDeleteAll)
{
    Combo c;
    c.Add("a");
    c.Add("b");
    c.Add("c");
    c.Add("");
    CMenu menu;
    BuildComboHistoryMenu(menu, c.hWnd);
    std::vector<Item> items = Items(menu);
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].text, "记录选择删除");
    EXPECT_TRUE(items[1].separator);
    EXPECT_EQ(Shape(menu)[2], Entry("删除全部记录", ID_DOLL_CLEARHIST));
    // An empty entry is an item of its own, never a separator.
    const std::vector<std::string> history = { Entry("a", ID_HISTORY_FIRST), Entry("b", ID_HISTORY_FIRST + 1),
                                                Entry("c", ID_HISTORY_FIRST + 2), Entry("", ID_HISTORY_FIRST + 3) };
    EXPECT_EQ(Shape(items[0].sub), history);
}

namespace {

// A single screen of that height at (0, 0).
RECT Screen(int height)
{
    return RECT{ 0, 0, 0, height };
}

}  // namespace

TEST(Balloon, TailSideByLevelAndScreenMiddle)
{
    const RECT H = Screen(1000);
    RECT box = { 100, 400, 360, 490 };  // centre y 445, w 260, h 90
    struct Case {
        int dollTop;
        bool top;
    } cases[] = {
        { 100, true },    // doll above, upper half: tail at the top
        { 429, false },   // level (centre 445), upper half: bottom
        { 484, false },   // centre 500 = middle, below the box: bottom
        { 600, false },   // doll below in lower half
        { 300, true },
    };
    for (const Case& c : cases) {
        RECT doll = { 200, c.dollTop, 232, c.dollTop + 32 };
        EXPECT_EQ(ComputeBalloon(doll, box, H, 96).tailAtTop, c.top) << c.dollTop;
    }
    // Level centres at or below the middle: top.
    RECT lowBox = { 100, 700, 360, 790 };  // centre 745
    RECT levelLow = { 200, 729, 232, 761 };
    EXPECT_TRUE(ComputeBalloon(levelLow, lowBox, H, 96).tailAtTop);

    RECT doll = { 200, 100, 232, 132 };  // x centre 216 -> 116 in the box
    BalloonShape s = ComputeBalloon(doll, box, H, 96);
    EXPECT_EQ(s.body.left, 10);
    EXPECT_EQ(s.body.top, 10);
    EXPECT_EQ(s.body.right, 250);
    EXPECT_EQ(s.body.bottom, 80);
    EXPECT_EQ(s.corner, 30);
    EXPECT_EQ(s.outline, 2);
    EXPECT_TRUE(s.hasTail);
    EXPECT_EQ(s.tail[0].x, 116);
    EXPECT_EQ(s.tail[0].y, 0);
    EXPECT_EQ(s.tail[1].x, 109);
    EXPECT_EQ(s.tail[1].y, 11);
    EXPECT_EQ(s.tail[2].x, 123);
    RECT below = { 200, 900, 232, 932 };
    s = ComputeBalloon(below, box, H, 96);
    EXPECT_FALSE(s.tailAtTop);
    EXPECT_EQ(s.tail[0].y, 90);
    EXPECT_EQ(s.tail[1].y, 79);
}

TEST(Balloon, TailOnlyWellInsideTheBox)
{
    RECT box = { 100, 400, 360, 490 };  // w 260
    struct Case {
        int x;
        bool tail;
    } cases[] = { { 25, false }, { 26, true }, { 234, true }, { 235, false }, { -50, false }, { 400, false } };
    for (const Case& c : cases) {
        // Doll 2 pixels wide, so its centre is left + 1.
        RECT doll = { 100 + c.x - 1, 100, 100 + c.x + 1, 132 };
        EXPECT_EQ(ComputeBalloon(doll, box, Screen(1000), 96).hasTail, c.tail) << c.x;
    }
}

// Each size of the balloon is round(size at 96 DPI x DPI / 96).
TEST(Balloon, SizesFollowTheDpi)
{
    struct Case {
        UINT dpi;
        int inset, corner, outline, halfBase, depth, margin;
    } cases[] = {
        { 96, 10, 30, 2, 7, 11, 25 },
        { 120, 13, 38, 3, 9, 14, 31 },
        { 144, 15, 45, 3, 11, 17, 38 },
        { 192, 20, 60, 4, 14, 22, 50 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dpi);
        RECT box = { 100, 400, 500, 520 };  // w 400, h 120
        RECT doll = { 200, 100, 264, 164 };  // x centre 232 -> 132 in the box; above it
        BalloonShape s = ComputeBalloon(doll, box, Screen(1000), c.dpi);
        EXPECT_EQ(s.body.left, c.inset);
        EXPECT_EQ(s.body.top, c.inset);
        EXPECT_EQ(s.body.right, 400 - c.inset);
        EXPECT_EQ(s.body.bottom, 120 - c.inset);
        EXPECT_EQ(s.corner, c.corner);
        EXPECT_EQ(s.outline, c.outline);
        ASSERT_TRUE(s.tailAtTop);
        EXPECT_EQ(s.tail[0].x, 132);
        EXPECT_EQ(s.tail[0].y, 0);
        EXPECT_EQ(s.tail[1].x, 132 - c.halfBase);
        EXPECT_EQ(s.tail[2].x, 132 + c.halfBase);
        EXPECT_EQ(s.tail[1].y, c.depth);
        EXPECT_GT(s.tail[1].y, s.body.top) << "the tail does not join the body";
        s = ComputeBalloon(RECT{ 200, 900, 264, 964 }, box, Screen(1000), c.dpi);
        ASSERT_FALSE(s.tailAtTop);
        EXPECT_EQ(s.tail[1].y, 120 - c.depth);
        EXPECT_LT(s.tail[1].y, s.body.bottom) << "the tail does not join the body";
        for (int x : { c.margin, c.margin + 1, 400 - c.margin - 1, 400 - c.margin }) {
            RECT at = { 100 + x - 1, 100, 100 + x + 1, 164 };
            EXPECT_EQ(ComputeBalloon(at, box, Screen(1000), c.dpi).hasTail, x != c.margin && x != 400 - c.margin)
                << x;
        }
    }
}

TEST(HoverFont, EachReplacedFontIsReleasedAndTheDialogFontStays)
{
    HWND label = ::CreateWindowExA(0, "STATIC", "google", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr, nullptr, nullptr);
    LOGFONTA lf = {};
    lf.lfHeight = -12;
    lstrcpyA(lf.lfFaceName, "SimSun");
    HFONT dialogFont = ::CreateFontIndirectA(&lf);
    ::SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(dialogFont), FALSE);
    {
        CFont owned;
        HFONT previous = nullptr;
        int hover = 0;
        for (int i = 0; i < 1000; ++i) {
            ASSERT_TRUE(SetLinkHover(label, i % 2 == 0, hover, owned));
            ASSERT_FALSE(SetLinkHover(label, i % 2 == 0, hover, owned)) << "no change, no new font";
            HFONT now = reinterpret_cast<HFONT>(::SendMessageA(label, WM_GETFONT, 0, 0));
            ASSERT_EQ(now, static_cast<HFONT>(owned));
            LOGFONTA got = {};
            ::GetObjectA(now, sizeof got, &got);
            ASSERT_EQ(got.lfUnderline != 0, i % 2 == 0);
            if (previous) {
                ASSERT_EQ(::GetObjectType(previous), 0u) << i;
            }
            previous = now;
        }
        EXPECT_EQ(::GetObjectType(dialogFont), static_cast<DWORD>(OBJ_FONT));
        ::SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(dialogFont), FALSE);
    }
    ::DestroyWindow(label);
    ::DeleteObject(dialogFont);
}
