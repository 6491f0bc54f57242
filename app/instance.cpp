#include "app/instance.h"

#include "framework/Mbcs.h"
#include "framework/Wnd.h"

CString InstanceObjectName(const char* folder)
{
    unsigned long long hash = 14695981039346656037ull;  // FNV-1a
    for (int step; (step = CharBytes(folder)) != 0; folder += step) {
        unsigned char c = static_cast<unsigned char>(*folder);
        if (step == 2) {
            hash = (hash ^ c) * 1099511628211ull;
            c = static_cast<unsigned char>(folder[1]);
        } else if (c >= 'A' && c <= 'Z') {
            c = static_cast<unsigned char>(c + 32);
        } else if (c == '/') {
            c = '\\';
        }
        hash = (hash ^ c) * 1099511628211ull;
    }
    CString name;
    name.Format("Local\\Kelmora-%016llx", hash);
    return name;
}

CInstanceLock::CInstanceLock(const char* folder)
{
    m_hMapping = ::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(DWORD),
                                      InstanceObjectName(folder));
    if (!m_hMapping)
        return;  // no way to tell: behave as the only doll
    m_first = ::GetLastError() != ERROR_ALREADY_EXISTS;
    m_pShared = static_cast<DWORD*>(::MapViewOfFile(m_hMapping, FILE_MAP_WRITE, 0, 0, sizeof(DWORD)));
    if (m_first && m_pShared)
        *m_pShared = ::GetCurrentProcessId();
}

CInstanceLock::~CInstanceLock()
{
    if (m_pShared)
        ::UnmapViewOfFile(m_pShared);
    if (m_hMapping)
        ::CloseHandle(m_hMapping);
}

bool CInstanceLock::WakeRunningDoll() const
{
    if (!m_pShared)
        return false;
    // The first doll may still be starting: give it a moment to make its window.
    // The doll window is the process's top-level dialog without an owner.
    auto isDoll = [](HWND hWnd) {
        char cls[16] = "";
        ::GetClassNameA(hWnd, cls, sizeof cls);
        return lstrcmpA(cls, "#32770") == 0 && !::GetWindow(hWnd, GW_OWNER);
    };
    for (int tries = 0; tries < 40; ++tries) {
        DWORD pid = *m_pShared;
        HWND doll = pid ? FindProcessWindow(pid, isDoll) : nullptr;
        if (doll) {
            // Let the running doll take the foreground, which we hold now.
            ::AllowSetForegroundWindow(pid);
            ::PostMessageA(doll, ComeForwardMessage(), 0, 0);
            return true;
        }
        ::Sleep(25);
    }
    return false;
}

UINT ComeForwardMessage()
{
    static UINT message = ::RegisterWindowMessageA(KELMORA_COME_FORWARD_MESSAGE);
    return message;
}
