// The configuration string a plug-in returns: any text, read field by field
// and made safe to play.
#include <string.h>

#include <string>

#include "character/config.h"
#include "check.h"
#include "mbcs.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
    // The plug-in's string ends at its first NUL.
    std::string text(reinterpret_cast<const char*>(data), size);
    const char* s = text.c_str();
    CharacterConfig config = ParseCharacterConfig(s);

    // The name is the text before the first "_" that is a character of its
    // own (not the second byte of a GBK character), or nothing.
    const char* name = config.name;
    size_t nameLen = strlen(name), textLen = strlen(s);
    size_t end = FindChar936(s, textLen, '_');
    CHECK(nameLen == (end < textLen ? end : 0));
    CHECK(memcmp(name, s, nameLen) == 0);

    const int slots = 30;
    CharacterConfig played = config;
    NormalizeCharacterConfig(&played, slots);
    CHECK(played.baseInterval > 0);
    CHECK(played.baseInterval == (config.baseInterval > 0 ? config.baseInterval : 100));
    int first = 0;
    for (int k = 0; k < CONFIG_CATEGORIES; ++k) {
        CHECK(played.frameInterval[k] > 0);
        CHECK(played.frameCount[k] >= 0);
        CHECK(played.frameCount[k] <= (config.frameCount[k] > 0 ? config.frameCount[k] : 0));
        // Counts are only cut when the slots run out.
        if (played.frameCount[k] < config.frameCount[k])
            CHECK(first + played.frameCount[k] == slots);
        first += played.frameCount[k];
    }
    CHECK(TotalFrames(played.frameCount) == first);
    CHECK(first <= slots);
    bool shown = false;
    for (int k = 0; k < CONFIG_CATEGORIES - 1; ++k)
        shown = shown || played.frameCount[k] > 0;
    CHECK(HasShownFrames(played.frameCount) == shown);

    // Playing is idempotent.
    CharacterConfig again = played;
    NormalizeCharacterConfig(&again, slots);
    CHECK(memcmp(again.frameCount, played.frameCount, sizeof again.frameCount) == 0);
    CHECK(memcmp(again.frameInterval, played.frameInterval, sizeof again.frameInterval) == 0);
    return 0;
}
