#include <windows.h>
#include <wincodec.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "plugins/kit/KelmoraCharacter.h"
#include "plugins/pack/pack.h"
#include "plugins/pack/packres.h"
#include "plugins/template/template.h"

// kelmora-pack FOLDER OUT.dll: turns a folder of images and a character.ini
// into a character plug-in, a copy of kelmora-template.dll with resources.

namespace {

const char kIni[] = "character.ini";
const WORD kNeutral = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);

class CComInit {
public:
    CComInit() : m_hr(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    CComInit(const CComInit&) = delete;
    CComInit& operator=(const CComInit&) = delete;
    ~CComInit()
    {
        if (SUCCEEDED(m_hr))
            ::CoUninitialize();
    }

private:
    HRESULT m_hr;
};

template <class T>
class CComPtr {
public:
    CComPtr() = default;
    CComPtr(const CComPtr&) = delete;
    CComPtr& operator=(const CComPtr&) = delete;
    ~CComPtr()
    {
        if (m_p)
            m_p->Release();
    }
    T** operator&() { return &m_p; }
    T* operator->() const { return m_p; }
    T* Get() const { return m_p; }

private:
    T* m_p = nullptr;
};

std::string SystemText(DWORD code)
{
    char* text = nullptr;
    ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                     code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string s = text ? text : "error " + std::to_string(code);
    if (text)
        ::LocalFree(text);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' '))
        s.pop_back();
    return s;
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes)
{
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size = {};
    bool ok = ::GetFileSizeEx(file, &size) && size.QuadPart < (64 << 20);
    if (ok) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        ok = bytes.empty() || (::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) &&
                               read == bytes.size());
    }
    ::CloseHandle(file);
    return ok;
}

bool IsFile(const std::string& path)
{
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool EndsWithNoCase(const std::string& s, const char* suffix)
{
    size_t n = strlen(suffix);
    return s.size() >= n && _stricmp(s.c_str() + s.size() - n, suffix) == 0;
}

// Any format the imaging component reads, as 32-bit BGRA; no display needed.
std::string DecodeImage(IWICImagingFactory* factory, const std::string& path, PackImage& image)
{
    int wide = ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    std::wstring wpath(static_cast<size_t>(wide), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, &wpath[0], wide);

    CComPtr<IWICBitmapDecoder> decoder;
    CComPtr<IWICBitmapFrameDecode> frame;
    CComPtr<IWICFormatConverter> converter;
    HRESULT hr = factory->CreateDecoderFromFilename(wpath.c_str(), nullptr, GENERIC_READ,
                                                    WICDecodeMetadataCacheOnDemand, &decoder);
    if (SUCCEEDED(hr))
        hr = decoder->GetFrame(0, &frame);
    if (SUCCEEDED(hr))
        hr = factory->CreateFormatConverter(&converter);
    if (SUCCEEDED(hr))
        hr = converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom);
    UINT w = 0, h = 0;
    if (SUCCEEDED(hr))
        hr = converter->GetSize(&w, &h);
    if (FAILED(hr)) {
        char code[16];
        snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
        return std::string("not a readable image (") + code + ")";
    }
    if (w == 0 || h == 0 || w > PACK_MAX_FRAME_SIDE || h > PACK_MAX_FRAME_SIDE)
        return std::to_string(w) + "x" + std::to_string(h) + " pixels; a frame is 1 to " +
               std::to_string(PACK_MAX_FRAME_SIDE) + " pixels on each side";
    image.width = static_cast<int>(w);
    image.height = static_cast<int>(h);
    image.pixels.assign(static_cast<size_t>(w) * h, 0);
    hr = converter->CopyPixels(nullptr, w * 4, w * h * 4, reinterpret_cast<BYTE*>(image.pixels.data()));
    if (FAILED(hr))
        return "not a readable image (the pixels could not be read)";
    return std::string();
}

struct Resource {
    LPCSTR type;
    WORD id;
    std::vector<uint8_t> data;
};

