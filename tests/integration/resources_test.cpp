// Kelmora.exe loaded as a data file: its dialog templates, images and
// version block are what the windows and plug-ins rely on.
#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "harness/Harness.h"
#include "resource.h"

using namespace harness;

namespace {

struct Control {
    int id;
    std::string cls;
    std::string text;  // GBK
    short x, y, cx, cy;
    DWORD style;
};

struct Dialog {
    DWORD style = 0, exStyle = 0;
    short cx = 0, cy = 0;
    std::string title, font;
    int pointSize = 0;
    std::vector<Control> controls;
};

std::string Narrow(const WCHAR* w)
{
    char buf[512];
    int n = ::WideCharToMultiByte(936, 0, w, -1, buf, sizeof buf, nullptr, nullptr);
    return std::string(buf, n > 0 ? n - 1 : 0);
}

// sz_Or_Ord: 0xFFFF then an ordinal, or a NUL-terminated UTF-16 string.
const WORD* ReadSzOrOrd(const WORD* p, std::string& text)
{
    static const char* const kClasses[] = { "Button", "Edit", "Static", "ListBox", "ScrollBar", "ComboBox" };
    if (*p == 0xFFFF) {
        WORD ord = p[1];
        text = ord >= 0x80 && ord <= 0x85 ? kClasses[ord - 0x80] : "#" + std::to_string(ord);
        return p + 2;
    }
    text = Narrow(reinterpret_cast<const WCHAR*>(p));
    while (*p)
        ++p;
    return p + 1;
}

const WORD* AlignDword(const WORD* p)
{
    return reinterpret_cast<const WORD*>((reinterpret_cast<UINT_PTR>(p) + 3) & ~UINT_PTR(3));
}

Dialog ParseDialog(HMODULE module, int id)
{
    Dialog d;
    HRSRC res = ::FindResourceA(module, MAKEINTRESOURCEA(id), reinterpret_cast<LPCSTR>(RT_DIALOG));
    EXPECT_NE(res, nullptr) << "dialog " << id;
    if (!res)
        return d;
    const WORD* p = static_cast<const WORD*>(::LockResource(::LoadResource(module, res)));
    EXPECT_EQ(p[0], 1);
    EXPECT_EQ(p[1], 0xFFFF) << "not an extended template";
    const DWORD* dw = reinterpret_cast<const DWORD*>(p + 2);
    d.exStyle = dw[1];
    d.style = dw[2];
    p = reinterpret_cast<const WORD*>(dw + 3);
    int count = *p++;
    const short* rect = reinterpret_cast<const short*>(p);
    d.cx = rect[2];
    d.cy = rect[3];
    p += 4;
    std::string menu, cls;
    p = ReadSzOrOrd(p, menu);
    p = ReadSzOrOrd(p, cls);
    p = ReadSzOrOrd(p, d.title);
    if (d.style & DS_SETFONT) {
        d.pointSize = p[0];
        p += 3;  // point size, weight, italic and charset
        p = ReadSzOrOrd(p, d.font);
    }
    for (int i = 0; i < count; ++i) {
        p = AlignDword(p);
        const DWORD* item = reinterpret_cast<const DWORD*>(p);
        Control c;
        c.style = item[2];
        const short* r = reinterpret_cast<const short*>(item + 3);
        c.x = r[0];
        c.y = r[1];
        c.cx = r[2];
        c.cy = r[3];
        c.id = static_cast<int>(*reinterpret_cast<const DWORD*>(r + 4));
        p = reinterpret_cast<const WORD*>(r + 6);
        p = ReadSzOrOrd(p, c.cls);
        p = ReadSzOrOrd(p, c.text);
        WORD extra = *p++;
        p = reinterpret_cast<const WORD*>(reinterpret_cast<const BYTE*>(p) + extra);
        d.controls.push_back(c);
    }
    return d;
}

void ExpectControls(const Dialog& d, const std::vector<Control>& want)
{
    ASSERT_EQ(d.controls.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        const Control& got = d.controls[i];
        const Control& w = want[i];
        SCOPED_TRACE("control " + std::to_string(i) + " id " + std::to_string(w.id));
        EXPECT_EQ(static_cast<short>(got.id), static_cast<short>(w.id));
        EXPECT_EQ(_stricmp(got.cls.c_str(), w.cls.c_str()), 0) << got.cls << " is not " << w.cls;
        EXPECT_EQ(got.text, w.text);
        EXPECT_EQ(got.x, w.x);
        EXPECT_EQ(got.y, w.y);
        EXPECT_EQ(got.cx, w.cx);
        EXPECT_EQ(got.cy, w.cy);
        EXPECT_EQ(got.style & w.style, w.style) << std::hex << got.style << " lacks " << w.style;
    }
}

class Resources : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_module = ::LoadLibraryExA((DistDir() + "Kelmora.exe").c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(m_module, nullptr);
    }
    void TearDown() override
    {
        if (m_module)
            ::FreeLibrary(m_module);
    }
    HMODULE m_module = nullptr;
};

}  // namespace

