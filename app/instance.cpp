#include "app/instance.h"

#include "doll/comeforward.h"
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

bool CInstanceLock::Create()
{
    m_hMapping = ::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(DWORD), m_name);
    if (!m_hMapping)
        return false;
    m_first = ::GetLastError() != ERROR_ALREADY_EXISTS;
    m_pShared = static_cast<DWORD*>(::MapViewOfFile(m_hMapping, FILE_MAP_WRITE, 0, 0, sizeof(DWORD)));
    if (m_first && m_pShared)
        *m_pShared = ::GetCurrentProcessId();
    return true;
}

void CInstanceLock::Release()
{
    if (m_pShared)
        ::UnmapViewOfFile(m_pShared);
    if (m_hMapping)
        ::CloseHandle(m_hMapping);
    m_pShared = nullptr;
    m_hMapping = nullptr;
}

// The doll window is the process's top-level dialog without an owner that
// is a tool window (a message box is none). While it is ending it answers
// nothing (its window is hidden, its files being written) or says so: its
// process is then waited for, with our handle of the mapping closed, which
// would otherwise keep the object after it.
bool CInstanceLock::Take(DWORD waitMs)
{
    auto isDoll = [](HWND hWnd) {
        char cls[16] = "";
        ::GetClassNameA(hWnd, cls, sizeof cls);
        return lstrcmpA(cls, "#32770") == 0 && !::GetWindow(hWnd, GW_OWNER) &&
               (::GetWindowLongW(hWnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    };
    const DWORD start = ::GetTickCount();
    for (;;) {
        if (!Create())
            return true;  // no way to tell: behave as the only doll
        if (m_first)
            return true;
        DWORD spent = ::GetTickCount() - start;
        if (spent >= waitMs || !m_pShared)
            return false;
        DWORD left = waitMs - spent;
        DWORD pid = *m_pShared;
        HANDLE hProcess = pid ? ::OpenProcess(SYNCHRONIZE, FALSE, pid) : nullptr;
        HWND doll = hProcess ? FindProcessWindow(pid, isDoll) : nullptr;
        if (doll) {
            // Let the running doll take the foreground, which we hold now.
            ::AllowSetForegroundWindow(pid);
            DWORD_PTR answer = 0;
            if (::SendMessageTimeoutA(doll, ComeForwardMessage(), 0, 0, SMTO_NORMAL, left, &answer) &&
                answer == COME_FORWARD_DONE) {
                ::CloseHandle(hProcess);
                return false;
            }
        }
        Release();
        spent = ::GetTickCount() - start;
        left = spent < waitMs ? waitMs - spent : 0;
        // Ending: until it has ended. Still starting, its window not yet
        // made, or its id not yet written: a moment, then a look again.
        DWORD wait = doll ? left : (left < 25 ? left : 25);
        if (hProcess) {
            ::WaitForSingleObject(hProcess, wait);
            ::CloseHandle(hProcess);
        } else {
            ::Sleep(wait);
        }
    }
}
