#pragma once
#include <windows.h>

// The doll's pop-up menu, built afresh from current state: a menu bar with
// one pop-up "&File", which is what gets tracked. The caller destroys the bar
// (and with it the pop-up and its history sub-menu).
HMENU BuildDollMenuBar(bool dollVisible, bool boxVisible, int topMost, HWND hHistoryCombo);

// The history combo box's own menu: "记录选择删除" with the entries, a
// separator and "删除全部记录". The caller destroys it.
HMENU BuildComboHistoryMenu(HWND hHistoryCombo);

// One item per history entry (at most 102), ids from ID_HISTORY_FIRST.
HMENU BuildHistorySubMenu(HWND hHistoryCombo);
