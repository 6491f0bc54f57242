#include "character/Character.h"

#include <stdlib.h>
#include <string.h>

#include <utility>

#include "character/config.h"
#include "character/pixels.h"
#include "framework/App.h"
#include "framework/Dpi.h"
#include "framework/File.h"
#include "framework/Gdi.h"
#include "framework/LittleEndian.h"
#include "framework/Text.h"
#include "res/resource.h"

// The slot's region data becomes the region's, which is deleted. Data that
// could not be fetched is no region, not garbage.
static void StoreRegion(FrameSlot& frame, HRGN hRgn)
{
    free(frame.rgnData);
    frame.rgnData = nullptr;
    frame.rgnSize = hRgn ? ::GetRegionData(hRgn, 0, nullptr) : 0;
    if (frame.rgnSize) {
        frame.rgnData = static_cast<unsigned char*>(malloc(frame.rgnSize));
        if (!frame.rgnData || ::GetRegionData(hRgn, frame.rgnSize, reinterpret_cast<RGNDATA*>(frame.rgnData)) !=
                                  frame.rgnSize) {
            free(frame.rgnData);
            frame.rgnData = nullptr;
            frame.rgnSize = 0;
        }
    }
    if (hRgn)
        ::DeleteObject(hRgn);
}

CCharacter::CCharacter()
    : m_baseInterval(KELMORA_DEFAULT_BASE_PERIOD), m_moveStep(0), m_curFrame(-1), m_hCharCursor(nullptr),
      m_hCharIcon(nullptr), m_hCharSmallIcon(nullptr), m_frameWidth(0), m_frameHeight(0), m_hOwner(nullptr),
      m_dpi(DESIGN_DPI), m_shown(m_frames)
{
    memset(m_frameCount, 0, sizeof m_frameCount);
    memset(m_frameInterval, 0, sizeof m_frameInterval);
    memset(m_framePos, 0, sizeof m_framePos);
}

// Everything is read and judged before anything of the current character is
// released, so that a plug-in that has nothing to show is refused whole and
// the doll keeps what it had.
int CCharacter::LoadCharacter(const char* path, bool* pShown)
{
    if (pShown)
        *pShown = false;
    CPluginModule dll(path);
    if (!dll)
        return 1;

    CString prompt;
    if (!CallStringExport(dll, KELMORA_PROMPT_EXPORT, &prompt))
        prompt = KELMORA_DEFAULT_PROMPT;
    CString text;
    CharacterConfig config = CallStringExport(dll, KELMORA_CONFIG_EXPORT, &text)
        ? ParseCharacterConfig(text)
        : DefaultCharacterConfig();
    NormalizeCharacterConfig(&config, FRAME_SLOTS);
    if (!HasShownFrames(config.frameCount))
        return 1;

    // The new frames are loaded while the current ones are set aside: a
    // character none of whose shown frames loads (each failure has had its
    // message box) has nothing to show either, and the doll keeps its own.
    FrameSlot current[FRAME_SLOTS];
    for (int i = 0; i < FRAME_SLOTS; ++i)
        current[i].Swap(m_frames[i]);
    int currentWidth = m_frameWidth, currentHeight = m_frameHeight;
    int total = TotalFrames(config.frameCount);
    for (int i = 0; i < total; ++i)
        LoadFrame(dll, static_cast<UINT>(KELMORA_FRAME_FIRST + i), i);
    bool anyShown = false;
    for (int i = 0; i < total - config.frameCount[CONFIG_CATEGORIES - 1]; ++i)
        anyShown = anyShown || m_frames[i].dib != nullptr;
    if (!anyShown) {
        for (int i = 0; i < FRAME_SLOTS; ++i)
            current[i].Swap(m_frames[i]);
        m_frameWidth = currentWidth;
        m_frameHeight = currentHeight;
        return 1;
    }
    // The frame table is new: the next selection shapes and paints the
    // window even if it picks the slot number shown before.
    m_curFrame = -1;
    ForgetScales();

    m_searchPrompt = prompt;
    m_charName = config.name;
    m_baseInterval = config.baseInterval;
    m_moveStep = config.moveStep;
    memcpy(m_frameCount, config.frameCount, sizeof m_frameCount);
    memcpy(m_frameInterval, config.frameInterval, sizeof m_frameInterval);

    // Copies, not the loaded handles: they must outlive the DLL. The icons
    // are for the notification area and the search box, at the system's
    // DPI; the cursor is for the doll, at its own.
    int small = MetricForDpi(SM_CXSMICON, SystemDpi());
    HCURSOR hCursor = LoadCursorForDpi(dll, m_dpi);
    HICON hIcon = static_cast<HICON>(CopyModuleImage(dll, KELMORA_ICON, IMAGE_ICON, small, small));
    HICON hSmallIcon = static_cast<HICON>(CopyModuleImage(dll, KELMORA_SMALL_ICON, IMAGE_ICON, small, small));
    AdoptHandles(hCursor, hIcon, hSmallIcon);

    m_charModulePath = path;
    SetDpi(m_dpi);
    if (pShown)
        *pShown = true;
    return 1;
}

