#include "character/plugin.h"

#include <stdlib.h>
#include <string.h>

#include "framework/File.h"

CString PluginFolder()
{
    return ProgramFile("imagedlls\\");
}

CString PluginPath(const char* folder, const char* name)
{
    return CString(folder) + name + ".dll";
}

CString PluginPattern(const char* folder)
{
    return CString(folder) + "*.dll*";
}

// GCC on x86-64 Windows follows the Itanium C++ ABI on the Windows calling
// convention: a CString (not trivially copyable) comes back through a hidden
// pointer, and for a member function that pointer is passed before the
// object pointer, so RCX carries the return storage and RDX `this` (MSVC
// passes them the other way round). A free function taking the storage and
// then the object is called with exactly that register assignment. The test
// plug-in's probe export proves it on the real DLL.
typedef void (*StringExportFn)(void* storage, void* object);

void InvokeStringExport(FARPROC fn, void* object, void* storage)
{
    reinterpret_cast<StringExportFn>(reinterpret_cast<void*>(fn))(storage, object);
}

// Only the string's first word is read: the pointer to its text, from
// msvcrt's malloc or null. A plug-in built with any version of the string
// class hands its text over that way; the rest of its object is its own.
bool CallStringExport(HMODULE hModule, const char* name, CString* out)
{
    FARPROC fn = hModule ? ::GetProcAddress(hModule, name) : nullptr;
    if (!fn)
        return false;
    // Room for a string object larger than ours, whatever the plug-in's is.
    alignas(void*) unsigned char storage[4 * sizeof(CString)] = {};
    // The export must not touch its object; it gets none.
    InvokeStringExport(fn, nullptr, storage);
    char* text = nullptr;
    memcpy(&text, storage, sizeof text);
    *out = text;
    free(text);
    return true;
}

// A handle loaded from a module (shared or not) may depend on that module's
// mapped resources once the module is gone; a copy is a free-standing
// object. The loaded handle is not shared, so it is ours to destroy.
HANDLE CopyModuleImage(HMODULE hModule, int id, UINT type, int cx, int cy)
{
    HANDLE hLoaded = ::LoadImageA(hModule, MAKEINTRESOURCEA(id), type, cx, cy, 0);
    if (!hLoaded)
        return nullptr;
    HANDLE hCopy = ::CopyImage(hLoaded, type, 0, 0, 0);
    if (type == IMAGE_CURSOR)
        ::DestroyCursor(static_cast<HCURSOR>(hLoaded));
    else
        ::DestroyIcon(static_cast<HICON>(hLoaded));
    return hCopy;
}

// A cursor still on the screen is put back to the arrow before it goes.
static void DestroyOwnedCursor(HCURSOR hCursor)
{
    if (!hCursor)
        return;
    if (::GetCursor() == hCursor)
        ::SetCursor(::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)));
    ::DestroyCursor(hCursor);
}

CCharacterHandles::~CCharacterHandles()
{
    ReleaseCurrent();
    if (m_hFirstSmallIcon)
        ::DestroyIcon(m_hFirstSmallIcon);
}

void CCharacterHandles::ReleaseCurrent()
{
    DestroyOwnedCursor(m_hCursor);
    if (m_hIcon)
        ::DestroyIcon(m_hIcon);
    if (m_hSmallIcon && m_hSmallIcon != m_hFirstSmallIcon)
        ::DestroyIcon(m_hSmallIcon);
}

// The new cursor goes on the screen first if the old one is there.
static void PutCursorInPlace(HCURSOR hOld, HCURSOR hNew)
{
    if (hOld && ::GetCursor() == hOld && hNew)
        ::SetCursor(hNew);
}

void CCharacterHandles::AdoptCursor(HCURSOR hCursor)
{
    PutCursorInPlace(m_hCursor, hCursor);
    DestroyOwnedCursor(m_hCursor);
    m_hCursor = hCursor;
}

void CCharacterHandles::Adopt(HCURSOR hCursor, HICON hIcon, HICON hSmallIcon)
{
    PutCursorInPlace(m_hCursor, hCursor);
    ReleaseCurrent();
    if (!m_adopted) {
        m_hFirstSmallIcon = hSmallIcon;
        m_adopted = true;
    }
    m_hCursor = hCursor;
    m_hIcon = hIcon;
    m_hSmallIcon = hSmallIcon;
}
