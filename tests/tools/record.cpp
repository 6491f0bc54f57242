// Stands in for a web browser in tests: appends its command line, one per
// line, to the file named by KELMORA_RECORD, then ends.
#include <windows.h>

#include <vector>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char path[MAX_PATH];
    if (!::GetEnvironmentVariableA("KELMORA_RECORD", path, sizeof path))
        return 1;
    HANDLE h = ::CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return 1;
    // GBK whatever the system's code page, as the tests read it.
    const wchar_t* wide = ::GetCommandLineW();
    int length = ::WideCharToMultiByte(936, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    std::vector<char> line(length > 0 ? static_cast<size_t>(length) : 1, '\0');
    ::WideCharToMultiByte(936, 0, wide, -1, line.data(), length, nullptr, nullptr);
    DWORD done = 0;
    ::WriteFile(h, line.data(), length > 0 ? static_cast<DWORD>(length - 1) : 0, &done, nullptr);
    ::WriteFile(h, "\r\n", 2, &done, nullptr);
    ::CloseHandle(h);
    return 0;
}
