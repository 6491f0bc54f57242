#pragma once
#include <windows.h>

#include "framework/CString.h"
#include "framework/NoCopy.h"

// Name of the kernel object that marks a running doll of one folder: the
// folder's full path, letter case folded, hashed into the name (kernel
// object names cannot hold backslashes).
CString InstanceObjectName(const char* folder);

// One doll per folder: two would write the same three files at exit, the
// later one over the other's. A named mapping, not a lock file, so a crashed
// doll leaves nothing stale behind: the object ends with its process.
class CInstanceLock : private CNoCopy {
public:
    explicit CInstanceLock(const char* folder);
    ~CInstanceLock();

    bool IsFirst() const { return m_first; }
    // Asks the folder's running doll to come forward; false when it has no
    // window yet after a short wait.
    bool WakeRunningDoll() const;

private:
    HANDLE m_hMapping = nullptr;
    DWORD* m_pShared = nullptr;  // the first instance's process id
    bool m_first = true;
};

// Registered message a second start sends to the running doll window.
UINT ComeForwardMessage();
#define KELMORA_COME_FORWARD_MESSAGE "Kelmora.ComeForward"
