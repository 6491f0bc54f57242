#include "doll/menus.h"

#include "doll/placement.h"
#include "framework/Text.h"
#include "res/resource.h"

void BuildHistorySubMenu(CMenu& sub, HWND hHistoryCombo)
{
    sub.CreatePopupMenu();
    int count = hHistoryCombo ? static_cast<int>(::SendMessageW(hHistoryCombo, CB_GETCOUNT, 0, 0)) : 0;
    int items = HistoryMenuCount(count);
    for (int i = 0; i < items; ++i)
        sub.AppendMenu(MF_STRING, ID_HISTORY_FIRST + i, ComboEntry(hHistoryCombo, i));
}

void BuildDollMenuBar(CMenu& bar, bool dollVisible, bool boxVisible, int topMost, HWND hHistoryCombo)
{
    CMenu popup, history;
    popup.CreatePopupMenu();
    if (!dollVisible) {
        popup.AppendMenu(MF_STRING, ID_DOLL_SHOW, "显示");
    } else {
        if (boxVisible)
            popup.AppendMenu(MF_STRING, ID_DOLL_CLOSEBOX, "关闭搜索框");
        else
            popup.AppendMenu(MF_STRING, ID_DOLL_OPENBOX, "打开搜索框");
        popup.AppendMenu(MF_SEPARATOR);
        popup.AppendMenu(MF_STRING | (topMost ? MF_CHECKED : 0), ID_DOLL_TOPMOST, "随时显示");
        popup.AppendMenu(MF_STRING | (topMost ? 0 : MF_CHECKED), ID_DOLL_BOTTOM, "打扰");
        popup.AppendMenu(MF_STRING, ID_DOLL_TRAY, "托盘");
    }
    popup.AppendMenu(MF_SEPARATOR);
    BuildHistorySubMenu(history, hHistoryCombo);
    popup.AppendSubMenu(history, "记录选择删除");
    popup.AppendMenu(MF_STRING, ID_DOLL_CLEARHIST, "记录全删除");
    popup.AppendMenu(MF_SEPARATOR);
    popup.AppendMenu(MF_STRING, ID_DOLL_SETTINGS, "设置");
    popup.AppendMenu(MF_SEPARATOR);
    popup.AppendMenu(MF_STRING, ID_DOLL_EXIT, "退出");
    bar.CreateMenu();
    bar.AppendSubMenu(popup, "&File");
}

void BuildComboHistoryMenu(CMenu& popup, HWND hHistoryCombo)
{
    CMenu history;
    popup.CreatePopupMenu();
    BuildHistorySubMenu(history, hHistoryCombo);
    popup.AppendSubMenu(history, "记录选择删除");
    popup.AppendMenu(MF_SEPARATOR);
    popup.AppendMenu(MF_STRING, ID_DOLL_CLEARHIST, "删除全部记录");
}
