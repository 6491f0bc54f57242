#pragma once
#include <windows.h>

#include "framework/CString.h"
#include "framework/NoCopy.h"

// shell32 for the calls of one scope. With the shlwapi and shcore it brings
// it adds about 1 MB to a process that otherwise never needs it, and the doll
// calls it only now and then (its tray icon, a launch, the shell's full-screen
// state), so it is loaded for the call and let go after.
class CShellLibrary : private CNoCopy {
public:
    CShellLibrary() : m_hModule(::LoadLibraryW(L"shell32.dll")) {}
    ~CShellLibrary()
    {
        if (m_hModule)
            ::FreeLibrary(m_hModule);
    }
    // The function of that name, of the type it is declared with; null when
    // shell32 or the function is missing.
    template <typename Fn>
    Fn* Function(const char* name) const
    {
        return m_hModule ? reinterpret_cast<Fn*>(reinterpret_cast<void*>(::GetProcAddress(m_hModule, name)))
                         : nullptr;
    }

private:
    HMODULE m_hModule;
};

// Handing addresses to the shell. Only web addresses go: an address read
// from a hand-edited file or built from typed text must not start a program,
// open a share or a local file, or reach any other scheme's handler.

// http: or https: in any letter case, or an address beginning "www.", which
// the shell opens as a web address.
bool IsWebAddress(const char* url);

// Appends the byte as "%" and two uppercase hexadecimal digits.
void AppendPercentEscape(CString& out, unsigned char byte);

// The address with the bytes that could end a quoted command-line argument
// or split it (quotes, control characters) percent-escaped: the same address.
CString EscapeForShell(const char* url);

// The address as one quoted command-line argument: escaped, and a run of
// backslashes at its end doubled so that it cannot escape the closing quote.
CString QuotedArgument(const char* url);

// Opens a web address with the user's default browser; false, and nothing
// launched, for anything else.
bool OpenWebAddress(HWND hOwner, const char* url);

// Starts the browser program with the web address as its one argument,
// which opens a new window; false, and nothing started, for anything else.
bool StartBrowser(const char* program, const char* url);
