#pragma once
#include <stdint.h>

#include <string>
#include <vector>

#include "plugins/kit/KelmoraCharacter.h"

// What kelmora-pack decides, without files or handles: reading character.ini,
// checking it, the configuration string, frame pixels and icon/cursor files.

enum { PACK_CATEGORIES = KELMORA_CATEGORIES, PACK_MAX_FRAMES = KELMORA_FRAME_SLOTS, PACK_MAX_FRAME_SIDE = 512 };

// Section names of the categories 0..5, in frame order.
extern const char* const kPackCategorySections[PACK_CATEGORIES];

// One fault found; line 0 when it belongs to no line of the file.
struct PackProblem {
    std::string file;
    int line = 0;
    std::string message;
};
std::string FormatProblem(const PackProblem& problem);  // "file:line: message"

struct PackFrame {
    std::string file;  // as written in character.ini, relative to the folder
    int line = 0;      // the line that lists it
};

struct PackCategory {
    std::vector<PackFrame> frames;
    int period = -1;  // -1: not given, the base period is used
};

struct PackCharacter {
    std::string name;    // UTF-8 as read
    std::string prompt;  // UTF-8 as read; empty: the host's default prompt
    int nameLine = 0;
    int promptLine = 0;
    int period = KELMORA_DEFAULT_BASE_PERIOD;
    int step = KELMORA_DEFAULT_STEP;
    PackCategory categories[PACK_CATEGORIES];

    int FrameTotal() const;
    std::vector<PackFrame> AllFrames() const;  // in resource order, 3000 + i
};

// character.ini's bytes (UTF-8, an optional byte-order mark) in the host's
// code page, line by line; a line that has no such form is reported at its
// number and left empty.
std::string IniToHostCodePage(const std::string& utf8, const std::string& fileName,
                              std::vector<PackProblem>& problems);

// Reads character.ini (UTF-8, an optional byte-order mark). Every fault goes
// to problems with the file name given; what could be read is returned.
PackCharacter ParseCharacterIni(const std::string& text, const std::string& fileName,
                                std::vector<PackProblem>& problems);
// Faults of the whole: name, frame counts.
void ValidateCharacter(const PackCharacter& character, const std::string& fileName,
                       std::vector<PackProblem>& problems);

// The string AllConfig returns; the name already in the host's code page.
std::string BuildConfigString(const std::string& hostName, const PackCharacter& character);

// A decoded image: top row first, one 0xAARRGGBB value per pixel.
struct PackImage {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
};

const uint32_t PACK_KEY = KELMORA_KEY_COLOR;

// The frame as the host loads it: BITMAPINFOHEADER and 24-bit rows, bottom
// row first. With useAlpha, pixels under half opacity become magenta and the
// others are taken as opaque; without it (BMP files) magenta alone is clear.
std::vector<uint8_t> FrameBitmap(const PackImage& image, bool useAlpha);

// An .ico or .cur file split into the resources the platform loads it from.
struct PackIconResources {
    std::vector<std::vector<uint8_t>> images;  // RT_ICON / RT_CURSOR data, ids firstId + i
    std::vector<uint8_t> group;                // RT_GROUP_ICON / RT_GROUP_CURSOR directory
};
// Empty error on success; firstId numbers the images, whose ids must all fit
// in 16 bits.
std::string SplitIconFile(const std::vector<uint8_t>& file, bool cursor, uint16_t firstId,
                          PackIconResources& out);

// An .ico file holding the image scaled to fit each size (32-bit with mask),
// clear where the image is magenta or under half opacity.
std::vector<uint8_t> IconFromImage(const PackImage& image, bool useAlpha, const std::vector<int>& sizes);