TEST_F(Resources, DollTemplateIsABareVisibleCentredToolWindow)
{
    Dialog d = ParseDialog(m_module, IDD_DOLL);
    EXPECT_EQ(d.controls.size(), 0u);
    EXPECT_EQ(d.cx, 102);
    EXPECT_EQ(d.cy, 68);
    EXPECT_EQ(d.style & (WS_POPUP | WS_VISIBLE | DS_CENTER | DS_SETFONT),
              DWORD(WS_POPUP | WS_VISIBLE | DS_CENTER | DS_SETFONT));
    EXPECT_FALSE(d.style & WS_CAPTION);
    EXPECT_TRUE(d.exStyle & WS_EX_TOOLWINDOW);
    EXPECT_EQ(d.font, "宋体");
    EXPECT_EQ(d.pointSize, 9);
}

TEST_F(Resources, SettingsTemplateHasEveryControlInPlace)
{
    Dialog d = ParseDialog(m_module, IDD_SETTINGS);
    EXPECT_EQ(d.title, "设置");
    EXPECT_EQ(d.cx, 143);
    EXPECT_EQ(d.cy, 97);
    EXPECT_EQ(d.style & (WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME),
              DWORD(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME));
    EXPECT_EQ(d.font, "宋体");
    ExpectControls(d, {
        { IDC_CHARACTERS, "ComboBox", "", 67, 18, 67, 69,
          CBS_DROPDOWN | CBS_AUTOHSCROLL | CBS_SORT | WS_VSCROLL | WS_TABSTOP },
        { IDC_CHASE, "Button", "Kelmora", 65, 40, 69, 10, BS_AUTOCHECKBOX | WS_TABSTOP },
        { IDC_KEEPHISTORY, "Button", "搜索历史记录", 65, 55, 60, 10, BS_AUTOCHECKBOX | WS_TABSTOP },
        { IDC_HOMEPAGE, "Static", "ＨＰ  Vornal", 6, 79, 45, 8, SS_LEFT | SS_NOTIFY },
        { IDOK, "Button", "确定", 57, 77, 41, 14, BS_DEFPUSHBUTTON },
        { IDCANCEL, "Button", "取消", 99, 77, 41, 14, BS_PUSHBUTTON },
        { IDC_VERSION, "Static", "版本", 7, 16, 44, 8, SS_RIGHT },
        { IDC_STATIC, "Static", "Kelmora", 5, 7, 46, 9, SS_RIGHT },
        { IDC_STATIC, "Static", "桌面上的\n小伙伴\n陪你搜索", 6, 25, 45, 25, SS_CENTER },
        { IDC_STATIC, "Button", "", 57, 0, 83, 73, BS_GROUPBOX },
        { IDC_STATIC, "Button", "", 3, 0, 52, 91, BS_GROUPBOX },
        { IDC_STATIC, "Static", "选择精灵", 61, 8, 51, 8, SS_LEFT },
    });
}

