#include "search/searchfiles.h"

#include <stdlib.h>
#include <string.h>

#include "framework/File.h"
#include "search/query.h"

CString ComboEntry(HWND hCombo, int index)
{
    LRESULT len = ::SendMessageA(hCombo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (len == CB_ERR)
        return CString();
    CString text;
    char* buf = text.GetBuffer(static_cast<int>(len));
    LRESULT got = ::SendMessageA(hCombo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buf));
    text.ReleaseBuffer(got == CB_ERR ? 0 : static_cast<int>(got));
    return text;
}

// A history that could not be read, or only in part, is not known well
// enough to be replaced: writing the list back would lose the rest of it.
// Longer histories than any search leaves come only from elsewhere, and each
// entry costs the list box more than the one before.
BOOL ReadHistoryFile(const char* path, HWND hCombo)
{
    CStdioFile file;
    if (!file.Open(path, CStdioFile::modeRead | CStdioFile::shareDenyWrite | CStdioFile::typeText))
        return IsReadableOrMissing(path);
    CString line;
    for (int count = 0; file.ReadString(line); ++count) {
        if (count == HISTORY_LOAD_LIMIT)
            return FALSE;
        ::SendMessageA(hCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(static_cast<const char*>(line)));
    }
    file.Close();
    return TRUE;
}

BOOL WriteHistoryFile(const char* path, HWND hCombo)
{
    if (IsReadOnlyFile(path))
        return FALSE;
    CString temp = CString(path) + ".new";
    {
        CStdioFile file;
        if (!file.Open(temp, CStdioFile::modeCreate | CStdioFile::modeWrite | CStdioFile::shareDenyNone |
                                 CStdioFile::typeText))
            return FALSE;
        int count = static_cast<int>(::SendMessageA(hCombo, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            file.WriteString(ComboEntry(hCombo, i));
            file.WriteString("\n");
        }
        if (!file.Close()) {
            ::DeleteFileA(temp);
            return FALSE;
        }
    }
    if (!::MoveFileExA(temp, path, MOVEFILE_REPLACE_EXISTING)) {
        ::DeleteFileA(temp);
        return FALSE;
    }
    return TRUE;
}

// A value cut at the buffer's end may end in half a double-byte character;
// that half would be written back as garbage.
static CString ReadValue(const char* section, const char* key, const char* path)
{
    return ReadProfileText(path, section, key, 1024);
}

static BOOL HasEngineSection(const char* path)
{
    char names[32768];
    DWORD len = ::GetPrivateProfileSectionNamesA(names, sizeof names, path);
    for (const char* p = names; p < names + len && *p; p += strlen(p) + 1)
        if (_strnicmp(p, "SERCHCFG", 8) == 0)
            return TRUE;
    return FALSE;
}

BOOL ReadEngineTable(const char* path, CStringArray& engines, CStringArray& urls, CUIntArray& convert)
{
    for (int i = 0; i < ENGINE_LIMIT; ++i) {
        char section[32];
        wsprintfA(section, "SERCHCFG%d", i);
        CString name = ReadValue(section, "SERCH_ENGINE", path);
        if (name.IsEmpty())
            break;
        engines.Add(name);
        urls.Add(ReadValue(section, "SERCH_URL", path));
        convert.Add(::GetPrivateProfileIntA(section, "SERCH_STRCHNG", 0, path));
    }
    if (engines.GetSize() > 0)
        return TRUE;
    engines.Add("google");
    urls.Add("http://www.google.com/search?q=[搜索]");
    convert.Add(1);
    engines.Add("Yahoo");
    urls.Add("http://search.yahoo.com/search?p=[搜索]");
    convert.Add(1);
    engines.Add("goo英和");
    urls.Add("http://dictionary.goo.ne.jp/search.php?MT=[搜索]");
    convert.Add(0);
    engines.Add("alc英和");
    urls.Add("http://eow.alc.co.jp/ejr/index.php?word_in=[搜索]&word_in2=A B C D E &word_in3=Tg7LqZr2WmXe9KbHsD");
    convert.Add(0);
    return IsReadableOrMissing(path) && !HasEngineSection(path);
}

void WriteEngineTable(const char* path, const CStringArray& engines, const CStringArray& urls,
                      const CUIntArray& convert)
{
    if (IsReadOnlyFile(path))
        return;
    for (int j = 0; j < engines.GetSize(); ++j) {
        char section[32], number[16];
        wsprintfA(section, "SERCHCFG%d", j);
        ::WritePrivateProfileStringA(section, "SERCH_ENGINE", engines[j], path);
        ::WritePrivateProfileStringA(section, "SERCH_URL", urls[j], path);
        wsprintfA(number, "%u", convert[j]);
        ::WritePrivateProfileStringA(section, "SERCH_STRCHNG", number, path);
    }
}

void UpdateHistoryForSearch(HWND hCombo, const char* text, int keepHistory)
{
    int count = static_cast<int>(::SendMessageA(hCombo, CB_GETCOUNT, 0, 0));
    LRESULT found = ::SendMessageA(hCombo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text));
    HistoryPlan plan = PlanHistory(count, found == CB_ERR ? -1 : static_cast<int>(found), keepHistory);
    if (plan.deleteAt >= 0)
        ::SendMessageA(hCombo, CB_DELETESTRING, static_cast<WPARAM>(plan.deleteAt), 0);
    if (plan.insertTop)
        ::SendMessageA(hCombo, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(text));
    if (plan.trimLast) {
        count = static_cast<int>(::SendMessageA(hCombo, CB_GETCOUNT, 0, 0));
        ::SendMessageA(hCombo, CB_DELETESTRING, static_cast<WPARAM>(count - 1), 0);
    }
    if (plan.selectFirst)
        ::SendMessageA(hCombo, CB_SETCURSEL, 0, 0);
}
