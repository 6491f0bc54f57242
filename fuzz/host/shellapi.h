#pragma once
// The shell's execute operation for the host shim: nothing is launched, the
// last call is kept for the targets to look at.
#include <windows.h>

#include <string>

#define SW_SHOWNORMAL 1
#define SEE_MASK_NOASYNC 0x00000100

struct SHELLEXECUTEINFOW {
    DWORD cbSize;
    DWORD fMask;
    HWND hwnd;
    LPCWSTR lpVerb;
    LPCWSTR lpFile;
    LPCWSTR lpParameters;
    LPCWSTR lpDirectory;
    int nShow;
    HINSTANCE hInstApp;
};

BOOL ShellExecuteExW(SHELLEXECUTEINFOW* info);

namespace shim {
struct ShellCall {
    int count = 0;
    DWORD mask = 0;
    std::wstring verb, file, parameters;
};
ShellCall& LastShellCall();
}  // namespace shim