void AddIconResources(std::vector<Resource>& resources, const PackIconResources& icon, bool cursor, WORD groupId,
                      uint16_t firstId)
{
    LPCSTR imageType = cursor ? RT_CURSOR : RT_ICON;
    for (size_t i = 0; i < icon.images.size(); ++i)
        resources.push_back({imageType, static_cast<WORD>(firstId + i), icon.images[i]});
    resources.push_back({cursor ? RT_GROUP_CURSOR : RT_GROUP_ICON, groupId, icon.group});
}

std::vector<uint8_t> DefaultCursorFile()
{
    HMODULE self = ::GetModuleHandleA(nullptr);
    HRSRC info = ::FindResourceA(self, MAKEINTRESOURCEA(IDR_DEFAULT_CURSOR), RT_RCDATA);
    HGLOBAL data = info ? ::LoadResource(self, info) : nullptr;
    const uint8_t* bytes = data ? static_cast<const uint8_t*>(::LockResource(data)) : nullptr;
    if (!bytes)
        return std::vector<uint8_t>();
    return std::vector<uint8_t>(bytes, bytes + ::SizeofResource(self, info));
}

std::string Directory(const std::string& path)
{
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".\\") : path.substr(0, slash + 1);
}

// Everything is checked before the output is touched; the output appears
// only complete, by renaming a finished file in its own folder.
std::string WritePlugin(const std::string& templatePath, const std::string& outPath,
                        const std::vector<Resource>& resources)
{
    char full[MAX_PATH];
    if (!::GetFullPathNameA(outPath.c_str(), MAX_PATH, full, nullptr))
        return outPath + ": " + SystemText(::GetLastError());
    char temp[MAX_PATH];
    if (!::GetTempFileNameA(Directory(full).c_str(), "kpk", 0, temp))
        return Directory(full) + ": " + SystemText(::GetLastError());

    std::string error;
    if (!::CopyFileA(templatePath.c_str(), temp, FALSE)) {
        error = templatePath + ": " + SystemText(::GetLastError());
    } else if (HANDLE update = ::BeginUpdateResourceA(temp, FALSE)) {
        for (const Resource& r : resources) {
            if (!::UpdateResourceA(update, r.type, MAKEINTRESOURCEA(r.id), kNeutral,
                                   const_cast<uint8_t*>(r.data.data()), static_cast<DWORD>(r.data.size()))) {
                error = "adding resource " + std::to_string(r.id) + ": " + SystemText(::GetLastError());
                break;
            }
        }
        if (!::EndUpdateResourceA(update, error.empty() ? FALSE : TRUE) && error.empty())
            error = "writing resources: " + SystemText(::GetLastError());
    } else {
        error = std::string(temp) + ": " + SystemText(::GetLastError());
    }
    if (error.empty() && !::MoveFileExA(temp, full, MOVEFILE_REPLACE_EXISTING))
        error = std::string(full) + ": " + SystemText(::GetLastError());
    if (!error.empty())
        ::DeleteFileA(temp);
    return error;
}

int Report(const std::vector<PackProblem>& problems)
{
    for (const PackProblem& p : problems)
        fprintf(stderr, "%s\n", FormatProblem(p).c_str());
    fprintf(stderr, "kelmora-pack: %d problem%s, nothing written\n", static_cast<int>(problems.size()),
            problems.size() == 1 ? "" : "s");
    return 1;
}

