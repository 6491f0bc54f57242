#include "doll/DollDlg.h"
#include "framework/App.h"
#include "res/resource.h"

// The character of the program's own resources, used when no plug-in is
// selected or found.
void CDollDlg::LoadBuiltInCharacter()
{
    m_baseInterval = 100;
    m_moveStep = 0;
    m_charName = " 车 ";
    static const int kCounts[CATEGORY_COUNT] = { 2, 2, 2, 2, 3, 0 };
    for (int k = 0; k < CATEGORY_COUNT; ++k) {
        m_frameCount[k] = kCounts[k];
        m_frameInterval[k] = m_baseInterval;
    }
    HINSTANCE hInstance = AfxGetInstanceHandle();
    for (int i = 0; i < 11; ++i)
        LoadFrame(hInstance, IDB_FRAME_FIRST + i, i);
    m_hCharCursor = ::LoadCursorA(hInstance, MAKEINTRESOURCEA(IDCUR_CHAR));
    m_hCharIcon = ::LoadIconA(hInstance, MAKEINTRESOURCEA(IDI_CHAR));
    m_hCharSmallIcon = static_cast<HICON>(
        ::LoadImageA(hInstance, MAKEINTRESOURCEA(IDI_CHAR_SMALL), IMAGE_ICON, 16, 16, LR_SHARED));
}
