// Stands in for a web browser in tests: appends its command line, one per
// line, to the file named by KELMORA_RECORD, then ends.
#include <windows.h>
#include <string.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char path[MAX_PATH];
    if (!::GetEnvironmentVariableA("KELMORA_RECORD", path, sizeof path))
        return 1;
    HANDLE h = ::CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return 1;
    const char* line = ::GetCommandLineA();
    DWORD done = 0;
    ::WriteFile(h, line, static_cast<DWORD>(strlen(line)), &done, nullptr);
    ::WriteFile(h, "\r\n", 2, &done, nullptr);
    ::CloseHandle(h);
    return 0;
}