TEST_F(Resources, SearchTemplateHasEveryControlInPlace)
{
    Dialog d = ParseDialog(m_module, IDD_SEARCH);
    EXPECT_EQ(d.cx, 172);
    EXPECT_EQ(d.cy, 66);
    EXPECT_EQ(d.style & (WS_POPUP | DS_CENTER | DS_SETFOREGROUND), DWORD(WS_POPUP | DS_CENTER | DS_SETFOREGROUND));
    EXPECT_FALSE(d.style & (WS_VISIBLE | WS_CAPTION | WS_BORDER));
    EXPECT_TRUE(d.exStyle & WS_EX_TOOLWINDOW);
    const DWORD hiddenToggle = BS_AUTOCHECKBOX | BS_PUSHLIKE | BS_FLAT | BS_ICON;
    ExpectControls(d, {
        { IDC_HISTORY, "ComboBox", "", 15, 24, 145, 278, CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP },
        { IDC_SEARCH, "Button", "搜索", 132, 39, 17, 12, BS_FLAT | BS_BITMAP },
        { IDC_OPENBROWSER, "Button", "打开", 0, 0, 22, 13, BS_FLAT | WS_DISABLED },
        { IDC_SMALLWINDOW, "Button", "小窗", 0, 27, 12, 13, hiddenToggle },
        { IDC_AUTOPASTE, "Button", "粘贴", 0, 14, 12, 13, hiddenToggle },
        { IDC_ENGINE, "Static", "Static", 63, 41, 45, 8, SS_RIGHT | SS_CENTERIMAGE | SS_NOTIFY | WS_TABSTOP },
        { IDOK, "Button", "x", 141, 13, 8, 9, BS_FLAT | BS_BITMAP | BS_CENTER },
        { IDC_PROMPT, "Static", "搜索关键字是什么？", 24, 14, 112, 8, SS_LEFT },
        { IDC_SEARCH_NEWWINDOW, "Button", "搜索", 114, 39, 17, 12, BS_FLAT | BS_BITMAP },
    });
    EXPECT_FALSE(d.controls[0].style & CBS_SORT);
    for (int i : { 2, 3, 4 })
        EXPECT_FALSE(d.controls[i].style & WS_VISIBLE) << d.controls[i].id;
}

TEST_F(Resources, ImagesHaveTheirSizesAndHotSpots)
{
    HMODULE exe = ::LoadLibraryExA((DistDir() + "Kelmora.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(exe, nullptr);
    auto bitmapSize = [&](int id, int bpp) {
        HBITMAP h = static_cast<HBITMAP>(::LoadImageA(exe, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0,
                                                      LR_CREATEDIBSECTION));
        EXPECT_NE(h, nullptr) << "bitmap " << id;
        BITMAP bm = {};
        ::GetObjectA(h, sizeof bm, &bm);
        ::DeleteObject(h);
        EXPECT_EQ(bm.bmBitsPixel, bpp) << "bitmap " << id;
        return std::make_pair(static_cast<int>(bm.bmWidth), static_cast<int>(bm.bmHeight));
    };
    for (int id = IDB_FRAME_FIRST; id < IDB_FRAME_FIRST + 11; ++id)
        EXPECT_EQ(bitmapSize(id, 8), std::make_pair(32, 32)) << id;
    EXPECT_EQ(bitmapSize(IDB_SEARCH, 4), std::make_pair(28, 18));
    EXPECT_EQ(bitmapSize(IDB_SEARCH_NEWWINDOW, 4), std::make_pair(28, 18));
    EXPECT_EQ(bitmapSize(IDB_CLOSE, 4), std::make_pair(12, 11));

    for (int id : { IDR_MAINFRAME, IDI_CHAR, IDI_CHAR_SMALL, IDI_AUTOPASTE, IDI_SMALLWINDOW }) {
        HICON h = static_cast<HICON>(::LoadImageA(exe, MAKEINTRESOURCEA(id), IMAGE_ICON, 32, 32, 0));
        EXPECT_NE(h, nullptr) << "icon " << id;
        ::DestroyIcon(h);
    }
    auto hotSpot = [&](int id) {
        HCURSOR h = static_cast<HCURSOR>(::LoadImageA(exe, MAKEINTRESOURCEA(id), IMAGE_CURSOR, 32, 32, 0));
        EXPECT_NE(h, nullptr) << "cursor " << id;
        ICONINFO info = {};
        ::GetIconInfo(h, &info);
        ::DeleteObject(info.hbmMask);
        ::DeleteObject(info.hbmColor);
        ::DestroyCursor(h);
        return std::make_pair(static_cast<int>(info.xHotspot), static_cast<int>(info.yHotspot));
    };
    EXPECT_EQ(hotSpot(IDCUR_CHAR), std::make_pair(1, 1));
    EXPECT_EQ(hotSpot(IDCUR_HAND), std::make_pair(12, 1));
    ::FreeLibrary(exe);
}

// The four numbers of a "FILEVERSION a,b,c,d" line of the resource script,
// the version's one home; empty when there is none.
std::vector<int> ScriptVersion(const std::string& script, const char* key)
{
    std::vector<int> v;
    size_t at = script.find(std::string("\n ") + key + " ");
    int a, b, c, d;
    if (at != std::string::npos &&
        sscanf(script.c_str() + at + strlen(key) + 2, "%d,%d,%d,%d", &a, &b, &c, &d) == 4)
        v = { a, b, c, d };
    return v;
}

TEST_F(Resources, VersionBlockCarriesTheScriptsVersionInJapaneseUnicode)
{
    const std::string script = ReadFile(SourceDir() + "res\\Kelmora.rc");
    const std::vector<int> file = ScriptVersion(script, "FILEVERSION");
    ASSERT_EQ(file.size(), 4u);
    EXPECT_EQ(ScriptVersion(script, "PRODUCTVERSION"), file);
    std::vector<char> block = FileVersionBlock(DistDir() + "Kelmora.exe");
    ASSERT_FALSE(block.empty());
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT len = 0;
    ASSERT_TRUE(::VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &len));
    EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(MAKELONG(file[1], file[0])));
    EXPECT_EQ(fixed->dwFileVersionLS, static_cast<DWORD>(MAKELONG(file[3], file[2])));
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
    char* value = nullptr;
    ASSERT_TRUE(::VerQueryValueA(block.data(), "\\StringFileInfo\\041104b0\\InternalName",
                                 reinterpret_cast<void**>(&value), &len));
    EXPECT_STREQ(value, "Kelmora");
    ASSERT_TRUE(::VerQueryValueA(block.data(), "\\StringFileInfo\\041104b0\\OriginalFilename",
                                 reinterpret_cast<void**>(&value), &len));
    EXPECT_STREQ(value, "Kelmora.EXE");
}

