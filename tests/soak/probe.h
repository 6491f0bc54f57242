#pragma once
// What the soak probe counts inside the program's process, and the names
// through which the soak asks for a count (each with the process id).
#include <windows.h>

struct ProbeCounts {
    LONG sequence;      // the request this answers
    int gdi;            // live GDI objects of every kind; -1: not counted
    int gdiByType[16];  // by GetObjectType's code (OBJ_PEN 1 ... OBJ_COLORSPACE 14)
    int windows;        // USER objects: windows, children included
    int menus;
    int icons;          // icons and cursors
    // The process's VmRSS and its RssAnon with VmSwap, in kB.
    long long vmRss;
    long long rssAnon;
    // Free display DCs in the window manager's cache: not in gdi.
    int cachedDCs;
};

#define SOAK_PROBE_MAPPING "Local\\KelmoraSoakProbe.Counts.%lu"
#define SOAK_PROBE_REQUEST "Local\\KelmoraSoakProbe.Request.%lu"
#define SOAK_PROBE_DONE "Local\\KelmoraSoakProbe.Done.%lu"