// The character's cursor and icons from now on, owned by m_charHandles.
void CCharacter::AdoptHandles(HCURSOR hCursor, HICON hIcon, HICON hSmallIcon)
{
    m_hCharCursor = hCursor;
    m_hCharIcon = hIcon;
    m_hCharSmallIcon = hSmallIcon;
    m_charHandles.Adopt(hCursor, hIcon, hSmallIcon);
}

// The prompt belongs to the character on the screen: none for the built-in
// one, and never one of a plug-in that was refused.
void CCharacter::ReloadSearchPrompt()
{
    if (m_charModulePath.IsEmpty() || !FileExists(m_charModulePath))
        return;
    CPluginModule dll(m_charModulePath);
    CString prompt;
    if (dll && CallStringExport(dll, KELMORA_PROMPT_EXPORT, &prompt))
        m_searchPrompt = prompt;
}

// The character of the program's own resources, used when no plug-in is
// selected or found: the numbers of a character without a configuration,
// with a name, and every category played at the base period.
void CCharacter::LoadBuiltInCharacter()
{
    static const int kCounts[CATEGORY_COUNT] = { KELMORA_DEFAULT_COUNTS };
    m_baseInterval = KELMORA_DEFAULT_BASE_PERIOD;
    m_moveStep = KELMORA_DEFAULT_STEP;
    m_charName = " 车 ";
    for (int k = 0; k < CATEGORY_COUNT; ++k) {
        m_frameCount[k] = kCounts[k];
        m_frameInterval[k] = m_baseInterval;
    }
    HINSTANCE hInstance = AfxGetInstanceHandle();
    ForgetScales();
    int total = TotalFrames(m_frameCount);
    for (int i = 0; i < total; ++i)
        LoadFrame(hInstance, IDB_FRAME_FIRST + i, i);
    // The tray icon at the standard icon size and the box's at the small
    // one, both of the system's DPI; the cursor at the doll's.
    UINT systemDpi = SystemDpi();
    int large = MetricForDpi(SM_CXICON, systemDpi), small = MetricForDpi(SM_CXSMICON, systemDpi);
    HCURSOR hCursor = LoadCursorForDpi(hInstance, m_dpi);
    HICON hIcon = static_cast<HICON>(::LoadImageA(hInstance, MAKEINTRESOURCEA(IDI_CHAR), IMAGE_ICON, large, large, 0));
    HICON hSmallIcon =
        static_cast<HICON>(::LoadImageA(hInstance, MAKEINTRESOURCEA(IDI_CHAR_SMALL), IMAGE_ICON, small, small, 0));
    AdoptHandles(hCursor, hIcon, hSmallIcon);
    m_charModulePath.Empty();
    SetDpi(m_dpi);
}

