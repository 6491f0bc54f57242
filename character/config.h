#pragma once
#include "framework/CString.h"
#include "plugins/kit/KelmoraCharacter.h"

enum { CONFIG_CATEGORIES = KELMORA_CATEGORIES, CONFIG_FIELDS = 15 };

// What a character's configuration string says, field by field.
struct CharacterConfig {
    CString name;
    int baseInterval;
    int moveStep;
    int frameCount[CONFIG_CATEGORIES];
    int frameInterval[CONFIG_CATEGORIES];
};

// The fifteen "_"-terminated fields, read exactly as plug-ins have always
// been read: numbers as atoi reads them, nothing validated.
CharacterConfig ParseCharacterConfig(const char* text);

// The character of a plug-in that exports no configuration.
CharacterConfig DefaultCharacterConfig();

// Makes the values safe to play: negative counts are 0, periods of 0 or less
// fall back to the base period (itself 100 ms when 0 or less), and counts are
// cut from category 5 backwards until every frame has one of slotCount slots.
void NormalizeCharacterConfig(CharacterConfig* config, int slotCount);

int TotalFrames(const int frameCount[CONFIG_CATEGORIES]);

// Whether the categories the doll shows (0 to 4) hold any frame at all.
bool HasShownFrames(const int frameCount[CONFIG_CATEGORIES]);
