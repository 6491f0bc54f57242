#include "plugins/pack/pack.h"

#include <windows.h>
#include <string.h>

#include <algorithm>

#include "framework/LittleEndian.h"

const char* const kPackCategorySections[PACK_CATEGORIES] = {"down", "up", "left", "right", "rest", "extra"};

namespace {

const UINT kPackHostCodePage = 936;
const char* const kBlanks = " \t\r\n\f\v";

std::string Trim(const std::string& s)
{
    size_t first = s.find_first_not_of(kBlanks);
    if (first == std::string::npos)
        return std::string();
    size_t last = s.find_last_not_of(kBlanks);
    return s.substr(first, last - first + 1);
}

std::string Lower(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::vector<std::string> Words(const std::string& s)
{
    std::vector<std::string> words;
    size_t pos = 0;
    while ((pos = s.find_first_not_of(kBlanks, pos)) != std::string::npos) {
        size_t end = s.find_first_of(kBlanks, pos);
        if (end == std::string::npos)
            end = s.size();
        words.push_back(s.substr(pos, end - pos));
        pos = end;
    }
    return words;
}

// Plain decimal digits only: "1e3", "-5", "100ms" are refused rather than
// read halfway, since the host would read them halfway with atoi.
bool ParseWhole(const std::string& text, int maxValue, int& value)
{
    if (text.empty() || text.size() > 9)
        return false;
    int v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
    }
    if (v > maxValue)
        return false;
    value = v;
    return true;
}

void Put16(std::vector<uint8_t>& out, uint32_t v)
{
    out.resize(out.size() + 2);
    WriteLE16(&out[out.size() - 2], v);
}

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    out.resize(out.size() + 4);
    WriteLE32(&out[out.size() - 4], v);
}

uint32_t Get16(const std::vector<uint8_t>& in, size_t at)
{
    return ReadLE16(&in[at]);
}

uint32_t Get32(const std::vector<uint8_t>& in, size_t at)
{
    return ReadLE32(&in[at]);
}

void PutInfoHeader(std::vector<uint8_t>& out, int width, int height, int bpp, uint32_t imageSize)
{
    Put32(out, 40);
    Put32(out, static_cast<uint32_t>(width));
    Put32(out, static_cast<uint32_t>(height));
    Put16(out, 1);
    Put16(out, static_cast<uint32_t>(bpp));
    Put32(out, 0);  // uncompressed
    Put32(out, imageSize);
    for (int i = 0; i < 4; ++i)
        Put32(out, 0);
}

bool IsClear(uint32_t pixel, bool useAlpha)
{
    if (useAlpha && (pixel >> 24) < 128)
        return true;
    return (pixel & 0x00FFFFFF) == PACK_KEY;
}

}  // namespace

std::string FormatProblem(const PackProblem& problem)
{
    if (problem.line > 0)
        return problem.file + ":" + std::to_string(problem.line) + ": " + problem.message;
    return problem.file + ": " + problem.message;
}

int PackCharacter::FrameTotal() const
{
    int total = 0;
    for (const PackCategory& category : categories)
        total += static_cast<int>(category.frames.size());
    return total;
}

std::vector<PackFrame> PackCharacter::AllFrames() const
{
    std::vector<PackFrame> all;
    for (const PackCategory& category : categories)
        all.insert(all.end(), category.frames.begin(), category.frames.end());
    return all;
}

// The lines of a text, a UTF-8 byte-order mark before them left out: split
// at each "\n", so that n line ends give n + 1 lines, the last maybe empty.
static std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t pos = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    for (;;) {
        size_t end = text.find('\n', pos);
        lines.push_back(text.substr(pos, end == std::string::npos ? std::string::npos : end - pos));
        if (end == std::string::npos)
            return lines;
        pos = end + 1;
    }
}

