#pragma once
#include <windows.h>

// The program's code is linked into the benchmark executables, so its calls
// to the platform go through their own import table: redirecting one entry
// there sees every call the program makes, and nothing of the platform's own.
// Returns the real function, or null when this module does not import it.
void* RedirectImport(const char* dll, const char* name, void* replacement);

// Seconds on the performance counter.
double Now();
