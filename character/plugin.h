#pragma once
#include <windows.h>

#include "framework/CString.h"
#include "framework/Text.h"
#include "plugins/kit/KelmoraCharacter.h"
#include "framework/NoCopy.h"

// Plug-ins live in the folder "imagedlls" beside the program.
CString PluginFolder();
// The plug-in of that name in a plug-in folder.
CString PluginPath(const char* folder, const char* name);
// Lists them; "*.dll*" also finds "a.dll.bak", listed as "a.dll".
CString PluginPattern(const char* folder);

// Calls the member function at fn as if on the object at `object`, building
// the returned CString in `storage` (raw memory of sizeof(CString) bytes).
void InvokeStringExport(FARPROC fn, void* object, void* storage);

// Looks up a string export by its exact name and calls it without an object.
// On success *out holds a copy and the plug-in's string has been destroyed;
// false (and *out untouched) when the module has no such export.
bool CallStringExport(HMODULE hModule, const char* name, CString* out);

// An icon or cursor (type IMAGE_ICON or IMAGE_CURSOR) of a module, copied
// so that it outlives the module; null when the module lacks it.
HANDLE CopyModuleImage(HMODULE hModule, int id, UINT type, int cx, int cy);

// A plug-in loaded for as long as something is taken from it.
class CPluginModule : private CNoCopy {
public:
    explicit CPluginModule(const char* path) : m_hModule(::LoadLibraryW(ToUtf16(path).c_str())) {}
    ~CPluginModule()
    {
        if (m_hModule)
            ::FreeLibrary(m_hModule);
    }
    operator HMODULE() const { return m_hModule; }

private:
    HMODULE m_hModule;
};

// Owner of the character's cursor and icons, loaded from the program or
// copied out of plug-ins; the doll window borrows them. The small icon of the first character adopted is kept until
// the owner goes, because the search box took it at its creation.
class CCharacterHandles : private CNoCopy {
public:
    ~CCharacterHandles();

    // Takes over the new copies (any may be null) and releases the old ones.
    void Adopt(HCURSOR hCursor, HICON hIcon, HICON hSmallIcon);
    // Takes over a new cursor alone (at another size), releasing the old one.
    void AdoptCursor(HCURSOR hCursor);

private:
    // The cursor and icons adopted last; the first small icon stays.
    void ReleaseCurrent();

    HCURSOR m_hCursor = nullptr;
    HICON m_hIcon = nullptr;
    HICON m_hSmallIcon = nullptr;
    HICON m_hFirstSmallIcon = nullptr;
    bool m_adopted = false;
};