// character.ini is UTF-8 so that any editor writes it the same way; the host
// works in GBK, so the text is converted line by line, and a line that cannot
// be is reported where it is.
std::string IniToHostCodePage(const std::string& utf8, const std::string& fileName,
                              std::vector<PackProblem>& problems)
{
    std::string out;
    std::vector<std::string> lines = SplitLines(utf8);
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        int lineNo = static_cast<int>(i) + 1;
        std::string converted;
        if (!line.empty()) {
            int wide = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, line.data(), static_cast<int>(line.size()),
                                             nullptr, 0);
            std::wstring w(static_cast<size_t>(wide), L'\0');
            BOOL lost = FALSE;
            int n = 0;
            if (wide > 0) {
                ::MultiByteToWideChar(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), &w[0], wide);
                n = ::WideCharToMultiByte(kPackHostCodePage, WC_NO_BEST_FIT_CHARS, w.data(), wide, nullptr, 0, nullptr,
                                          &lost);
            }
            if (wide <= 0) {
                problems.push_back({fileName, lineNo, "not UTF-8 text; save character.ini as UTF-8"});
            } else if (lost || n <= 0) {
                problems.push_back({fileName, lineNo, "a character here has no GBK form, which the program needs"});
            } else {
                converted.resize(static_cast<size_t>(n));
                ::WideCharToMultiByte(kPackHostCodePage, 0, w.data(), wide, &converted[0], n, nullptr, nullptr);
            }
        }
        out += converted;
        if (i + 1 < lines.size())
            out += '\n';
    }
    return out;
}

PackCharacter ParseCharacterIni(const std::string& text, const std::string& fileName,
                                std::vector<PackProblem>& problems)
{
    PackCharacter character;
    auto problem = [&](int line, const std::string& message) { problems.push_back({fileName, line, message}); };

    // -1: before any section; 0..5 the categories; PACK_CATEGORIES: [character].
    const int kCharacter = PACK_CATEGORIES;
    int section = -1;
    bool sectionSeen[PACK_CATEGORIES + 1] = {};
    std::vector<std::string> keysSeen;
    bool nameSeen = false;

    std::vector<std::string> lines = SplitLines(text);
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string line = Trim(lines[i]);
        int lineNo = static_cast<int>(i) + 1;
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;

        if (line[0] == '[') {
            if (line.back() != ']') {
                problem(lineNo, "\"" + line + "\" is not a section header such as [down]");
                section = -2;
                continue;
            }
            std::string name = Lower(Trim(line.substr(1, line.size() - 2)));
            section = -2;
            if (name == "character")
                section = kCharacter;
            for (int k = 0; k < PACK_CATEGORIES; ++k)
                if (name == kPackCategorySections[k])
                    section = k;
            if (section == -2) {
                problem(lineNo, "unknown section [" + name +
                                    "]; the sections are [character], [down], [up], [left], [right], [rest] and [extra]");
                continue;
            }
            if (sectionSeen[section])
                problem(lineNo, "section [" + name + "] appears twice");
            sectionSeen[section] = true;
            keysSeen.clear();
            continue;
        }

        size_t eq = line.find('=');
        if (eq == std::string::npos) {
            problem(lineNo, "\"" + line + "\" is not a key=value line");
            continue;
        }
        std::string key = Lower(Trim(line.substr(0, eq)));
        std::string value = Trim(line.substr(eq + 1));
        if (section == -2)
            continue;  // already reported at the section header
        if (section == -1) {
            problem(lineNo, "\"" + key + "\" comes before any section; start with [character]");
            continue;
        }
        if (std::find(keysSeen.begin(), keysSeen.end(), key) != keysSeen.end()) {
            problem(lineNo, key + ": given twice in this section");
            continue;
        }
        keysSeen.push_back(key);

        if (section == kCharacter) {
            if (key == "name") {
                character.name = value;
                character.nameLine = lineNo;
                nameSeen = true;
            } else if (key == "prompt") {
                character.prompt = value;
                character.promptLine = lineNo;
            } else if (key == "period") {
                if (!ParseWhole(value, 600000, character.period) || character.period == 0)
                    problem(lineNo, "period: \"" + value + "\" is not a whole number of milliseconds from 1 to 600000");
            } else if (key == "step") {
                if (!ParseWhole(value, 1000, character.step))
                    problem(lineNo, "step: \"" + value + "\" is not a whole number of pixels from 0 to 1000");
            } else {
                problem(lineNo, "unknown key \"" + key + "\" in [character]; the keys are name, period, step and prompt");
            }
            continue;
        }

        PackCategory& category = character.categories[section];
        if (key == "frames") {
            for (const std::string& file : Words(value))
                category.frames.push_back({file, lineNo});
        } else if (key == "period") {
            if (!ParseWhole(value, 600000, category.period) || category.period == 0) {
                category.period = -1;
                problem(lineNo, "period: \"" + value + "\" is not a whole number of milliseconds from 1 to 600000");
            }
        } else {
            problem(lineNo, "unknown key \"" + key + "\" in [" + kPackCategorySections[section] +
                                "]; the keys are frames and period");
        }
    }

    if (!sectionSeen[kCharacter])
        problem(0, "no [character] section; it gives the name");
    else if (!nameSeen)
        problem(0, "[character] has no name=");
    return character;
}

