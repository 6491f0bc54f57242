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

protected:
    BOOL OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    BOOL OnCmdMsg(UINT id, UINT code) override;

    // The doll window, reached as the box's owner.
    CDollDlg* Doll() const;
};