namespace {

// A program's manifest as the platform reads it when it starts the program:
// an activation context made from the file's resource 1 of type 24.
class Manifest {
public:
    explicit Manifest(const std::string& program)
    {
        std::wstring path = Wide(program);
        ACTCTXW ctx = {};
        ctx.cbSize = sizeof ctx;
        ctx.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
        ctx.lpSource = path.c_str();
        ctx.lpResourceName = MAKEINTRESOURCEW(1);  // CREATEPROCESS_MANIFEST_RESOURCE_ID
        m_ctx = ::CreateActCtxW(&ctx);
    }
    Manifest(const Manifest&) = delete;
    Manifest& operator=(const Manifest&) = delete;
    ~Manifest()
    {
        if (m_ctx != INVALID_HANDLE_VALUE)
            ::ReleaseActCtx(m_ctx);
    }
    bool Read() const { return m_ctx != INVALID_HANDLE_VALUE; }

    // A windowsSettings value; "(none)" when the manifest has no such setting.
    std::string Setting(const wchar_t* ns, const wchar_t* name) const
    {
        wchar_t value[256] = L"";
        SIZE_T written = 0;
        if (!::QueryActCtxSettingsW(0, m_ctx, ns, name, value, 256, &written))
            return "(none)";
        return Gbk(value);
    }

    std::vector<std::string> SupportedOs() const
    {
        std::vector<std::string> ids;
        std::vector<char> buf = Query(CompatibilityInformationInActivationContext, 0);
        if (buf.empty())
            return ids;
        // Windows 10 added a field to each element, which these headers
        // lack: the elements' size follows from the record's.
        DWORD count = *reinterpret_cast<const DWORD*>(buf.data());
        const size_t first = 8;
        size_t stride = count ? (buf.size() - first) / count : 0;
        for (DWORD i = 0; i < count && stride >= sizeof(COMPATIBILITY_CONTEXT_ELEMENT); ++i) {
            COMPATIBILITY_CONTEXT_ELEMENT e;
            memcpy(&e, buf.data() + first + i * stride, sizeof e);
            if (e.Type != ACTCTX_COMPATIBILITY_ELEMENT_TYPE_OS)
                continue;
            wchar_t text[64] = L"";
            ::StringFromGUID2(e.Id, text, 64);
            ids.push_back(Gbk(text));
        }
        return ids;
    }

    int RunLevel() const
    {
        std::vector<char> buf = Query(RunlevelInformationInActivationContext, 0);
        return buf.empty() ? -1
                           : reinterpret_cast<const ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION*>(buf.data())->RunLevel;
    }

