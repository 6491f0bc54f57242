#include <string.h>

#include <vector>

#include "doll/DollDlg.h"
#include "doll/motion.h"
#include "framework/App.h"
#include "framework/File.h"
#include "framework/Text.h"
#include "res/resource.h"
#include "search/SearchDlg.h"
#include "settings/SettingsDlg.h"

// The version shown in the settings dialog comes from the executable's own
// version block, so it cannot drift from what Explorer shows.
void ReadFileVersion(int version[4])
{
    memset(version, 0, 4 * sizeof(int));

    HMODULE hModule = AfxGetInstanceHandle();
    HRSRC hInfo = ::FindResourceA(hModule, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(16));
    if (!hInfo)
        return;
    DWORD size = ::SizeofResource(hModule, hInfo);
    HGLOBAL hData = ::LoadResource(hModule, hInfo);
    const void* pData = hData ? ::LockResource(hData) : nullptr;
    if (!pData || size == 0)
        return;

    // VerQueryValue may write into the block it reads (ANSI texts of a
    // Unicode block), and resources are read-only: it gets a copy, with the
    // room GetFileVersionInfo would have given it.
    std::vector<unsigned char> copy(size * 2);
    memcpy(copy.data(), pData, size);
    VS_FIXEDFILEINFO* pFixed = nullptr;
    UINT len = 0;
    if (!::VerQueryValueA(copy.data(), "\\", reinterpret_cast<void**>(&pFixed), &len) || !pFixed ||
        len < sizeof(VS_FIXEDFILEINFO) || pFixed->dwSignature != VS_FFI_SIGNATURE)
        return;

    version[0] = HIWORD(pFixed->dwFileVersionMS);
    version[1] = LOWORD(pFixed->dwFileVersionMS);
    version[2] = HIWORD(pFixed->dwFileVersionLS);
    version[3] = LOWORD(pFixed->dwFileVersionLS);
}

bool CDollDlg::ForwardToSettingsDialog()
{
    if (!m_pSettingsDlg)
        return false;
    if (m_pSettingsDlg->m_hWnd)
        ::SetForegroundWindow(m_pSettingsDlg->m_hWnd);
    return true;
}

// Pauses the doll, runs the settings dialog and applies what the user chose.
// Asked again while it runs (from a menu the dialog leaves enabled), it
// brings the running dialog forward.
void CDollDlg::RunSettingsDialog()
{
    if (ForwardToSettingsDialog())
        return;
    StopMotion(STOP_SETTINGS);
    ReadFileVersion(m_fileVersion);

    CSettingsDlg dlg;
    dlg.m_chase = m_chase;
    dlg.m_keepHistory = m_keepHistory;
    memcpy(dlg.m_version, m_fileVersion, sizeof dlg.m_version);
    dlg.m_selectedName = m_selectedName;
    dlg.m_pluginFolder = PluginFolder();

    CFileFind find;
    BOOL more = find.FindFile(PluginPattern(dlg.m_pluginFolder));
    while (more) {
        more = find.FindNextFile();
        if (find.IsDots() || find.IsDirectory())
            continue;
        dlg.m_names.Add(PathTitle(find.GetFilePath()));
    }
    find.Close();

    m_pSettingsDlg = &dlg;
    INT_PTR result = dlg.DoModal();
    m_pSettingsDlg = nullptr;
    if (result == IDOK) {
        m_chase = dlg.m_chase;
        m_selectedName = dlg.m_selectedName;
        m_keepHistory = dlg.m_keepHistory;
        m_bSettingsRead = TRUE;
        SaveSettings();
        if (m_keepHistory == 0)
            ClearHistory();

        // Confirming always reloads the selected plug-in, the same one too.
        // A refused character leaves the current one, its icon and frame.
        CString plugin = PluginPath(dlg.m_pluginFolder, m_selectedName);
        if (FileExists(plugin)) {
            bool shown = false;
            m_character.LoadCharacter(plugin, &shown);
            if (shown) {
                m_shapeFrame = -1;
                UpdateTrayIcon(TrayTipText());
                SelectFrame(ANIM_DOWN);
            }
        }

        if (BoxVisible()) {
            m_character.ReloadSearchPrompt();
            SetItemText(m_pSearchDlg->m_hWnd, IDC_PROMPT, m_character.m_searchPrompt);
            m_pSearchDlg->RedrawNow();
            ::SetFocus(m_pSearchDlg->m_hWnd);
        }
        ::SetWindowPos(m_hWnd, m_topMost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, m_character.m_frameWidth,
                       m_character.m_frameHeight, SWP_NOMOVE | (Behind() ? SWP_NOZORDER : 0));
    }
    EndStop(STOP_SETTINGS);
}
