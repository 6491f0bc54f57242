#pragma once
#include <windows.h>

#include "framework/Collections.h"
#include "framework/Gdi.h"
#include "framework/ToolTip.h"
#include "framework/Wnd.h"
#include "search/SearchHost.h"

// The speech-balloon search box: a modeless dialog owned by its host's
// window, created hidden at start-up and destroyed with it.
class CSearchDlg : public CDialog {
public:
    explicit CSearchDlg(ISearchHost& host);

    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnOK() override;
    void OnCancel() override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
    void PostNcDestroy() override;

    // History and engine table, as written at exit; the lines that tell the
    // user which could not be written.
    CString SaveFiles();

private:
    // The history combo box's procedure, in front of its own.
    static LRESULT CALLBACK ComboWndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);

    BOOL OnCmdMsg(UINT id, UINT code) override;

    void OnSearch();
    void OnSearchNewWindow();
    CString EncodeQuery(const CString& text) const;
    CString BuildSearchUrl();
    void RestartCountdown();
    void CreateToolTips();
    void SetButtonPictures();

    void OnDestroy() override;
    void OnPaint() override;
    void OnSize(UINT type, int cx, int cy) override;
    void OnGetMinMaxInfo(MINMAXINFO* pInfo) override;
    void OnDpiChanged(UINT dpi, const RECT* suggested) override;
    // Dragged by its background.
    void OnLButtonDown(UINT flags, POINT pt) override;
    void OnMouseMove(UINT flags, POINT pt) override;
    void OnLButtonUp(UINT flags, POINT pt) override;
    void OnSysCommand(UINT id, LPARAM lParam) override;
    // The host's menu, and closing with a double click.
    void OnRButtonDown(UINT flags, POINT pt) override;
    void OnLButtonDblClk(UINT flags, POINT pt) override;
    void OnActivate(UINT state, HWND hOther, BOOL minimized) override;
    BOOL OnSetCursor(HWND hWnd, UINT hitTest, UINT message) override;
    HBRUSH OnCtlColor(HDC hdc, HWND hControl, UINT kind) override;
    void OnShowWindow(BOOL show, UINT status) override;
    void OnEngineLabel();
    void OnEditChangeText();
    void OnOpenBrowser();

    ISearchHost& m_host;
    // The DPI the box is laid out and drawn for.
    UINT m_nDpi;
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
};
