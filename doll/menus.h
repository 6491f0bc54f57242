#pragma once
#include <windows.h>

#include "framework/Menu.h"

// The doll's pop-up menu, built afresh from current state into bar: a menu
// bar with one pop-up "&File", which is what gets tracked. The bar owns the
// pop-up and its history sub-menu.
void BuildDollMenuBar(CMenu& bar, bool dollVisible, bool boxVisible, int topMost, HWND hHistoryCombo);

// The history combo box's own menu: "记录选择删除" with the entries, a
// separator and "删除全部记录".
void BuildComboHistoryMenu(CMenu& popup, HWND hHistoryCombo);

// One item per history entry (at most HISTORY_MENU_LIMIT), ids from
// ID_HISTORY_FIRST.
void BuildHistorySubMenu(CMenu& sub, HWND hHistoryCombo);
