#include "doll/menus.h"

#include "doll/placement.h"
#include "res/resource.h"
#include "search/searchfiles.h"

HMENU BuildHistorySubMenu(HWND hHistoryCombo)
{
    HMENU sub = ::CreatePopupMenu();
    int count = hHistoryCombo ? static_cast<int>(::SendMessageA(hHistoryCombo, CB_GETCOUNT, 0, 0)) : 0;
    int items = HistoryMenuCount(count);
    for (int i = 0; i < items; ++i)
        ::AppendMenuA(sub, MF_STRING, ID_HISTORY_FIRST + i, ComboEntry(hHistoryCombo, i));
    return sub;
}

HMENU BuildDollMenuBar(bool dollVisible, bool boxVisible, int topMost, HWND hHistoryCombo)
{
    HMENU bar = ::CreateMenu();
    HMENU popup = ::CreatePopupMenu();
    if (!dollVisible) {
        ::AppendMenuA(popup, MF_STRING, ID_DOLL_SHOW, "显示");
    } else {
        if (boxVisible)
            ::AppendMenuA(popup, MF_STRING, ID_DOLL_CLOSEBOX, "关闭搜索框");
        else
            ::AppendMenuA(popup, MF_STRING, ID_DOLL_OPENBOX, "打开搜索框");
        ::AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuA(popup, MF_STRING | (topMost ? MF_CHECKED : 0), ID_DOLL_TOPMOST, "随时显示");
        ::AppendMenuA(popup, MF_STRING | (topMost ? 0 : MF_CHECKED), ID_DOLL_BOTTOM, "打扰");
        ::AppendMenuA(popup, MF_STRING, ID_DOLL_TRAY, "托盘");
    }
    ::AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuA(popup, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(BuildHistorySubMenu(hHistoryCombo)),
                  "记录选择删除");
    ::AppendMenuA(popup, MF_STRING, ID_DOLL_CLEARHIST, "记录全删除");
    ::AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuA(popup, MF_STRING, ID_DOLL_SETTINGS, "设置");
    ::AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuA(popup, MF_STRING, ID_DOLL_EXIT, "退出");
    ::AppendMenuA(bar, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup), "&File");
    return bar;
}

HMENU BuildComboHistoryMenu(HWND hHistoryCombo)
{
    HMENU popup = ::CreatePopupMenu();
    ::AppendMenuA(popup, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(BuildHistorySubMenu(hHistoryCombo)),
                  "记录选择删除");
    ::AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuA(popup, MF_STRING, ID_DOLL_CLEARHIST, "删除全部记录");
    return popup;
}
