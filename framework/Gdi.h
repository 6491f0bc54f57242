#pragma once
#include <windows.h>
#include "NoCopy.h"

// Owning wrappers: each deletes its handle once, in its destructor or when
// replaced. Detach() gives a handle away (a region handed to SetWindowRgn
// belongs to the window from then on).
class CGdiObject : private CNoCopy {
public:
    ~CGdiObject() { DeleteObject(); }

    void Attach(HGDIOBJ h) { DeleteObject(); m_hObject = h; }
    HGDIOBJ Detach() { HGDIOBJ h = m_hObject; m_hObject = nullptr; return h; }
    void DeleteObject() { if (m_hObject) ::DeleteObject(m_hObject); m_hObject = nullptr; }
    HGDIOBJ GetSafeHandle() const { return m_hObject; }

protected:
    HGDIOBJ m_hObject = nullptr;
};

class CBrush : public CGdiObject {
public:
    BOOL CreateSolidBrush(COLORREF color) { Attach(::CreateSolidBrush(color)); return m_hObject != nullptr; }
    operator HBRUSH() const { return static_cast<HBRUSH>(m_hObject); }
};

class CBitmap : public CGdiObject {
public:
    BOOL LoadBitmap(HINSTANCE hModule, UINT id)
    {
        Attach(::LoadBitmapA(hModule, MAKEINTRESOURCEA(id)));
        return m_hObject != nullptr;
    }
    operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }
};

class CFont : public CGdiObject {
public:
    BOOL CreateFontIndirect(const LOGFONTW* lf) { Attach(::CreateFontIndirectW(lf)); return m_hObject != nullptr; }
    operator HFONT() const { return static_cast<HFONT>(m_hObject); }
};

// Gives a control a font made from lf, with redraw, and repaints it at once.
// owned takes the new font and releases the one it held, which the control
// no longer uses; a font the control had from elsewhere (the dialog's own)
// never passes through owned. The new font is given before the old one is
// deleted, so the control never holds a deleted font.
inline BOOL SetControlFont(HWND hControl, const LOGFONTW& lf, CFont& owned)
{
    HFONT hFont = ::CreateFontIndirectW(&lf);
    if (!hFont)
        return FALSE;
    ::SendMessageA(hControl, WM_SETFONT, reinterpret_cast<WPARAM>(hFont), TRUE);
    owned.Attach(hFont);
    ::RedrawWindow(hControl, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    return TRUE;
}

// A label that reads as a link is underlined while the pointer is over it.
// hover holds the state (1 over, 0 not); on a change the label gets a font
// made from base, or from its own current font when base is null, with the
// underline flag set to match (base keeps the flag), and owned takes the new
// font over. True when the state changed.
inline bool SetLinkHover(HWND hLabel, bool over, int& hover, CFont& owned, LOGFONTW* base = nullptr)
{
    if (hover == (over ? 1 : 0))
        return false;
    hover = over ? 1 : 0;
    LOGFONTW lf = {};
    if (base) {
        lf = *base;
    } else {
        HFONT current = reinterpret_cast<HFONT>(::SendMessageW(hLabel, WM_GETFONT, 0, 0));
        if (!current || !::GetObjectW(current, sizeof lf, &lf))
            ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    }
    lf.lfUnderline = over ? TRUE : FALSE;
    if (base)
        base->lfUnderline = lf.lfUnderline;
    SetControlFont(hLabel, lf, owned);
    return true;
}

class CRgn : public CGdiObject {
public:
    void Attach(HRGN h) { CGdiObject::Attach(h); }
    HRGN Detach() { return static_cast<HRGN>(CGdiObject::Detach()); }
    operator HRGN() const { return static_cast<HRGN>(m_hObject); }
};

// Selects an object into a DC and restores the previous one on scope exit;
// declare it after the object it selects, so it is restored before deletion.
class CSelectGuard : private CNoCopy {
public:
    CSelectGuard(HDC hdc, HGDIOBJ h) : m_hdc(hdc), m_hOld(::SelectObject(hdc, h)) {}
    ~CSelectGuard() { if (m_hOld) ::SelectObject(m_hdc, m_hOld); }

private:
    HDC m_hdc;
    HGDIOBJ m_hOld;
};

class CPaintDC : private CNoCopy {
public:
    explicit CPaintDC(HWND hWnd) : m_hWnd(hWnd) { m_hDC = ::BeginPaint(hWnd, &m_ps); }
    ~CPaintDC() { ::EndPaint(m_hWnd, &m_ps); }
    operator HDC() const { return m_hDC; }

    PAINTSTRUCT m_ps;

private:
    HWND m_hWnd;
    HDC m_hDC;
};

// A window's client-area DC (GetDC), released on scope exit.
class CClientDC : private CNoCopy {
public:
    explicit CClientDC(HWND hWnd) : m_hWnd(hWnd), m_hDC(::GetDC(hWnd)) {}
    ~CClientDC() { if (m_hDC) ::ReleaseDC(m_hWnd, m_hDC); }
    operator HDC() const { return m_hDC; }

private:
    HWND m_hWnd;
    HDC m_hDC;
};

// A memory DC, deleted on scope exit.
class CMemDC : private CNoCopy {
public:
    explicit CMemDC(HDC hdcRef) : m_hDC(::CreateCompatibleDC(hdcRef)) {}
    ~CMemDC() { if (m_hDC) ::DeleteDC(m_hDC); }
    operator HDC() const { return m_hDC; }

private:
    HDC m_hDC;
};
