#pragma once
#include <windows.h>
#include "NoCopy.h"
#include "Text.h"

// An owned menu, destroyed with the object unless detached (a sub-menu
// appended to another menu is destroyed with that menu, so it is detached).
class CMenu : private CNoCopy {
public:
    ~CMenu() { DestroyMenu(); }

    BOOL CreateMenu() { DestroyMenu(); m_hMenu = ::CreateMenu(); return m_hMenu != nullptr; }
    BOOL CreatePopupMenu() { DestroyMenu(); m_hMenu = ::CreatePopupMenu(); return m_hMenu != nullptr; }
    BOOL AppendMenu(UINT flags, UINT_PTR id = 0, const char* text = nullptr)
    {
        return ::AppendMenuW(m_hMenu, flags, id, text ? ToUtf16(text).c_str() : nullptr);
    }
    // Appends sub as a pop-up; the new parent owns it from then on.
    BOOL AppendSubMenu(CMenu& sub, const char* text)
    {
        BOOL ok = ::AppendMenuW(m_hMenu, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(sub.m_hMenu),
                                ToUtf16(text).c_str());
        if (ok)
            sub.Detach();
        return ok;
    }
    HMENU Detach() { HMENU h = m_hMenu; m_hMenu = nullptr; return h; }
    void DestroyMenu() { if (m_hMenu) ::DestroyMenu(m_hMenu); m_hMenu = nullptr; }
    operator HMENU() const { return m_hMenu; }

    HMENU m_hMenu = nullptr;
};

// Inserts an item (or, with MF_SEPARATOR and no text, a separator) into a
// menu the class does not own, such as a window's system menu.
inline BOOL InsertMenuText(HMENU menu, UINT position, UINT flags, UINT_PTR id, const char* text)
{
    return ::InsertMenuW(menu, position, flags, id, text ? ToUtf16(text).c_str() : nullptr);
}

// Tracks a pop-up at a screen point for the owner, which receives the chosen
// command as WM_COMMAND once this returns. The owner comes to the foreground
// first and gets a null message after, or the menu would not close when the
// user clicks elsewhere.
inline void TrackPopup(HMENU popup, HWND owner, int x, int y)
{
    ::SetForegroundWindow(owner);
    ::TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_RIGHTBUTTON, x, y, 0, owner, nullptr);
    ::PostMessageA(owner, WM_NULL, 0, 0);
}
