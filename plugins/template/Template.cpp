#include <windows.h>

#include "plugins/kit/KelmoraCharacter.h"
#include "plugins/template/template.h"

namespace {

// The host loads and unloads the plug-in for each call and has no object to
// give; the module is found from an address inside it.
HMODULE ThisModule()
{
    HMODULE module = nullptr;
    ::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCSTR>(&ThisModule), &module);
    return module;
}

CString TextResource(int id)
{
    HMODULE module = ThisModule();
    HRSRC info = ::FindResourceA(module, MAKEINTRESOURCEA(id), RT_RCDATA);
    if (!info)
        return CString();
    HGLOBAL data = ::LoadResource(module, info);
    const char* text = data ? static_cast<const char*>(::LockResource(data)) : nullptr;
    DWORD size = ::SizeofResource(module, info);
    if (!text || size == 0)
        return CString();
    // A stray NUL inside would cut the text short anyway; stop there.
    int len = 0;
    while (static_cast<DWORD>(len) < size && text[len] != '\0')
        ++len;
    return CString(text, len);
}

}  // namespace

CString CRes::AllConfig()
{
    return TextResource(IDR_PACK_CONFIG);
}

CString CRes::GetSerchMessage()
{
    return TextResource(IDR_PACK_PROMPT);
}
