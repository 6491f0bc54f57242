#include "doll/DollDlg.h"
#include "doll/settingsfile.h"

void CDollDlg::ReadSettings()
{
    DollSettings s = ReadDollSettings();
    m_bSettingsRead = s.read;
    m_topMost = s.topMost;
    m_chase = s.chase;
    m_keepHistory = s.keepHistory;
    m_selectedName = s.selectedName;
}

// Settings that were never read are not replaced by the defaults.
void CDollDlg::SaveSettings()
{
    if (!m_bSettingsRead)
        return;
    DollSettings s = { m_topMost, m_chase, m_keepHistory, m_selectedName, true };
    WriteDollSettings(s, !IsWindowVisible());
}
