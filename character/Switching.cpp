#include <string.h>

#include <vector>

#include "doll/DollDlg.h"
#include "framework/App.h"

// The version shown in the settings dialog comes from the executable's own
// version block, so it cannot drift from what Explorer shows.
void CDollDlg::ReadFileVersion()
{
    memset(m_fileVersion, 0, sizeof m_fileVersion);

    HMODULE hModule = AfxGetInstanceHandle();
    HRSRC hInfo = ::FindResourceA(hModule, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(16));
    if (!hInfo)
        return;
    DWORD size = ::SizeofResource(hModule, hInfo);
    HGLOBAL hData = ::LoadResource(hModule, hInfo);
    const void* pData = hData ? ::LockResource(hData) : nullptr;
    if (!pData || size == 0)
        return;

    // VerQueryValue may write into the block it reads (ANSI texts of a
    // Unicode block), and resources are read-only: it gets a copy, with the
    // room GetFileVersionInfo would have given it.
    std::vector<unsigned char> copy(size * 2);
    memcpy(copy.data(), pData, size);
    VS_FIXEDFILEINFO* pFixed = nullptr;
    UINT len = 0;
    if (!::VerQueryValueA(copy.data(), "\\", reinterpret_cast<void**>(&pFixed), &len) || !pFixed ||
        len < sizeof(VS_FIXEDFILEINFO) || pFixed->dwSignature != VS_FFI_SIGNATURE)
        return;

    m_fileVersion[0] = HIWORD(pFixed->dwFileVersionMS);
    m_fileVersion[1] = LOWORD(pFixed->dwFileVersionMS);
    m_fileVersion[2] = HIWORD(pFixed->dwFileVersionLS);
    m_fileVersion[3] = LOWORD(pFixed->dwFileVersionLS);
}
