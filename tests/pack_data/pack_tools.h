#pragma once
#include <windows.h>
#include <wincodec.h>

#include <stdint.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/CString.h"
#include "harness/Harness.h"
#include "harness/Pixels.h"
#include "plugins/kit/KelmoraCharacter.h"

// What the pack tests share: running kelmora-pack, calling a plug-in's
// exports the way the program does, and reading image files through the
// imaging component, independently of the bitmaps the packer wrote.
namespace packtools {

// The program finds the export by name and calls it with no object, giving
// only the storage of the returned string; false when the export is absent.
inline bool CallExport(HMODULE module, const char* name, CString& result)
{
    using Export = CString (*)();
    FARPROC address = ::GetProcAddress(module, name);
    if (!address)
        return false;
    result = reinterpret_cast<Export>(reinterpret_cast<void*>(address))();
    return true;
}

// What plugins/example-penguin/character.ini says, as the program reads it.
const char kExampleConfig[] = "企鹅_100_2_2_2_2_2_4_0_180_180_160_160_400_100_";
const char kExamplePrompt[] = "企鹅帮你搜什么？";

inline std::string PackerPath() { return harness::DistDir() + "kelmora-pack.exe"; }
inline std::string ExampleDir() { return harness::SourceDir() + "plugins\\example-penguin\\"; }

// Runs the packer (the dist's unless another is named); its exit code, and
// what it printed in output.
inline DWORD RunPacker(const std::string& folder, const std::string& out, std::string& output,
                       const std::string& packer = PackerPath())
{
    harness::TempDir logDir;
    std::string log = logDir / "out.txt";
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    HANDLE file = ::CreateFileA(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = file;
    si.hStdError = file;
    si.hStdInput = nullptr;
    // A backslash before the closing quote would escape it.
    std::string dir = folder;
    if (!dir.empty() && dir.back() == '\\')
        dir.pop_back();
    std::string cmd = "\"" + packer + "\" \"" + dir + "\" \"" + out + "\"";
    PROCESS_INFORMATION pi = {};
    DWORD code = 0xDEAD;
    if (::CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi)) {
        ::WaitForSingleObject(pi.hProcess, 60000);
        ::GetExitCodeProcess(pi.hProcess, &code);
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
    }
    ::CloseHandle(file);
    output = harness::ReadFile(log);
    return code;
}

// A 24-bit BMP file whose pixel (x, y), top row first, is pixel(x, y) as
// 0x00RRGGBB.
inline std::string Bitmap24(int width, int height, const std::function<uint32_t(int, int)>& pixel)
{
    int stride = (width * 3 + 3) & ~3;
    std::string bmp(54 + static_cast<size_t>(stride) * height, '\0');
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bmp[at + i] = static_cast<char>(v >> (8 * i));
    };
    bmp[0] = 'B';
    bmp[1] = 'M';
    put32(2, static_cast<uint32_t>(bmp.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(width));
    put32(22, static_cast<uint32_t>(height));
    bmp[26] = 1;
    bmp[28] = 24;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint32_t c = pixel(x, y);
            size_t at = 54 + static_cast<size_t>(height - 1 - y) * stride + 3 * x;
            bmp[at] = static_cast<char>(c);
            bmp[at + 1] = static_cast<char>(c >> 8);
            bmp[at + 2] = static_cast<char>(c >> 16);
        }
    }
    return bmp;
}

// An image file decoded by the imaging component on its own, with the
// transparency rule of character folders: under half opacity is magenta.
inline harness::Image FileImage(const std::string& path)
{
    harness::Image image;
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IWICImagingFactory* factory = nullptr;
    IWICBitmapDecoder* decoder = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    IWICFormatConverter* converter = nullptr;
    std::wstring wpath(path.begin(), path.end());
    UINT w = 0, h = 0;
    if (SUCCEEDED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                     reinterpret_cast<void**>(&factory))) &&
        SUCCEEDED(factory->CreateDecoderFromFilename(wpath.c_str(), nullptr, GENERIC_READ,
                                                     WICDecodeMetadataCacheOnDemand, &decoder)) &&
        SUCCEEDED(decoder->GetFrame(0, &frame)) && SUCCEEDED(factory->CreateFormatConverter(&converter)) &&
        SUCCEEDED(converter->Initialize(frame, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                        WICBitmapPaletteTypeCustom)) &&
        SUCCEEDED(converter->GetSize(&w, &h))) {
        std::vector<uint32_t> pixels(static_cast<size_t>(w) * h);
        if (SUCCEEDED(converter->CopyPixels(nullptr, w * 4, w * h * 4, reinterpret_cast<BYTE*>(pixels.data())))) {
            for (uint32_t& p : pixels)
                p = (p >> 24) < 128 ? harness::kClear : (p & 0x00FFFFFF);
            image.width = static_cast<int>(w);
            image.height = static_cast<int>(h);
            image.pixels.swap(pixels);
        }
    }
    for (IUnknown* u : {static_cast<IUnknown*>(converter), static_cast<IUnknown*>(frame),
                        static_cast<IUnknown*>(decoder), static_cast<IUnknown*>(factory)})
        if (u)
            u->Release();
    ::CoUninitialize();
    return image;
}

// Files of a folder, "." and ".." left out.
inline std::vector<std::string> FolderFiles(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE find = ::FindFirstFileA((folder + "*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (strcmp(fd.cFileName, ".") != 0 && strcmp(fd.cFileName, "..") != 0)
            names.push_back(fd.cFileName);
    } while (::FindNextFileA(find, &fd));
    ::FindClose(find);
    return names;
}

// The example character's frames in resource order, KELMORA_FRAME_FIRST + i.
inline std::vector<std::string> ExampleFrames()
{
    return {"down0.png", "down1.png", "up0.png",   "up1.png",   "left0.png", "left1.png",
            "right0.png", "right1.png", "rest0.png", "rest0.png", "rest0.png", "rest1.png"};
}

}  // namespace packtools
