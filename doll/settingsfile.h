#pragma once
#include <windows.h>

#include "framework/CString.h"
#include "framework/File.h"

// The settings file beside the program, and its one reader and writer:
// section SETTEI, the doll's settings, read at start and rewritten whole;
// section RECT, the search box's last rectangle, written only.
extern const char kSettingsFile[];

struct DollSettings {
    int topMost;
    int chase;
    int keepHistory;
    CString selectedName;
    // The file could be read, or there is none: only then may what was read
    // (or the defaults) replace it.
    bool read;
};

DollSettings ReadDollSettings();
// One write of the file: the search box's rectangle into RECT when there is
// one, then SETTEI anew from the settings when there are, in the order
// RIREKION, CHASE, SELECTEDDOLLNAME, ZJIKU, WINJOUTAI (keys of its own in
// the section are lost, other sections stay). A read-only file, or one that
// could not be read, is left as it was.
SaveOutcome WriteSettingsFile(const DollSettings* settings, bool dollHidden, const RECT* boxRect);
