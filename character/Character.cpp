#include <string.h>

#include "character/config.h"
#include "character/plugin.h"
#include "doll/DollDlg.h"
#include "framework/File.h"

static const char kDefaultPrompt[] = "搜索什么？";

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
    if (!CallStringExport(dll, CHARACTER_PROMPT_EXPORT, &prompt))
        prompt = kDefaultPrompt;
    CString text;
    CharacterConfig config = CallStringExport(dll, CHARACTER_CONFIG_EXPORT, &text)
        ? ParseCharacterConfig(text)
        : DefaultCharacterConfig();
    NormalizeCharacterConfig(&config, FRAME_SLOTS);
    if (!HasShownFrames(config.frameCount))
        return 1;

    ReleaseFrames(TotalFrames(m_frameCount));
    m_searchPrompt = prompt;
    m_charName = config.name;
    m_baseInterval = config.baseInterval;
    m_moveStep = config.moveStep;
    memcpy(m_frameCount, config.frameCount, sizeof m_frameCount);
    memcpy(m_frameInterval, config.frameInterval, sizeof m_frameInterval);
    int total = TotalFrames(m_frameCount);
    for (int i = 0; i < total; ++i)
        LoadFrame(dll, static_cast<UINT>(CHARACTER_FRAME_FIRST + i), i);

    // Copies, not the loaded handles: they must outlive the DLL.
    int cxSmall = ::GetSystemMetrics(SM_CXSMICON), cySmall = ::GetSystemMetrics(SM_CYSMICON);
    HCURSOR hCursor = CopyModuleCursor(dll, CHARACTER_CURSOR, 32, 32);
    HICON hIcon = CopyModuleIcon(dll, CHARACTER_ICON, cxSmall, cySmall);
    HICON hSmallIcon = CopyModuleIcon(dll, CHARACTER_SMALL_ICON, cxSmall, cySmall);
    m_hCharCursor = hCursor;
    m_hCharIcon = hIcon;
    m_hCharSmallIcon = hSmallIcon;
    m_charHandles.Adopt(hCursor, hIcon, hSmallIcon);

    char modulePath[MAX_PATH] = "";
    DWORD length = ::GetModuleFileNameA(dll, modulePath, sizeof modulePath);
    m_charModulePath = length > 0 && length < sizeof modulePath ? modulePath : path;
    if (pShown)
        *pShown = true;
    return 1;
}

// The prompt belongs to the character on the screen: none for the built-in
// one, and never one of a plug-in that was refused.
void CDollDlg::ReloadSearchPrompt()
{
    if (m_charModulePath.IsEmpty())
        return;
    CFileFind finder;
    if (!finder.FindFile(m_charModulePath))
        return;
    finder.Close();
    CPluginModule dll(m_charModulePath);
    CString prompt;
    if (dll && CallStringExport(dll, CHARACTER_PROMPT_EXPORT, &prompt))
        m_searchPrompt = prompt;
}
