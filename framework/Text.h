#pragma once
#include <windows.h>

#include <string>

#include "framework/CString.h"

// The program's texts are GBK whatever the system's code page: its own
// strings, the plug-ins' strings and its files. The platform is spoken to in
// UTF-16, and these convert at that boundary with code page 936 explicitly.
// A character GBK cannot hold (a Korean file name, an emoji typed into the
// box) travels in GBK text as "&#N;", its code point in decimal, and an "&"
// that a "#" follows as "&#38;", so that any text comes back as it was; see
// the definitions for the rule.
std::wstring ToUtf16(const char* text, int length = -1);
CString ToGbk(const wchar_t* text, int length = -1);
inline CString ToGbk(const std::wstring& text) { return ToGbk(text.c_str(), static_cast<int>(text.size())); }

// Texts of windows and controls.
void SetText(HWND hWnd, const char* text);
CString GetText(HWND hWnd);
void SetItemText(HWND hDlg, int id, const char* text);

// The list of a combo box. The finds return the index or CB_ERR.
LRESULT ComboAdd(HWND hCombo, const char* text);
LRESULT ComboInsert(HWND hCombo, int index, const char* text);
// The whole entry equal to text ignoring case, from the first on.
LRESULT ComboFindExact(HWND hCombo, const char* text);
// The first entry that begins with text ignoring case.
LRESULT ComboFindPrefix(HWND hCombo, const char* text);
// Entry i, or empty.
CString ComboEntry(HWND hCombo, int index);

// A message box of the program's texts.
int ShowMessage(HWND hOwner, const char* text, const char* caption, UINT type);
// The system's text for an error code, in the system's language; empty when
// it has none.
CString SystemErrorText(DWORD error);
