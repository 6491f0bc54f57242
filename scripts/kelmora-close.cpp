// Ends every running Kelmora the way a user's close request would: WM_CLOSE
// to its doll window, then waits for the process to finish writing its files.
#include <windows.h>
#include <tlhelp32.h>
#include <stdio.h>
#include <string.h>

static BOOL CALLBACK CloseDoll(HWND hWnd, LPARAM pid)
{
    DWORD owner = 0;
    ::GetWindowThreadProcessId(hWnd, &owner);
    char cls[16] = "";
    ::GetClassNameA(hWnd, cls, sizeof cls);
    if (owner == static_cast<DWORD>(pid) && strcmp(cls, "#32770") == 0 && !::GetWindow(hWnd, GW_OWNER))
        ::PostMessageA(hWnd, WM_CLOSE, 0, 0);
    return TRUE;
}

int main()
{
    HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 pe = {};
    pe.dwSize = sizeof pe;
    int closed = 0;
    for (BOOL more = ::Process32First(snap, &pe); more; more = ::Process32Next(snap, &pe)) {
        if (_stricmp(pe.szExeFile, "Kelmora.exe") != 0)
            continue;
        HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, pe.th32ProcessID);
        ::EnumWindows(&CloseDoll, pe.th32ProcessID);
        if (process) {
            if (::WaitForSingleObject(process, 10000) == WAIT_OBJECT_0)
                ++closed;
            ::CloseHandle(process);
        }
    }
    ::CloseHandle(snap);
    printf("closed %d\n", closed);
    return closed > 0 ? 0 : 1;
}
