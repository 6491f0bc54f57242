#include "doll/DollDlg.h"
#include "doll/settingsfile.h"
#include "framework/Text.h"
#include "search/SearchDlg.h"

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
SaveOutcome CDollDlg::SaveSettings(const RECT* boxRect)
{
    DollSettings s = { m_topMost, m_chase, m_keepHistory, m_selectedName, true };
    return WriteSettingsFile(m_bSettingsRead ? &s : nullptr, !IsWindowVisible(), boxRect);
}

// The box's window goes first at exit, an owned window; its rectangle goes
// into the settings file with the settings, in one write.
void CDollDlg::SaveBoxFiles()
{
    if (m_bSaved || !m_pSearchDlg || !m_pSearchDlg->m_hWnd)
        return;
    m_unsaved += m_pSearchDlg->SaveFiles();
    m_bBoxRect = ::GetWindowRect(m_pSearchDlg->m_hWnd, &m_boxRect);
}

// Each file is written once. What could not be written is told once, in
// one message, unless Windows is logging off (tellUser false), when no
// one would see it.
void CDollDlg::SaveAtExit(bool tellUser)
{
    if (m_bSaved)
        return;
    SaveBoxFiles();
    m_bSaved = TRUE;
    m_unsaved += UnsavedLine(ProgramFile(kSettingsFile), SaveSettings(m_bBoxRect ? &m_boxRect : nullptr));
    if (tellUser && !m_unsaved.IsEmpty())
        ShowMessage(nullptr, CString("这些文件无法保存，可能正被其他程序使用：\n\n") + m_unsaved, "Kelmora", MB_OK | MB_ICONWARNING);
}
