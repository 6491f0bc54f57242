// The packer's reading of character.ini: any bytes in the file. What the
// packer accepts must come back unchanged through the program's reading of
// the configuration string it builds.
#include <string.h>

#include <string>
#include <vector>

#include "character/config.h"
#include "check.h"
#include "plugins/pack/pack.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
    std::string file(reinterpret_cast<const char*>(data), size);
    std::vector<PackProblem> problems;
    std::string text = IniToHostCodePage(file, "character.ini", problems);
    size_t lines = 1;
    for (char c : file)
        lines += c == '\n';
    PackCharacter character = ParseCharacterIni(text, "character.ini", problems);
    ValidateCharacter(character, "character.ini", problems);
    for (const PackProblem& p : problems) {
        CHECK(p.line >= 0 && static_cast<size_t>(p.line) <= lines);
        CHECK(!FormatProblem(p).empty());
    }
    if (!problems.empty())
        return 0;

    CHECK(character.FrameTotal() <= PACK_MAX_FRAMES);
    std::string config = BuildConfigString(character.name, character);
    CharacterConfig read = ParseCharacterConfig(config.c_str());
    CHECK(std::string(static_cast<const char*>(read.name)) == character.name);
    CHECK(read.baseInterval == character.period);
    CHECK(read.moveStep == character.step);
    for (int k = 0; k < CONFIG_CATEGORIES; ++k) {
        const PackCategory& category = character.categories[k];
        CHECK(read.frameCount[k] == static_cast<int>(category.frames.size()));
        CHECK(read.frameInterval[k] == (category.period >= 0 ? category.period : character.period));
    }
    // The program plays it as written.
    CharacterConfig played = read;
    NormalizeCharacterConfig(&played, PACK_MAX_FRAMES);
    CHECK(memcmp(played.frameCount, read.frameCount, sizeof read.frameCount) == 0);
    CHECK(memcmp(played.frameInterval, read.frameInterval, sizeof read.frameInterval) == 0);
    CHECK(HasShownFrames(played.frameCount));
    return 0;
}