    // The encoded identities of the assemblies it depends on, as resolved.
    std::vector<std::string> Dependencies() const
    {
        std::vector<std::string> found;
        for (DWORD i = 2;; ++i) {  // 1 is the program itself
            std::vector<char> buf = Query(AssemblyDetailedInformationInActivationContext, i);
            if (buf.empty())
                return found;
            auto* info = reinterpret_cast<const ACTIVATION_CONTEXT_ASSEMBLY_DETAILED_INFORMATION*>(buf.data());
            found.push_back(Gbk(info->lpAssemblyEncodedAssemblyIdentity));
        }
    }

private:
    std::vector<char> Query(ULONG what, DWORD index) const
    {
        SIZE_T size = 0;
        ::QueryActCtxW(0, m_ctx, &index, what, nullptr, 0, &size);
        std::vector<char> buf(size);
        if (!size || !::QueryActCtxW(0, m_ctx, &index, what, buf.data(), size, &size))
            buf.clear();
        return buf;
    }

    HANDLE m_ctx = INVALID_HANDLE_VALUE;
};

// The manifest's text as the file holds it.
std::string ManifestText(const std::string& program)
{
    std::string text;
    HMODULE module = ::LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    HRSRC res = module ? ::FindResourceA(module, CREATEPROCESS_MANIFEST_RESOURCE_ID, RT_MANIFEST) : nullptr;
    if (res)
        text.assign(static_cast<const char*>(::LockResource(::LoadResource(module, res))), ::SizeofResource(module, res));
    if (module)
        ::FreeLibrary(module);
    return text;
}

const wchar_t kSettings2005[] = L"http://schemas.microsoft.com/SMI/2005/WindowsSettings";
const wchar_t kSettings2016[] = L"http://schemas.microsoft.com/SMI/2016/WindowsSettings";
const wchar_t kSettings2019[] = L"http://schemas.microsoft.com/SMI/2019/WindowsSettings";

}  // namespace

// What every current Windows program declares: per-monitor DPI awareness,
// the system's look for its controls, the Windows versions it was made for
// and no elevation; the files stay GBK, so no code page of its own.
TEST(Manifest, TheProgramAndThePackerDeclareWhatACurrentProgramDoes)
{
    for (const char* name : { "Kelmora.exe", "kelmora-pack.exe" }) {
        SCOPED_TRACE(name);
        Manifest manifest(DistDir() + name);
        ASSERT_TRUE(manifest.Read()) << ::GetLastError();
        EXPECT_EQ(manifest.Setting(kSettings2016, L"dpiAwareness"), "PerMonitorV2, PerMonitor");
        EXPECT_EQ(manifest.Setting(kSettings2005, L"dpiAware"), "true/pm");
        EXPECT_EQ(manifest.Setting(kSettings2019, L"activeCodePage"), "(none)");
        EXPECT_EQ(manifest.SupportedOs(), (std::vector<std::string>{
            "{35138B9A-5D96-4FBD-8E2D-A2440225F93A}",    // 7
            "{4A2F28E3-53B9-4441-BA9C-D69D4A4A6E38}",    // 8
            "{1F676C76-80E1-4239-95BB-83D0F6D0DA78}",    // 8.1
            "{8E0F7A12-BFB3-4FE8-B9A5-48FD50A15A9A}" }));  // 10 and 11
        EXPECT_EQ(manifest.RunLevel(), ACTCTX_RUN_LEVEL_AS_INVOKER);
        std::vector<std::string> dependencies = manifest.Dependencies();
        ASSERT_EQ(dependencies.size(), 1u);
        const std::string& cc = dependencies[0];
        EXPECT_EQ(cc.find("Microsoft.Windows.Common-Controls,"), 0u) << cc;
        EXPECT_NE(cc.find("publicKeyToken=\"6595b64144ccf1df\""), std::string::npos) << cc;
        EXPECT_NE(cc.find("version=\"6.0."), std::string::npos) << cc;
    }
}

// The test copy that runs with code page 65001 declares all the program
// declares and that one setting more.
TEST(Manifest, TheCodePageCopyAddsOnlyItsCodePage)
{
    const std::string program = ManifestText(DistDir() + "Kelmora.exe");
    std::string copy = ManifestText(KELMORA_UTF8_PROGRAM);
    ASSERT_FALSE(program.empty());
    const std::string line =
        "      <activeCodePage xmlns=\"http://schemas.microsoft.com/SMI/2019/WindowsSettings\">UTF-8</activeCodePage>\n";
    size_t at = copy.find(line);
    ASSERT_NE(at, std::string::npos) << copy;
    EXPECT_EQ(copy.erase(at, line.size()), program);
    Manifest manifest(KELMORA_UTF8_PROGRAM);
    ASSERT_TRUE(manifest.Read());
    EXPECT_EQ(manifest.Setting(kSettings2019, L"activeCodePage"), "UTF-8");
}
