#include "framework/Text.h"

#include <vector>

void SetText(HWND hWnd, const char* text)
{
    ::SetWindowTextW(hWnd, ToUtf16(text).c_str());
}

CString GetText(HWND hWnd)
{
    int length = ::GetWindowTextLengthW(hWnd);
    if (length <= 0)
        return CString();
    std::vector<wchar_t> buf(static_cast<size_t>(length) + 1);
    int got = ::GetWindowTextW(hWnd, buf.data(), length + 1);
    return ToGbk(buf.data(), got);
}

void SetItemText(HWND hDlg, int id, const char* text)
{
    SetText(::GetDlgItem(hDlg, id), text);
}

LRESULT ComboAdd(HWND hCombo, const char* text)
{
    return ::SendMessageW(hCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ToUtf16(text).c_str()));
}

LRESULT ComboInsert(HWND hCombo, int index, const char* text)
{
    return ::SendMessageW(hCombo, CB_INSERTSTRING, static_cast<WPARAM>(index),
                          reinterpret_cast<LPARAM>(ToUtf16(text).c_str()));
}

LRESULT ComboFindExact(HWND hCombo, const char* text)
{
    return ::SendMessageW(hCombo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                          reinterpret_cast<LPARAM>(ToUtf16(text).c_str()));
}

LRESULT ComboFindPrefix(HWND hCombo, const char* text)
{
    return ::SendMessageW(hCombo, CB_FINDSTRING, static_cast<WPARAM>(-1),
                          reinterpret_cast<LPARAM>(ToUtf16(text).c_str()));
}

CString ComboEntry(HWND hCombo, int index)
{
    LRESULT length = ::SendMessageW(hCombo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR)
        return CString();
    std::vector<wchar_t> buf(static_cast<size_t>(length) + 1);
    LRESULT got = ::SendMessageW(hCombo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buf.data()));
    return got == CB_ERR ? CString() : ToGbk(buf.data(), static_cast<int>(got));
}

int ShowMessage(HWND hOwner, const char* text, const char* caption, UINT type)
{
    return ::MessageBoxW(hOwner, ToUtf16(text).c_str(), ToUtf16(caption).c_str(), type);
}

CString SystemErrorText(DWORD error)
{
    wchar_t* text = nullptr;
    ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&text), 0,
                     nullptr);
    CString result = ToGbk(text);
    if (text)
        ::LocalFree(text);
    return result;
}
