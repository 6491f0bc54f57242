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
    ~CSearchDlg() override;

    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnOK() override;
    void PostNcDestroy() override;

    void OnSearch();
    void OnSearchNewWindow();
    CString EncodeQuery(const CString& text) const;

    // History, engine table and the box's rectangle, as written at exit.
    void SaveFiles();

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
    // The engine file is rewritten at exit only when this is set.
    BOOL m_bWriteEngines;
    // The engine label's hover font, created here; never the dialog's font.
    CFont m_fontEngine;

protected:
    BOOL OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    BOOL OnCmdMsg(UINT id, UINT code) override;

    // The doll window, reached as the box's owner.
    CDollDlg* Doll() const;
    void RestartCountdown();
    CString BuildSearchUrl();

    void OnDestroy();
    void OnPaint();
    void OnSize(UINT type, int cx, int cy);
    void OnGetMinMaxInfo(MINMAXINFO* pInfo);
    void OnLButtonDown(UINT flags, POINT pt);
    void OnLButtonUp(UINT flags, POINT pt);
    void OnMouseMove(UINT flags, POINT pt);
    void OnRButtonDown(UINT flags, POINT pt);
    void OnLButtonDblClk(UINT flags, POINT pt);
    void OnSysCommand(UINT id);
    void OnShowWindow(BOOL show);
    void CreateToolTips();
    void OnActivate(UINT state, HWND hOther);
    BOOL OnSetCursor(HWND hWnd, UINT hitTest);
    HBRUSH OnCtlColor(HDC hdc, HWND hControl, UINT kind);
    void OnEngineLabel();
    void OnEditChangeText();
};

// Gives the label a copy of its current font with the underline set or
// cleared; `owned` takes the new font and releases the one it held before.
void SetLabelUnderline(HWND hLabel, bool underline, CFont& owned);
