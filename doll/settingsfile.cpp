#include "doll/settingsfile.h"

#include "framework/File.h"

namespace {

CString SettingsFile()
{
    return ProgramFile("zel.ini");
}

void WriteNumber(const char* section, const char* key, int value)
{
    char number[16];
    wsprintfA(number, "%d", value);
    ::WritePrivateProfileStringA(section, key, number, SettingsFile());
}

}  // namespace

DollSettings ReadDollSettings()
{
    CString path = SettingsFile();
    DollSettings s;
    s.topMost = static_cast<int>(::GetPrivateProfileIntA("SETTEI", "ZJIKU", 1, path));
    s.chase = static_cast<int>(::GetPrivateProfileIntA("SETTEI", "CHASE", 1, path));
    s.keepHistory = static_cast<int>(::GetPrivateProfileIntA("SETTEI", "RIREKION", 1, path));
    s.selectedName = ReadProfileText(path, "SETTEI", "SELECTEDDOLLNAME", 512);
    s.read = IsReadableOrMissing(path);
    return s;
}

void WriteDollSettings(const DollSettings& s, bool dollHidden)
{
    if (IsReadOnlyFile(SettingsFile()))
        return;
    ::WritePrivateProfileStringA("SETTEI", nullptr, nullptr, SettingsFile());
    WriteNumber("SETTEI", "RIREKION", s.keepHistory);
    WriteNumber("SETTEI", "CHASE", s.chase);
    ::WritePrivateProfileStringA("SETTEI", "SELECTEDDOLLNAME", s.selectedName, SettingsFile());
    WriteNumber("SETTEI", "ZJIKU", s.topMost);
    WriteNumber("SETTEI", "WINJOUTAI", dollHidden ? 1 : 0);
}

void WriteBoxRect(const RECT& rc)
{
    if (IsReadOnlyFile(SettingsFile()))
        return;
    WriteNumber("RECT", "LEFT", rc.left);
    WriteNumber("RECT", "RIGHT", rc.right);
    WriteNumber("RECT", "TOP", rc.top);
    WriteNumber("RECT", "BOTTOM", rc.bottom);
}
