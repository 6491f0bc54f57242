#pragma once
#include <windows.h>

#include "framework/Collections.h"
#include "framework/CString.h"
#include "framework/Gdi.h"
#include "framework/Wnd.h"

// The modal settings dialog: the character (with a preview), following the
// cursor, keeping the search history, the version and the home-page link.
// The caller fills the members before DoModal and reads them back after OK.
class CSettingsDlg : public CDialog {
public:
    explicit CSettingsDlg(CWnd* pParent = nullptr);
    ~CSettingsDlg() override;

    BOOL OnInitDialog() override;
    void LoadPreview();

    LOGFONTW m_linkLogFont;
    CFont m_linkFont;
    int m_linkHover;
    HBITMAP m_hPreview;
    CStringArray m_names;
    int m_chase;
    int m_keepHistory;
    int m_version[4];
    CString m_selectedName;
    // The folder the names are listed from, which the preview loads from.
    CString m_pluginFolder;
    // The DPI the dialog is laid out for: the preview is enlarged to it.
    UINT m_dpi;

protected:
    BOOL OnCmdMsg(UINT id, UINT code) override;

    void OnChaseClicked();
    void OnHistoryClicked();
    void OnCharacterChanged();
    void OnHomePageClicked();
    void OnPaint() override;
    BOOL OnSetCursor(HWND hWnd, UINT hitTest, UINT message) override;
    HBRUSH OnCtlColor(HDC hdc, HWND hCtl, UINT kind) override;
    void OnDestroy() override;
    void OnDpiChanged(UINT dpi, const RECT* suggested) override;

private:
    void MakeLinkLogFont();
    void DeletePreview();
    void RedrawPreviewArea();
};

// The maker's home page, opened by the dialog's link.
extern const char* const kHomePageUrl;
