#include "doll/DollDlg.h"

#include <stdlib.h>

#include "framework/File.h"

void CDollDlg::ReadSettings()
{
    CString path = ProgramFile("zel.ini");
    m_bSettingsRead = IsReadableOrMissing(path);
    m_topMost = static_cast<int>(::GetPrivateProfileIntA("SETTEI", "ZJIKU", 1, path));
    m_chase = static_cast<int>(::GetPrivateProfileIntA("SETTEI", "CHASE", 1, path));
    m_keepHistory = static_cast<int>(::GetPrivateProfileIntA("SETTEI", "RIREKION", 1, path));
    m_selectedName = ReadProfileText(path, "SETTEI", "SELECTEDDOLLNAME", 512);
}

// Unknown keys of SETTEI go with the deleted section; other sections stay.
// Settings that were never read are not replaced by the defaults, and a
// read-only file is left as it is.
void CDollDlg::SaveSettings()
{
    CString path = ProgramFile("zel.ini");
    if (!m_bSettingsRead || IsReadOnlyFile(path))
        return;
    char number[16];
    ::WritePrivateProfileStringA("SETTEI", nullptr, nullptr, path);
    ::WritePrivateProfileStringA("SETTEI", "RIREKION", _itoa(m_keepHistory, number, 10), path);
    ::WritePrivateProfileStringA("SETTEI", "CHASE", _itoa(m_chase, number, 10), path);
    ::WritePrivateProfileStringA("SETTEI", "SELECTEDDOLLNAME", m_selectedName, path);
    ::WritePrivateProfileStringA("SETTEI", "ZJIKU", _itoa(m_topMost, number, 10), path);
    ::WritePrivateProfileStringA("SETTEI", "WINJOUTAI", IsWindowVisible() ? "0" : "1", path);
}
