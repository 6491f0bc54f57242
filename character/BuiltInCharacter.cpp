#include "character/config.h"
#include "doll/DollDlg.h"
#include "framework/App.h"
#include "res/resource.h"

// The character of the program's own resources, used when no plug-in is
// selected or found: the numbers of a character without a configuration,
// with a name, and every category played at the base period.
void CDollDlg::LoadBuiltInCharacter()
{
    static const int kCounts[CATEGORY_COUNT] = { KELMORA_DEFAULT_COUNTS };
    m_baseInterval = KELMORA_DEFAULT_BASE_PERIOD;
    m_moveStep = KELMORA_DEFAULT_STEP;
    m_charName = " 车 ";
    for (int k = 0; k < CATEGORY_COUNT; ++k) {
        m_frameCount[k] = kCounts[k];
        m_frameInterval[k] = m_baseInterval;
    }
    HINSTANCE hInstance = AfxGetInstanceHandle();
    int total = TotalFrames(m_frameCount);
    for (int i = 0; i < total; ++i)
        LoadFrame(hInstance, IDB_FRAME_FIRST + i, i);
    m_hCharCursor = ::LoadCursorA(hInstance, MAKEINTRESOURCEA(IDCUR_CHAR));
    m_hCharIcon = ::LoadIconA(hInstance, MAKEINTRESOURCEA(IDI_CHAR));
    m_hCharSmallIcon = static_cast<HICON>(
        ::LoadImageA(hInstance, MAKEINTRESOURCEA(IDI_CHAR_SMALL), IMAGE_ICON, 16, 16, LR_SHARED));
}
