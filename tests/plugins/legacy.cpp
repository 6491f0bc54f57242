// Exports in the form of earlier kits' string class: the returned object is
// a single pointer to text from msvcrt's malloc, and nothing after it. The
// functions take the return storage and the object as the member functions
// do (storage first), under the members' decorated names.
#include <stdlib.h>
#include <string.h>

#include "KelmoraCharacter.h"

static void HandOver(void* storage, const char* text)
{
    size_t size = strlen(text) + 1;
    char* copy = static_cast<char*>(malloc(size));
    memcpy(copy, text, size);
    memcpy(storage, &copy, sizeof copy);
}

extern "C" __declspec(dllexport) void LegacyConfig(void* storage, void*) __asm__(KELMORA_CONFIG_EXPORT);
extern "C" __declspec(dllexport) void LegacyPrompt(void* storage, void*) __asm__(KELMORA_PROMPT_EXPORT);

void LegacyConfig(void* storage, void*)
{
    HandOver(storage, "Old_100_1_1_1_1_1_1_0_100_100_100_100_100_0_");
}

void LegacyPrompt(void* storage, void*)
{
    HandOver(storage, "旧式的提问");
}