// The cursor's size follows the DPI; the module is the program's own for the
// built-in character, which keeps its resources loaded, else the plug-in's,
// whose cursor is copied to outlive it.
HCURSOR CCharacter::LoadCursorForDpi(HMODULE hModule, UINT dpi) const
{
    int size = MetricForDpi(SM_CXCURSOR, dpi);
    if (hModule == AfxGetInstanceHandle())
        return static_cast<HCURSOR>(
            ::LoadImageA(hModule, MAKEINTRESOURCEA(IDCUR_CHAR), IMAGE_CURSOR, size, size, 0));
    return static_cast<HCURSOR>(CopyModuleImage(hModule, KELMORA_CURSOR, IMAGE_CURSOR, size, size));
}

void CCharacter::SetDpi(UINT dpi)
{
    if (dpi == 0)
        dpi = DESIGN_DPI;
    if (dpi != m_dpi) {
        HCURSOR hCursor = nullptr;
        if (m_charModulePath.IsEmpty()) {
            if (m_hCharCursor)
                hCursor = LoadCursorForDpi(AfxGetInstanceHandle(), dpi);
        } else {
            CPluginModule dll(m_charModulePath);
            hCursor = dll ? LoadCursorForDpi(dll, dpi) : nullptr;
        }
        // A cursor that cannot be had at the new size keeps its old one.
        if (hCursor) {
            m_hCharCursor = hCursor;
            m_charHandles.AdoptCursor(hCursor);
        }
    }
    m_dpi = dpi;
    m_shown = m_frames;
    if (dpi != DESIGN_DPI) {
        Scale* scale = nullptr;
        for (const std::unique_ptr<Scale>& s : m_scales)
            if (s->dpi == dpi)
                scale = s.get();
        if (!scale) {
            m_scales.emplace_back(new Scale);
            scale = m_scales.back().get();
            scale->dpi = dpi;
            MakeScale(*scale);
        }
        m_shown = scale->frames;
    }
    SetShownSize();
}

void CCharacter::ForgetScales()
{
    m_scales.clear();
    m_shown = m_frames;
}

// Each frame enlarged by nearest neighbour, and its shape cut from the
// enlarged picture as the loaded one's is from the bitmap: picture and shape
// agree pixel for pixel. A frame that cannot be enlarged (no memory) stays
// empty there.
void CCharacter::MakeScale(Scale& scale) const
{
    for (int i = 0; i < FRAME_SLOTS; ++i) {
        const unsigned char* dib = m_frames[i].dib;
        if (!dib)
            continue;
        int width = 0, height = 0;
        FrameImageDimensions(dib, &width, &height);
        width = ScaledLength(width, scale.dpi);
        height = ScaledLength(height, scale.dpi);
        size_t imageBytes = 0, regionBytes = 0;
        if (!FrameImageSize(width, height, &imageBytes) || !RegionBufferSize(width, height, &regionBytes))
            continue;
        unsigned char* image = static_cast<unsigned char*>(malloc(imageBytes));
        unsigned char* buffer = static_cast<unsigned char*>(malloc(regionBytes));
        DWORD* row = static_cast<DWORD*>(malloc(4 * static_cast<size_t>(width)));
        if (image && buffer && row) {
            EnlargeFrameImage(dib, width, height, image);
            RECT* rects = reinterpret_cast<RECT*>(buffer + sizeof(RGNDATAHEADER));
            DWORD n = 0;
            for (int y = 0; y < height; ++y) {
                FrameImageRow(image, y, row);
                n += static_cast<DWORD>(ScanRow(row, width, y, rects + n));
            }
            WriteRegionHeader(reinterpret_cast<RGNDATAHEADER*>(buffer), n, width, height);
            HRGN hRgn = ::ExtCreateRegion(nullptr, static_cast<DWORD>(sizeof(RGNDATAHEADER) + sizeof(RECT) * n),
                                          reinterpret_cast<RGNDATA*>(buffer));
            FrameSlot& frame = scale.frames[i];
            frame.dib = image;
            image = nullptr;
            StoreRegion(frame, hRgn);
        }
        free(image);
        free(buffer);
        free(row);
    }
}

