#pragma once
#include <windows.h>

#include "framework/Collections.h"
#include "framework/File.h"
#include "framework/Text.h"

// The search box's two files beside the program: the engine table and the
// history.
extern const char kEngineFile[];
extern const char kHistoryFile[];

// The history file: one word per CR LF line, most recent first, read into
// and written from the list of a combo box. Returns whether the list may
// replace the file at exit: the file was read whole, or there is none. A file of more than HISTORY_LOAD_LIMIT lines gives the list its
// first lines and is kept as it is.
BOOL ReadHistoryFile(const char* path, HWND hCombo);
// The old history is replaced only by a complete new one
// (framework/File.h), and a read-only one not at all.
SaveOutcome WriteHistoryFile(const char* path, HWND hCombo);

// The engine table (sections "SERCHCFG0"...). Returns whether the table may
// be written back at exit: it was read from the file, or the file has no
// engine section at all (the built-in table then creates it).
// A file whose first section is unusable, or that cannot be read, keeps its
// content; so does a read-only one.
BOOL ReadEngineTable(const char* path, CStringArray& engines, CStringArray& urls, CUIntArray& convert);
SaveOutcome WriteEngineTable(const char* path, const CStringArray& engines, const CStringArray& urls,
                             const CUIntArray& convert);

// What a search does to the history list of the combo box: the word moves
// to or goes in at the top (see PlanHistory).
void UpdateHistoryForSearch(HWND hCombo, const char* text, int keepHistory);

enum { ENGINE_LIMIT = 100, HISTORY_LOAD_LIMIT = 10000 };
