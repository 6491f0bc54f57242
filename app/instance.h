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
    explicit CInstanceLock(const char* folder) : m_name(InstanceObjectName(folder)) {}
    ~CInstanceLock() { Release(); }

    // Takes the folder for this start; false when a doll runs there, which
    // is asked to come forward instead. A doll still starting is waited
    // for until it can be asked; one that is ending (it holds the folder
    // while it writes its files) until it has ended, and the folder is then
    // taken. No doll is waited for longer than waitMs.
    bool Take(DWORD waitMs);

private:
    bool Create();
    void Release();

    CString m_name;
    HANDLE m_hMapping = nullptr;
    DWORD* m_pShared = nullptr;  // the first instance's process id
    bool m_first = true;
};

// As long as Windows lets an ending program take before it calls it hung
// (the default of WaitToKillAppTimeout).
enum { HUNG_PROGRAM_MS = 20000 };
