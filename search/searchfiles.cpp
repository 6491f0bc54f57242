#include "search/searchfiles.h"

#include <stdlib.h>
#include <string.h>

#include "framework/File.h"
#include "framework/Ini.h"
#include "framework/Text.h"
#include "search/query.h"

const char kEngineFile[] = "搜索URL.ini";
const char kHistoryFile[] = "search.txt";

// A history that could not be read, or only in part, is not known well
// enough to be replaced: writing the list back would lose the rest of it.
// Longer histories than any search leaves come only from elsewhere, and each
// entry costs the list box more than the one before.
BOOL ReadHistoryFile(const char* path, HWND hCombo)
{
    CString source = NewerCopy(path);
    CStdioFile file;
    if (!file.Open(source, CStdioFile::modeRead | CStdioFile::shareDenyWrite | CStdioFile::typeText))
        return IsReadableOrMissing(source);
    CString line;
    for (int count = 0; file.ReadString(line); ++count) {
        if (count == HISTORY_LOAD_LIMIT)
            return FALSE;
        ComboAdd(hCombo, line);
    }
    file.Close();
    return TRUE;
}

SaveOutcome WriteHistoryFile(const char* path, HWND hCombo)
{
    if (IsReadOnlyFile(path))
        return SAVE_LEFT;
    CString text;
    int count = static_cast<int>(::SendMessageW(hCombo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        text += ComboEntry(hCombo, i);
        text += "\r\n";
    }
    return WriteWholeFile(path, text, static_cast<size_t>(text.GetLength()));
}

static BOOL HasEngineSection(const CIniFile& ini)
{
    CStringArray names = ini.SectionNames();
    for (int i = 0; i < names.GetSize(); ++i)
        if (_strnicmp(names[i], "SERCHCFG", 8) == 0)
            return TRUE;
    return FALSE;
}

// A value cut at the buffer's end loses a double-byte character cut in
// half; that half would be written back as garbage.
BOOL ReadEngineTable(const char* path, CStringArray& engines, CStringArray& urls, CUIntArray& convert)
{
    CIniFile ini;
    BOOL known = ini.Load(path);
    for (int i = 0; i < ENGINE_LIMIT; ++i) {
        char section[32];
        wsprintfA(section, "SERCHCFG%d", i);
        CString name = ini.GetString(section, "SERCH_ENGINE");
        if (name.IsEmpty())
            break;
        engines.Add(name);
        urls.Add(ini.GetString(section, "SERCH_URL"));
        convert.Add(ini.GetInt(section, "SERCH_STRCHNG", 0));
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
    return known && !HasEngineSection(ini);
}

SaveOutcome WriteEngineTable(const char* path, const CStringArray& engines, const CStringArray& urls,
                             const CUIntArray& convert)
{
    CIniFile ini;
    ini.Load(path);
    for (int j = 0; j < engines.GetSize(); ++j) {
        char section[32], number[16];
        wsprintfA(section, "SERCHCFG%d", j);
        ini.SetString(section, "SERCH_ENGINE", engines[j]);
        ini.SetString(section, "SERCH_URL", urls[j]);
        wsprintfA(number, "%u", convert[j]);
        ini.SetString(section, "SERCH_STRCHNG", number);
    }
    return ini.Save(path);
}

void UpdateHistoryForSearch(HWND hCombo, const char* text, int keepHistory)
{
    int count = static_cast<int>(::SendMessageW(hCombo, CB_GETCOUNT, 0, 0));
    LRESULT found = ComboFindExact(hCombo, text);
    HistoryPlan plan = PlanHistory(count, found == CB_ERR ? -1 : static_cast<int>(found), keepHistory);
    if (plan.deleteAt >= 0)
        ::SendMessageW(hCombo, CB_DELETESTRING, static_cast<WPARAM>(plan.deleteAt), 0);
    if (plan.insertTop)
        ComboInsert(hCombo, 0, text);
    if (plan.trimLast) {
        count = static_cast<int>(::SendMessageW(hCombo, CB_GETCOUNT, 0, 0));
        ::SendMessageW(hCombo, CB_DELETESTRING, static_cast<WPARAM>(count - 1), 0);
    }
    if (plan.selectFirst)
        ::SendMessageW(hCombo, CB_SETCURSEL, 0, 0);
}
