#pragma once
#include <windows.h>

#include <memory>
#include <vector>

#include "character/plugin.h"
#include "framework/CString.h"
#include "framework/NoCopy.h"

// One frame of the character: a bitmap-file image of its pixels and the
// platform's region data of its opaque shape. All null/0 when empty; the
// slot owns both buffers.
struct FrameSlot : CNoCopy {
    unsigned char* dib = nullptr;
    DWORD rgnSize = 0;
    unsigned char* rgnData = nullptr;
    FrameSlot() = default;
    ~FrameSlot() { Release(); }
    void Release();
    void Swap(FrameSlot& other);
};

enum { FRAME_SLOTS = KELMORA_FRAME_SLOTS, CATEGORY_COUNT = KELMORA_CATEGORIES };

// The character the doll shows: its name, numbers, frames, cursor, icons and
// prompt, loaded from a plug-in or the program's own resources, and its
// frames at the display scale it is shown at.
class CCharacter : private CNoCopy {
public:
    CCharacter();

    // The window that owns the messages about frames that do not load, and
    // whose device context reads them.
    void SetOwner(HWND hOwner) { m_hOwner = hOwner; }

    // Always 1; *pShown tells whether the plug-in now shows. A plug-in that
    // does not load or has no frame to show changes nothing.
    int LoadCharacter(const char* path, bool* pShown = nullptr);
    void LoadBuiltInCharacter();
    void ReloadSearchPrompt();

    // Shows the character at that DPI from now on: its frames enlarged (made
    // the first time the DPI is asked for, and kept) and its cursor at the
    // DPI's size. The frame size becomes that of the frame shown there.
    void SetDpi(UINT dpi);
    UINT Dpi() const { return m_dpi; }
    // A frame at the DPI shown.
    const FrameSlot& Frame(int slot) const { return m_shown[slot]; }

    // The frames as loaded, at 96 DPI.
    void CaptureFrameImage(int slot, HWND hWnd, HBITMAP hBitmap);
    HRGN BitmapToRegion(HBITMAP hBitmap);
    void DrawFrame(const unsigned char* dib, HDC hdc);
    void ReleaseFrames(int count);

    CString m_charName;
    int m_baseInterval;
    int m_moveStep;
    int m_frameCount[CATEGORY_COUNT];
    int m_frameInterval[CATEGORY_COUNT];
    int m_framePos[CATEGORY_COUNT];
    int m_curFrame;
    FrameSlot m_frames[FRAME_SLOTS];
    HCURSOR m_hCharCursor;
    HICON m_hCharIcon;
    HICON m_hCharSmallIcon;
    CString m_searchPrompt;
    // The size of the frames as shown: the last one loaded or painted, at
    // the DPI shown.
    int m_frameWidth;
    int m_frameHeight;

private:
    // The frames enlarged for one DPI.
    struct Scale {
        UINT dpi;
        FrameSlot frames[FRAME_SLOTS];
    };

    void LoadFrame(HMODULE hModule, UINT resourceId, int slot);
    // The frames at every DPI but 96 are made again from the loaded ones.
    void ForgetScales();
    void MakeScale(Scale& scale) const;
    HCURSOR LoadCursorForDpi(HMODULE hModule, UINT dpi) const;
    void AdoptHandles(HCURSOR hCursor, HICON hIcon, HICON hSmallIcon);
    void SetShownSize();

    HWND m_hOwner;
    UINT m_dpi;
    const FrameSlot* m_shown;
    std::vector<std::unique_ptr<Scale>> m_scales;
    // Owner of the cursor and icons (m_hChar* borrow them), and the full
    // path of the plug-in shown, empty for the built-in character.
    CCharacterHandles m_charHandles;
    CString m_charModulePath;
};
