#pragma once
#include <windows.h>

#include "framework/Collections.h"
#include "framework/Gdi.h"
#include "framework/ToolTip.h"
#include "framework/Wnd.h"

class CDollDlg;

// The speech-balloon search box: a modeless dialog owned by the doll window,
// created hidden at start-up and destroyed with it.
class CSearchDlg : public CDialog {
public:
    explicit CSearchDlg(CWnd* pParent = nullptr);

    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnOK() override;
    void OnCancel() override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
    void PostNcDestroy() override;

    void OnSearch();
    void OnSearchNewWindow();
    CString EncodeQuery(const CString& text) const;

    // History and engine table, as written at exit; the lines that tell the
    // user which could not be written (doll/settingsfile.h).
    CString SaveFiles();

    CBrush m_brushBack;
    CBitmap m_bmpSearch;
    CBitmap m_bmpClose;
    CBitmap m_bmpSearchNew;
    int m_bHoverEngine;
    CToolTipCtrl m_toolTip;
    int m_nEngine;
    CStringArray m_urls;
    CStringArray m_engines;
    CUIntArray m_convert;
    int m_nWidth;
    int m_nHeight;
    int m_bDragging;
    POINT m_ptGrab;
    // The engine file and the history are rewritten at exit only when set.
    BOOL m_bWriteEngines;
    BOOL m_bWriteHistory;
    // The engine label's hover font, created here; never the dialog's font.
    CFont m_fontEngine;

protected:
    BOOL OnCmdMsg(UINT id, UINT code) override;

    // The doll window, reached as the box's owner.
    CDollDlg* Doll() const;
    void RestartCountdown();
    CString BuildSearchUrl();

    void OnDestroy() override;
    void OnPaint() override;
    void OnSize(UINT type, int cx, int cy) override;
    void OnGetMinMaxInfo(MINMAXINFO* pInfo) override;
    // Dragged by its background.
    void OnLButtonDown(UINT flags, POINT pt) override;
    void OnMouseMove(UINT flags, POINT pt) override;
    void OnLButtonUp(UINT flags, POINT pt) override;
    void OnSysCommand(UINT id, LPARAM lParam) override;
    // The doll's menu, and closing with a double click.
    void OnRButtonDown(UINT flags, POINT pt) override;
    void OnLButtonDblClk(UINT flags, POINT pt) override;
    void OnActivate(UINT state, HWND hOther, BOOL minimized) override;
    BOOL OnSetCursor(HWND hWnd, UINT hitTest, UINT message) override;
    HBRUSH OnCtlColor(HDC hdc, HWND hControl, UINT kind) override;
    void OnShowWindow(BOOL show, UINT status) override;
    void CreateToolTips();
    void OnEngineLabel();
    void OnEditChangeText();
    void OnOpenBrowser();
};