int Pack(const std::string& folderArg, const std::string& outPath)
{
    std::string folder = folderArg;
    if (folder.empty() || (folder.back() != '\\' && folder.back() != '/'))
        folder += '\\';

    std::vector<PackProblem> problems;
    std::vector<uint8_t> iniBytes;
    if (!ReadWholeFile(folder + kIni, iniBytes)) {
        problems.push_back({folder + kIni, 0, SystemText(::GetLastError())});
        return Report(problems);
    }
    std::string text = IniToHostCodePage(std::string(iniBytes.begin(), iniBytes.end()), kIni, problems);
    PackCharacter character = ParseCharacterIni(text, kIni, problems);
    ValidateCharacter(character, kIni, problems);

    CComInit com;
    CComPtr<IWICImagingFactory> factory;
    HRESULT hr = ::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                    reinterpret_cast<void**>(&factory));
    if (FAILED(hr)) {
        problems.push_back({"kelmora-pack", 0, "the imaging component is not available"});
        return Report(problems);
    }

    std::vector<Resource> resources;
    std::vector<PackFrame> frames = character.AllFrames();
    PackImage firstImage;
    bool firstUsesAlpha = false;
    for (size_t i = 0; i < frames.size() && i < PACK_MAX_FRAMES; ++i) {
        const PackFrame& frame = frames[i];
        std::string path = folder + frame.file;
        PackImage image;
        std::string error;
        if (!IsFile(path))
            error = "no such file in the folder";
        else
            error = DecodeImage(factory.Get(), path, image);
        if (!error.empty()) {
            problems.push_back({kIni, frame.line, frame.file + ": " + error});
            continue;
        }
        // BMP files carry no usable transparency: magenta is the only key.
        bool useAlpha = !EndsWithNoCase(frame.file, ".bmp");
        if (i == 0) {
            firstImage = image;
            firstUsesAlpha = useAlpha;
        }
        resources.push_back({RT_BITMAP, static_cast<WORD>(KELMORA_FRAME_FIRST + i), FrameBitmap(image, useAlpha)});
    }

    struct IconSource {
        const char* file;
        bool cursor;
        WORD groupId;
    };
    const IconSource icons[] = {
        {"cursor.cur", true, KELMORA_CURSOR},
        {"icon.ico", false, KELMORA_ICON},
        {"small.ico", false, KELMORA_SMALL_ICON},
    };
    // The images of both icon files are RT_ICON resources: numbered on from
    // the last file's, however many each holds, no two share an id.
    uint16_t nextId[2] = {1, 1};
    for (const IconSource& source : icons) {
        std::vector<uint8_t> bytes;
        if (IsFile(folder + source.file)) {
            if (!ReadWholeFile(folder + source.file, bytes)) {
                problems.push_back({source.file, 0, SystemText(::GetLastError())});
                continue;
            }
        } else if (source.cursor) {
            bytes = DefaultCursorFile();
        } else if (firstImage.width > 0) {
            bytes = IconFromImage(firstImage, firstUsesAlpha, {16, 32});
        } else {
            continue;  // no frame decoded: already reported
        }
        PackIconResources split;
        uint16_t& firstId = nextId[source.cursor ? 1 : 0];
        std::string error = SplitIconFile(bytes, source.cursor, firstId, split);
        if (!error.empty()) {
            problems.push_back({source.file, 0, error});
            continue;
        }
        AddIconResources(resources, split, source.cursor, source.groupId, firstId);
        firstId = static_cast<uint16_t>(firstId + split.images.size());
    }

    if (!problems.empty())
        return Report(problems);

    std::string config = BuildConfigString(character.name, character);
    resources.push_back({RT_RCDATA, IDR_PACK_CONFIG, std::vector<uint8_t>(config.begin(), config.end())});
    // Without prompt= the character asks what the program asks for a
    // plug-in without a prompt, rather than showing an empty box.
    std::string prompt = character.prompt.empty() ? std::string(KELMORA_DEFAULT_PROMPT) : character.prompt;
    resources.push_back({RT_RCDATA, IDR_PACK_PROMPT, std::vector<uint8_t>(prompt.begin(), prompt.end())});

    char self[MAX_PATH];
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string templatePath = Directory(self) + "kelmora-template.dll";
    if (!IsFile(templatePath)) {
        fprintf(stderr, "%s: missing; it is installed beside kelmora-pack.exe\nkelmora-pack: nothing written\n",
                templatePath.c_str());
        return 1;
    }
    std::string error = WritePlugin(templatePath, outPath, resources);
    if (!error.empty()) {
        fprintf(stderr, "%s\nkelmora-pack: nothing written\n", error.c_str());
        return 1;
    }
    printf("kelmora-pack: wrote %s (%s, %d frames)\n", outPath.c_str(), character.name.c_str(),
           character.FrameTotal());
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        fprintf(stderr,
                "usage: kelmora-pack FOLDER OUT.dll\n"
                "  FOLDER holds character.ini and the frame images; OUT.dll is the character,\n"
                "  to be copied into the imagedlls folder beside Kelmora.exe.\n"
                "  A quoted folder must not end in a backslash: \"C:\\chars\\pen\\\" escapes the quote.\n");
        return 2;
    }
    return Pack(argv[1], argv[2]);
}
