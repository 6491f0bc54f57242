// The doll window's character state, for the in-process tests and benchmarks
// of the character loader and the frames, which set and read it directly.
#pragma once
#include "doll/DollDlg.h"

struct CDollDlgAccess {
    explicit CDollDlgAccess(CDollDlg& d)
        : m_frames(d.m_frames), m_frameCount(d.m_frameCount), m_frameInterval(d.m_frameInterval),
          m_framePos(d.m_framePos), m_curFrame(d.m_curFrame), m_frameWidth(d.m_frameWidth),
          m_frameHeight(d.m_frameHeight), m_baseInterval(d.m_baseInterval), m_moveStep(d.m_moveStep),
          m_charName(d.m_charName), m_searchPrompt(d.m_searchPrompt), m_hCharCursor(d.m_hCharCursor),
          m_hCharIcon(d.m_hCharIcon), m_hCharSmallIcon(d.m_hCharSmallIcon), m_fileVersion(d.m_fileVersion), m_doll(d)
    {
    }
    // SelectFrame on a window of the caller's.
    void SelectFrame(int code) { m_doll.SelectFrame(code); }
    void ReadFileVersion() { m_doll.ReadFileVersion(); }

    FrameSlot (&m_frames)[FRAME_SLOTS];
    int (&m_frameCount)[CATEGORY_COUNT];
    int (&m_frameInterval)[CATEGORY_COUNT];
    int (&m_framePos)[CATEGORY_COUNT];
    int& m_curFrame;
    int& m_frameWidth;
    int& m_frameHeight;
    int& m_baseInterval;
    int& m_moveStep;
    CString& m_charName;
    CString& m_searchPrompt;
    HCURSOR& m_hCharCursor;
    HICON& m_hCharIcon;
    HICON& m_hCharSmallIcon;
    int (&m_fileVersion)[4];

private:
    CDollDlg& m_doll;
};