void ValidateCharacter(const PackCharacter& character, const std::string& fileName,
                       std::vector<PackProblem>& problems)
{
    // The program reads the texts only up to a NUL: a name with one would
    // cut the configuration string there, and the character would load with
    // no frames at all.
    if (character.nameLine > 0 && character.name.find('\0') != std::string::npos)
        problems.push_back({fileName, character.nameLine, "name: holds a NUL character, which would end the text there"});
    if (character.promptLine > 0 && character.prompt.find('\0') != std::string::npos)
        problems.push_back(
            {fileName, character.promptLine, "prompt: holds a NUL character, which would end the text there"});
    if (character.nameLine > 0) {
        if (character.name.empty())
            problems.push_back({fileName, character.nameLine, "name: the name is empty"});
        else if (character.name.find('_') != std::string::npos)
            problems.push_back({fileName, character.nameLine,
                                "name: \"" + character.name + "\" contains \"_\", which ends fields of the configuration"});
    }

    std::vector<PackFrame> all = character.AllFrames();
    if (all.size() > PACK_MAX_FRAMES) {
        const PackFrame& first = all[PACK_MAX_FRAMES];
        problems.push_back({fileName, first.line,
                            "frame " + std::to_string(PACK_MAX_FRAMES + 1) + " (" + first.file + "): " +
                                std::to_string(all.size()) + " frames in all; a character has at most " +
                                std::to_string(PACK_MAX_FRAMES)});
    }
    bool shown = false;
    for (int k = 0; k < 5; ++k)
        shown = shown || !character.categories[k].frames.empty();
    if (!shown)
        problems.push_back({fileName, 0, "no frame in [down], [up], [left], [right] or [rest]; the doll needs at least one"});
}

std::string BuildConfigString(const std::string& hostName, const PackCharacter& character)
{
    std::string config = hostName + "_" + std::to_string(character.period) + "_" + std::to_string(character.step) + "_";
    for (const PackCategory& category : character.categories)
        config += std::to_string(category.frames.size()) + "_";
    for (const PackCategory& category : character.categories)
        config += std::to_string(category.period >= 0 ? category.period : character.period) + "_";
    return config;
}

std::vector<uint8_t> FrameBitmap(const PackImage& image, bool useAlpha)
{
    const int stride = (image.width * 3 + 3) & ~3;
    std::vector<uint8_t> out;
    out.reserve(40 + static_cast<size_t>(stride) * image.height);
    PutInfoHeader(out, image.width, image.height, 24, static_cast<uint32_t>(stride * image.height));
    for (int y = image.height - 1; y >= 0; --y) {
        const uint32_t* row = &image.pixels[static_cast<size_t>(y) * image.width];
        for (int x = 0; x < image.width; ++x) {
            uint32_t p = IsClear(row[x], useAlpha) ? PACK_KEY : row[x];
            out.push_back(static_cast<uint8_t>(p));
            out.push_back(static_cast<uint8_t>(p >> 8));
            out.push_back(static_cast<uint8_t>(p >> 16));
        }
        for (int pad = image.width * 3; pad < stride; ++pad)
            out.push_back(0);
    }
    return out;
}

