#include "doll/DollDlg.h"
#include "doll/settingsfile.h"

void CDollDlg::ReadSettings()
{
    DollSettings s = ReadDollSettings();
    m_topMost = s.topMost;
    m_chase = s.chase;
    m_keepHistory = s.keepHistory;
    m_selectedName = s.selectedName;
}

void CDollDlg::SaveSettings()
{
    DollSettings s = { m_topMost, m_chase, m_keepHistory, m_selectedName };
    WriteDollSettings(s, !IsWindowVisible());
}