// The frame shown, or else the last one loaded, gives the size.
void CCharacter::SetShownSize()
{
    int slot = m_curFrame >= 0 && m_curFrame < FRAME_SLOTS && m_shown[m_curFrame].dib ? m_curFrame : -1;
    for (int i = FRAME_SLOTS - 1; i >= 0 && slot < 0; --i)
        if (m_shown[i].dib)
            slot = i;
    if (slot >= 0)
        FrameImageDimensions(m_shown[slot].dib, &m_frameWidth, &m_frameHeight);
}

// Every failure ends in the same message box, with the system's text for
// the last error. The loader does not always leave one (a bitmap resource of
// garbage fails with none), and "The operation completed successfully" is
// no report of a failure.
static void ReportFrameError(HWND hOwner)
{
    DWORD error = ::GetLastError();
    if (error == ERROR_SUCCESS)
        error = ERROR_INVALID_DATA;
    ShowMessage(hOwner, SystemErrorText(error), "error message", MB_OK | MB_ICONERROR);
}

// A bitmap of 0 x 0 pixels would load as the platform's 1 x 1 stand-in and
// show as a black dot; it is a frame that cannot be loaded.
static bool IsEmptyBitmapResource(HMODULE hModule, UINT resourceId)
{
    HRSRC hInfo = ::FindResourceA(hModule, MAKEINTRESOURCEA(LOWORD(resourceId)), RT_BITMAP);
    HGLOBAL hData = hInfo ? ::LoadResource(hModule, hInfo) : nullptr;
    const void* data = hData ? ::LockResource(hData) : nullptr;
    return data && BitmapResourceIsEmpty(static_cast<const unsigned char*>(data), ::SizeofResource(hModule, hInfo));
}

void CCharacter::LoadFrame(HMODULE hModule, UINT resourceId, int slot)
{
    if (slot < 0 || slot >= FRAME_SLOTS)
        return;
    if (IsEmptyBitmapResource(hModule, resourceId)) {
        ::SetLastError(ERROR_INVALID_DATA);
        ReportFrameError(m_hOwner);
        return;
    }
    HBITMAP hBitmap = ::LoadBitmapA(hModule, MAKEINTRESOURCEA(LOWORD(resourceId)));
    if (!hBitmap) {
        ReportFrameError(m_hOwner);
        return;
    }
    FrameSlot& frame = m_frames[slot];
    // A successful capture replaces the image with a new allocation, made
    // while the old one is still held, so an unchanged pointer means failure.
    const unsigned char* before = frame.dib;
    CaptureFrameImage(slot, m_hOwner, hBitmap);
    bool captured = frame.dib && frame.dib != before;
    DWORD captureError = ::GetLastError();
    HRGN hRgn = BitmapToRegion(hBitmap);

    StoreRegion(frame, hRgn);
    ::DeleteObject(hBitmap);
    // Without a region the window shows its whole rectangle; without an
    // image there is nothing to draw, which the user is told about.
    if (!captured) {
        ::SetLastError(captureError);
        ReportFrameError(m_hOwner);
    }
}