std::string SplitIconFile(const std::vector<uint8_t>& file, bool cursor, uint16_t firstId, PackIconResources& out)
{
    const char* kind = cursor ? "cursor" : "icon";
    if (file.size() < 6 || Get16(file, 0) != 0 || Get16(file, 2) != (cursor ? 2u : 1u))
        return cursor ? "not a cursor (.cur) file" : "not an icon (.ico) file";
    uint32_t count = Get16(file, 4);
    if (count == 0)
        return std::string("the ") + kind + " file holds no image";
    if (6 + 16 * static_cast<size_t>(count) > file.size())
        return std::string("the ") + kind + " file is cut short";
    // Resource ids are 16 bits and never 0.
    if (firstId == 0 || firstId + count - 1 > 0xFFFF)
        return std::string("the ") + kind + " file holds " + std::to_string(count) +
               " images, more than resource ids remain";

    out.images.clear();
    out.group.clear();
    Put16(out.group, 0);
    Put16(out.group, cursor ? 2 : 1);
    Put16(out.group, count);
    for (uint32_t i = 0; i < count; ++i) {
        size_t entry = 6 + 16 * static_cast<size_t>(i);
        uint32_t width = file[entry] ? file[entry] : 256;
        uint32_t height = file[entry + 1] ? file[entry + 1] : 256;
        uint32_t size = Get32(file, entry + 8);
        uint32_t offset = Get32(file, entry + 12);
        if (offset > file.size() || size > file.size() - offset || size < 40)
            return std::string("image ") + std::to_string(i + 1) + " of the " + kind + " file lies outside the file";
        std::vector<uint8_t> image(file.begin() + offset, file.begin() + offset + size);
        uint32_t planes = 1, bpp = 32;
        bool png = memcmp(image.data(), "\x89PNG\r\n\x1A\n", 8) == 0;
        if (!png) {
            if (Get32(image, 0) < 40)
                return std::string("image ") + std::to_string(i + 1) + " of the " + kind + " file is not a bitmap";
            planes = Get16(image, 12);
            bpp = Get16(image, 14);
            // The header's height counts the colour bitmap and the mask.
            height = Get32(image, 8) / 2;
        }
        uint16_t id = static_cast<uint16_t>(firstId + i);
        if (cursor) {
            // The directory entry's planes and bit count are the hot spot.
            std::vector<uint8_t> data;
            Put16(data, Get16(file, entry + 4));
            Put16(data, Get16(file, entry + 6));
            data.insert(data.end(), image.begin(), image.end());
            Put16(out.group, width);
            Put16(out.group, png ? height : height * 2);
            Put16(out.group, planes);
            Put16(out.group, bpp);
            Put32(out.group, static_cast<uint32_t>(data.size()));
            Put16(out.group, id);
            out.images.push_back(std::move(data));
        } else {
            out.group.push_back(static_cast<uint8_t>(width));
            out.group.push_back(static_cast<uint8_t>(height));
            out.group.push_back(file[entry + 2]);
            out.group.push_back(0);
            Put16(out.group, planes);
            Put16(out.group, bpp);
            Put32(out.group, size);
            Put16(out.group, id);
            out.images.push_back(std::move(image));
        }
    }
    return std::string();
}

std::vector<uint8_t> IconFromImage(const PackImage& image, bool useAlpha, const std::vector<int>& sizes)
{
    std::vector<std::vector<uint8_t>> images;
    const int longest = std::max(image.width, image.height);
    for (int s : sizes) {
        const int dw = std::max(1, image.width * s / longest);
        const int dh = std::max(1, image.height * s / longest);
        const int ox = (s - dw) / 2, oy = (s - dh) / 2;
        const int maskStride = ((s + 31) / 32) * 4;
        std::vector<uint8_t> colour, mask(static_cast<size_t>(maskStride) * s, 0);
        for (int y = s - 1; y >= 0; --y) {
            const int row = s - 1 - y;  // bottom-up index of this row
            for (int x = 0; x < s; ++x) {
                bool clear = true;
                uint32_t p = 0;
                if (x >= ox && x < ox + dw && y >= oy && y < oy + dh) {
                    int sx = (x - ox) * image.width / dw, sy = (y - oy) * image.height / dh;
                    p = image.pixels[static_cast<size_t>(sy) * image.width + sx];
                    clear = IsClear(p, useAlpha);
                }
                uint32_t bgra = clear ? 0 : (p | 0xFF000000u);
                Put32(colour, bgra);
                if (clear)
                    mask[static_cast<size_t>(row) * maskStride + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
            }
        }
        std::vector<uint8_t> dib;
        PutInfoHeader(dib, s, 2 * s, 32, static_cast<uint32_t>(colour.size() + mask.size()));
        dib.insert(dib.end(), colour.begin(), colour.end());
        dib.insert(dib.end(), mask.begin(), mask.end());
        images.push_back(std::move(dib));
    }

    std::vector<uint8_t> file;
    Put16(file, 0);
    Put16(file, 1);
    Put16(file, static_cast<uint32_t>(images.size()));
    uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        int s = sizes[i];
        file.push_back(static_cast<uint8_t>(s >= 256 ? 0 : s));
        file.push_back(static_cast<uint8_t>(s >= 256 ? 0 : s));
        file.push_back(0);
        file.push_back(0);
        Put16(file, 1);
        Put16(file, 32);
        Put32(file, static_cast<uint32_t>(images[i].size()));
        Put32(file, offset);
        offset += static_cast<uint32_t>(images[i].size());
    }
    for (const std::vector<uint8_t>& img : images)
        file.insert(file.end(), img.begin(), img.end());
    return file;
}
