// Prints what long text costs: encoding a pasted Chinese query, and loading
// and writing a history file whose first line is very long. Both used to
// grow with the square of the length; they should now grow with it.
#include <windows.h>
#include <stdio.h>

#include <algorithm>
#include <string>
#include <vector>

#include "framework/File.h"
#include "search/query.h"
#include "search/searchfiles.h"

namespace {

double Now()
{
    static LARGE_INTEGER freq = [] { LARGE_INTEGER f; ::QueryPerformanceFrequency(&f); return f; }();
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(freq.QuadPart);
}

template <class F>
double BestOf(int runs, F f)
{
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        double t0 = Now();
        f();
        best = std::min(best, Now() - t0);
    }
    return best;
}

void BenchEncode(int chars)
{
    static const char* const kWords[] = { "搜", "索", "中", "文" };
    std::string text;
    for (int i = 0; i < chars; ++i)
        text += i % 10 == 9 ? " " : kWords[i % 4];
    size_t length = 0;
    double best = BestOf(5, [&] { length = static_cast<size_t>(EncodeQuery(text.c_str()).GetLength()); });
    printf("EncodeQuery of %d characters (%zu bytes of GBK) into %zu bytes: %.2f ms\n", chars, text.size(), length,
           1000 * best);
}

void BenchHistory(int megabytes)
{
    char dir[MAX_PATH];
    ::GetTempPathA(sizeof dir, dir);
    std::string path = std::string(dir) + "kelmora-bench-search.txt";
    std::string line(static_cast<size_t>(megabytes) << 20, 'w');
    std::string content = line + "\r\nsecond\r\nthird\r\n";
    HANDLE h = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD done = 0;
    ::WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &done, nullptr);
    ::CloseHandle(h);

    HWND combo = ::CreateWindowExA(0, "COMBOBOX", "", WS_POPUP | CBS_DROPDOWN | WS_VSCROLL, 0, 0, 200, 200, nullptr,
                                   nullptr, nullptr, nullptr);
    int entries = 0;
    double read = BestOf(3, [&] {
        ::SendMessageA(combo, CB_RESETCONTENT, 0, 0);
        ReadHistoryFile(path.c_str(), combo);
        entries = static_cast<int>(::SendMessageA(combo, CB_GETCOUNT, 0, 0));
    });
    double lineOnly = BestOf(3, [&] {
        CStdioFile file;
        file.Open(path.c_str(), CStdioFile::modeRead | CStdioFile::typeText);
        CString first;
        file.ReadString(first);
    });
    double write = BestOf(3, [&] { WriteHistoryFile(path.c_str(), combo); });
    printf("history file with a first line of %d MB: reading it into the list %.1f ms (%d entries; "
           "the lines alone %.1f ms), writing it back %.1f ms\n",
           megabytes, 1000 * read, entries, 1000 * lineOnly, 1000 * write);
    ::DestroyWindow(combo);
    ::DeleteFileA(path.c_str());
}

}  // namespace

int main()
{
    setvbuf(stdout, nullptr, _IONBF, 0);
    printf("-- long text\n");
    BenchEncode(30000);
    BenchHistory(10);
    return 0;
}
