#pragma once
// The shell's execute operation for the host shim: nothing is launched, the
// last call is kept for the targets to look at.
#include <windows.h>

#include <string>

#define SW_SHOWNORMAL 1

HINSTANCE ShellExecuteW(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR directory, int show);

namespace shim {
struct ShellCall {
    int count = 0;
    std::wstring verb, file, parameters;
};
ShellCall& LastShellCall();
}  // namespace shim
