#include <stdlib.h>
#include <string.h>

#include <utility>

#include "character/pixels.h"
#include "doll/DollDlg.h"
#include "framework/LittleEndian.h"
#include "framework/Gdi.h"
#include "framework/Text.h"

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

void CDollDlg::LoadFrame(HMODULE hModule, UINT resourceId, int slot)
{
    if (slot < 0 || slot >= FRAME_SLOTS)
        return;
    if (IsEmptyBitmapResource(hModule, resourceId)) {
        ::SetLastError(ERROR_INVALID_DATA);
        ReportFrameError(m_hWnd);
        return;
    }
    HBITMAP hBitmap = ::LoadBitmapA(hModule, MAKEINTRESOURCEA(LOWORD(resourceId)));
    if (!hBitmap) {
        ReportFrameError(m_hWnd);
        return;
    }
    FrameSlot& frame = m_frames[slot];
    if (slot == m_shapeFrame)
        m_shapeFrame = -1;
    // A successful capture replaces the image with a new allocation, made
    // while the old one is still held, so an unchanged pointer means failure.
    const unsigned char* before = frame.dib;
    CaptureFrameImage(slot, m_hWnd, hBitmap);
    bool captured = frame.dib && frame.dib != before;
    DWORD captureError = ::GetLastError();
    HRGN hRgn = BitmapToRegion(hBitmap);

    free(frame.rgnData);
    frame.rgnData = nullptr;
    frame.rgnSize = hRgn ? ::GetRegionData(hRgn, 0, nullptr) : 0;
    if (frame.rgnSize) {
        frame.rgnData = static_cast<unsigned char*>(malloc(frame.rgnSize));
        // Data that could not be fetched is no region, not garbage.
        if (!frame.rgnData || ::GetRegionData(hRgn, frame.rgnSize, reinterpret_cast<RGNDATA*>(frame.rgnData)) !=
                                  frame.rgnSize) {
            free(frame.rgnData);
            frame.rgnData = nullptr;
            frame.rgnSize = 0;
        }
    }
    if (hRgn)
        ::DeleteObject(hRgn);
    ::DeleteObject(hBitmap);
    // Without a region the window shows its whole rectangle; without an
    // image there is nothing to draw, which the user is told about.
    if (!captured) {
        ::SetLastError(captureError);
        ReportFrameError(m_hWnd);
    }
}

void CDollDlg::CaptureFrameImage(int slot, HWND hWnd, HBITMAP hBitmap)
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

HRGN CDollDlg::BitmapToRegion(HBITMAP hBitmap)
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

void CDollDlg::DrawFrame(const unsigned char* dib, HDC hdc)
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

void CDollDlg::ReleaseFrames(int count)
{
    if (count > FRAME_SLOTS)
        count = FRAME_SLOTS;
    m_shapeFrame = -1;
    for (int i = 0; i < count; ++i)
        m_frames[i].Release();
}