void CCharacter::CaptureFrameImage(int slot, HWND hWnd, HBITMAP hBitmap)
{
    // Each failure leaves the reason as the last error, for LoadFrame's report.
    BITMAP bm = {};
    if (!::GetObjectA(hBitmap, sizeof bm, &bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0) {
        ::SetLastError(ERROR_INVALID_DATA);
        return;
    }
    int width = bm.bmWidth, height = bm.bmHeight;
    size_t size = 0;
    unsigned char* image =
        FrameImageSize(width, height, &size) ? static_cast<unsigned char*>(calloc(size, 1)) : nullptr;
    if (!image) {
        ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return;
    }
    WriteFrameHeader(image, width, height);
    int rows;
    {
        CClientDC dc(hWnd);
        rows = ::GetDIBits(dc, hBitmap, 0, static_cast<UINT>(height), image + 54,
                           reinterpret_cast<BITMAPINFO*>(image + 14), DIB_RGB_COLORS);
    }
    // An unreadable bitmap would otherwise be stored as a black frame.
    if (rows != height) {
        free(image);
        ::SetLastError(ERROR_INVALID_DATA);
        return;
    }
    // GetDIBits may fill in the image size; the stored header keeps it 0.
    WriteFrameHeader(image, width, height);
    free(m_frames[slot].dib);
    m_frames[slot].dib = image;
}

HRGN CCharacter::BitmapToRegion(HBITMAP hBitmap)
{
    CMemDC dc(nullptr);
    if (!dc)
        return nullptr;
    BITMAP bm = {};
    if (!::GetObjectA(hBitmap, sizeof bm, &bm))
        return nullptr;
    int width = bm.bmWidth, height = bm.bmHeight;
    size_t bytes = 0;
    if (!RegionBufferSize(width, height, &bytes))
        return nullptr;
    // One allocation for the worst case, a rectangle per pixel: the scan
    // never grows the buffer.
    unsigned char* buffer = static_cast<unsigned char*>(malloc(bytes));
    DWORD* row = static_cast<DWORD*>(malloc(4 * static_cast<size_t>(width)));
    if (!buffer || !row) {
        free(buffer);
        free(row);
        return nullptr;
    }
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;

    RECT* rects = reinterpret_cast<RECT*>(buffer + sizeof(RGNDATAHEADER));
    DWORD n = 0;
    for (int y = 0; y < height; ++y) {
        if (::GetDIBits(dc, hBitmap, static_cast<UINT>(height - 1 - y), 1, row, &bi, DIB_RGB_COLORS) != 1)
            continue;
        n += static_cast<DWORD>(ScanRow(row, width, y, rects + n));
    }
    free(row);

    WriteRegionHeader(reinterpret_cast<RGNDATAHEADER*>(buffer), n, width, height);
    HRGN hRgn = ::ExtCreateRegion(nullptr, static_cast<DWORD>(sizeof(RGNDATAHEADER) + sizeof(RECT) * n),
                                  reinterpret_cast<RGNDATA*>(buffer));
    free(buffer);
    m_frameWidth = width;
    m_frameHeight = height;
    return hRgn;
}

void CCharacter::DrawFrame(const unsigned char* dib, HDC hdc)
{
    if (!dib)
        return;
    ::SetStretchBltMode(hdc, COLORONCOLOR);
    BITMAPINFOHEADER header;
    memcpy(&header, dib + 14, sizeof header);
    DWORD offset = ReadLE32(dib + 10);
    m_frameWidth = header.biWidth;
    m_frameHeight = header.biHeight;
    ::StretchDIBits(hdc, 0, 0, header.biWidth, header.biHeight, 0, 0, header.biWidth, header.biHeight,
                    dib + offset, reinterpret_cast<const BITMAPINFO*>(dib + 14),
                    header.biClrUsed == 0 ? DIB_RGB_COLORS : DIB_PAL_COLORS, SRCCOPY);
}

void FrameSlot::Release()
{
    free(rgnData);
    free(dib);
    rgnData = nullptr;
    dib = nullptr;
    rgnSize = 0;
}

void FrameSlot::Swap(FrameSlot& other)
{
    std::swap(dib, other.dib);
    std::swap(rgnSize, other.rgnSize);
    std::swap(rgnData, other.rgnData);
}

void CCharacter::ReleaseFrames(int count)
{
    if (count > FRAME_SLOTS)
        count = FRAME_SLOTS;
    ForgetScales();
    for (int i = 0; i < count; ++i)
        m_frames[i].Release();
}
