#pragma once
#include <windows.h>

#include "framework/CString.h"

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
