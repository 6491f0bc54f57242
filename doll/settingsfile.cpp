#include "doll/settingsfile.h"

#include "framework/File.h"
#include "framework/Ini.h"

const char kSettingsFile[] = "zel.ini";

namespace {

CString SettingsFile()
{
    return ProgramFile(kSettingsFile);
}

void SetNumber(CIniFile& ini, const char* section, const char* key, int value)
{
    char number[16];
    wsprintfA(number, "%d", value);
    ini.SetString(section, key, number);
}

}  // namespace

DollSettings ReadDollSettings()
{
    CIniFile ini;
    DollSettings s;
    s.read = ini.Load(SettingsFile()) != FALSE;
    s.topMost = static_cast<int>(ini.GetInt("SETTEI", "ZJIKU", 1));
    s.chase = static_cast<int>(ini.GetInt("SETTEI", "CHASE", 1));
    s.keepHistory = static_cast<int>(ini.GetInt("SETTEI", "RIREKION", 1));
    s.selectedName = ini.GetString("SETTEI", "SELECTEDDOLLNAME", 512);
    return s;
}

void WriteDollSettings(const DollSettings& s, bool dollHidden)
{
    CIniFile ini;
    ini.Load(SettingsFile());
    ini.DeleteSection("SETTEI");
    SetNumber(ini, "SETTEI", "RIREKION", s.keepHistory);
    SetNumber(ini, "SETTEI", "CHASE", s.chase);
    ini.SetString("SETTEI", "SELECTEDDOLLNAME", s.selectedName);
    SetNumber(ini, "SETTEI", "ZJIKU", s.topMost);
    SetNumber(ini, "SETTEI", "WINJOUTAI", dollHidden ? 1 : 0);
    ini.Save(SettingsFile());
}

void WriteBoxRect(const RECT& rc)
{
    CIniFile ini;
    ini.Load(SettingsFile());
    SetNumber(ini, "RECT", "LEFT", rc.left);
    SetNumber(ini, "RECT", "RIGHT", rc.right);
    SetNumber(ini, "RECT", "TOP", rc.top);
    SetNumber(ini, "RECT", "BOTTOM", rc.bottom);
    ini.Save(SettingsFile());
}
