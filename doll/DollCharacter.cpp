#include <string.h>

#include "character/config.h"
#include "character/plugin.h"
#include "doll/DollDlg.h"
#include "framework/App.h"
#include "framework/File.h"
#include "res/resource.h"

// Everything is read and judged before anything of the current character is
// released, so that a plug-in that has nothing to show is refused whole and
// the doll keeps what it had.
int CDollDlg::LoadCharacter(const char* path, bool* pShown)
{
    if (pShown)
        *pShown = false;
    CPluginModule dll(path);
    if (!dll)
        return 1;

    CString prompt;
    if (!CallStringExport(dll, KELMORA_PROMPT_EXPORT, &prompt))
        prompt = KELMORA_DEFAULT_PROMPT;
    CString text;
    CharacterConfig config = CallStringExport(dll, KELMORA_CONFIG_EXPORT, &text)
        ? ParseCharacterConfig(text)
        : DefaultCharacterConfig();
    NormalizeCharacterConfig(&config, FRAME_SLOTS);
    if (!HasShownFrames(config.frameCount))
        return 1;

    // The new frames are loaded while the current ones are set aside: a
    // character none of whose shown frames loads (each failure has had its
    // message box) has nothing to show either, and the doll keeps its own.
    FrameSlot current[FRAME_SLOTS];
    for (int i = 0; i < FRAME_SLOTS; ++i)
        current[i].Swap(m_frames[i]);
    int currentWidth = m_frameWidth, currentHeight = m_frameHeight;
    int total = TotalFrames(config.frameCount);
    for (int i = 0; i < total; ++i)
        LoadFrame(dll, static_cast<UINT>(KELMORA_FRAME_FIRST + i), i);
    bool anyShown = false;
    for (int i = 0; i < total - config.frameCount[CONFIG_CATEGORIES - 1]; ++i)
        anyShown = anyShown || m_frames[i].dib != nullptr;
    if (!anyShown) {
        for (int i = 0; i < FRAME_SLOTS; ++i)
            current[i].Swap(m_frames[i]);
        m_frameWidth = currentWidth;
        m_frameHeight = currentHeight;
        return 1;
    }
    // The frame table is new: the next selection shapes and paints the
    // window even if it picks the slot number shown before.
    m_curFrame = -1;

    m_searchPrompt = prompt;
    m_charName = config.name;
    m_baseInterval = config.baseInterval;
    m_moveStep = config.moveStep;
    memcpy(m_frameCount, config.frameCount, sizeof m_frameCount);
    memcpy(m_frameInterval, config.frameInterval, sizeof m_frameInterval);

    // Copies, not the loaded handles: they must outlive the DLL.
    int cxSmall = ::GetSystemMetrics(SM_CXSMICON), cySmall = ::GetSystemMetrics(SM_CYSMICON);
    HCURSOR hCursor = static_cast<HCURSOR>(CopyModuleImage(dll, KELMORA_CURSOR, IMAGE_CURSOR, 32, 32));
    HICON hIcon = static_cast<HICON>(CopyModuleImage(dll, KELMORA_ICON, IMAGE_ICON, cxSmall, cySmall));
    HICON hSmallIcon = static_cast<HICON>(CopyModuleImage(dll, KELMORA_SMALL_ICON, IMAGE_ICON, cxSmall, cySmall));
    m_hCharCursor = hCursor;
    m_hCharIcon = hIcon;
    m_hCharSmallIcon = hSmallIcon;
    m_charHandles.Adopt(hCursor, hIcon, hSmallIcon);

    m_charModulePath = path;
    if (pShown)
        *pShown = true;
    return 1;
}

// The prompt belongs to the character on the screen: none for the built-in
// one, and never one of a plug-in that was refused.
void CDollDlg::ReloadSearchPrompt()
{
    if (m_charModulePath.IsEmpty() || !FileExists(m_charModulePath))
        return;
    CPluginModule dll(m_charModulePath);
    CString prompt;
    if (dll && CallStringExport(dll, KELMORA_PROMPT_EXPORT, &prompt))
        m_searchPrompt = prompt;
}

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
