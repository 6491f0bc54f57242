#include "character/config.h"

#include <stdlib.h>
#include <string.h>

#include "framework/Mbcs.h"
#include "plugins/kit/KelmoraCharacter.h"

// A field without its closing "_" reads as empty and sends the next field
// back to the start of the string; plug-ins written against that reading
// must keep their meaning.
CharacterConfig ParseCharacterConfig(const char* text)
{
    CharacterConfig config = {};
    if (!text)
        text = "";
    int length = static_cast<int>(strlen(text));
    int pos = 0;
    for (int field = 0; field < CONFIG_FIELDS; ++field) {
        // A trail byte equal to "_" belongs to its character, not to the fields.
        int end = pos >= 0 && pos < length ? FindText(text, length, "_", pos) : -1;
        CString value = end - pos > 0 ? CString(text + pos, end - pos) : CString();
        if (field == 0) {
            config.name = value;
        } else {
            int number = atoi(value);
            if (field == 1)
                config.baseInterval = number;
            else if (field == 2)
                config.moveStep = number;
            else if (field < 3 + CONFIG_CATEGORIES)
                config.frameCount[field - 3] = number;
            else
                config.frameInterval[field - 3 - CONFIG_CATEGORIES] = number;
        }
        pos = end + 1;
    }
    return config;
}

CharacterConfig DefaultCharacterConfig()
{
    static const int kCounts[CONFIG_CATEGORIES] = { KELMORA_DEFAULT_COUNTS };
    static const int kIntervals[CONFIG_CATEGORIES] = { KELMORA_DEFAULT_PERIODS };
    CharacterConfig config = {};
    config.baseInterval = KELMORA_DEFAULT_BASE_PERIOD;
    config.moveStep = KELMORA_DEFAULT_STEP;
    memcpy(config.frameCount, kCounts, sizeof kCounts);
    memcpy(config.frameInterval, kIntervals, sizeof kIntervals);
    return config;
}

// A period of 0 would make timer 1 fire as fast as the system allows, and a
// negative count would move every later category's slots backwards.
void NormalizeCharacterConfig(CharacterConfig* config, int slotCount)
{
    if (config->baseInterval <= 0)
        config->baseInterval = 100;
    for (int k = 0; k < CONFIG_CATEGORIES; ++k) {
        if (config->frameInterval[k] <= 0)
            config->frameInterval[k] = config->baseInterval;
        if (config->frameCount[k] < 0)
            config->frameCount[k] = 0;
    }
    int first = 0;
    for (int k = 0; k < CONFIG_CATEGORIES; ++k) {
        int room = slotCount - first;
        if (room < 0)
            room = 0;
        if (config->frameCount[k] > room)
            config->frameCount[k] = room;
        first += config->frameCount[k];
    }
}

int TotalFrames(const int frameCount[CONFIG_CATEGORIES])
{
    int total = 0;
    for (int k = 0; k < CONFIG_CATEGORIES; ++k)
        total += frameCount[k];
    return total;
}

bool HasShownFrames(const int frameCount[CONFIG_CATEGORIES])
{
    for (int k = 0; k < CONFIG_CATEGORIES - 1; ++k)
        if (frameCount[k] > 0)
            return true;
    return false;
}
