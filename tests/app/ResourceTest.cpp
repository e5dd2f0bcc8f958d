#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "res/resource.h"

namespace
{
// A dialog template as the dialog manager reads it.
struct Item
{
    DWORD style;
    DWORD exStyle;
    short x, y, cx, cy;
    int id;
    std::wstring className;  // "#0080" style for atoms
    std::wstring text;       // "#128" for an ordinal
};

struct Template
{
    bool ex;
    DWORD style;
    DWORD exStyle;
    short x, y, cx, cy;
    std::wstring caption;
    WORD pointSize;
    BYTE charSet;
    std::wstring face;
    std::vector<Item> items;
};

const BYTE* Align4(const BYTE* base, const BYTE* p)
{
    return base + ((p - base + 3) & ~3);
}

std::wstring ReadSzOrOrd(const BYTE*& p)
{
    const WORD* w = reinterpret_cast<const WORD*>(p);
    if (w[0] == 0)
    {
        p += 2;
        return L"";
    }
    if (w[0] == 0xFFFF)
    {
        p += 4;
        return L"#" + std::to_wstring(w[1]);
    }
    std::wstring s(reinterpret_cast<const wchar_t*>(w));
    p += (s.size() + 1) * 2;
    return s;
}

template <typename T> T Read(const BYTE*& p)
{
    T value;
    memcpy(&value, p, sizeof(T));
    p += sizeof(T);
    return value;
}

Template ParseTemplate(const BYTE* base)
{
    Template t = {};
    const BYTE* p = base;
    t.ex = reinterpret_cast<const WORD*>(base)[1] == 0xFFFF;
    WORD count;
    if (t.ex)
    {
        p += 8;  // version, signature, help id
        t.exStyle = Read<DWORD>(p);
        t.style = Read<DWORD>(p);
    }
    else
    {
        t.style = Read<DWORD>(p);
        t.exStyle = Read<DWORD>(p);
    }
    count = Read<WORD>(p);
    t.x = Read<short>(p);
    t.y = Read<short>(p);
    t.cx = Read<short>(p);
    t.cy = Read<short>(p);
    ReadSzOrOrd(p);
    ReadSzOrOrd(p);
    t.caption = ReadSzOrOrd(p);
    if (t.style & DS_SETFONT)
    {
        t.pointSize = Read<WORD>(p);
        if (t.ex)
        {
            p += 3;  // weight, italic
            t.charSet = Read<BYTE>(p);
        }
        t.face = ReadSzOrOrd(p);
    }
    for (WORD i = 0; i < count; ++i)
    {
        p = Align4(base, p);
        Item item = {};
        if (t.ex)
        {
            p += 4;  // help id
            item.exStyle = Read<DWORD>(p);
            item.style = Read<DWORD>(p);
        }
        else
        {
            item.style = Read<DWORD>(p);
            item.exStyle = Read<DWORD>(p);
        }
        item.x = Read<short>(p);
        item.y = Read<short>(p);
        item.cx = Read<short>(p);
        item.cy = Read<short>(p);
        item.id = t.ex ? static_cast<int>(Read<DWORD>(p)) : static_cast<short>(Read<WORD>(p));
        item.className = ReadSzOrOrd(p);
        item.text = ReadSzOrOrd(p);
        WORD extra = Read<WORD>(p);
        p += extra;
        t.items.push_back(item);
    }
    return t;
}

// Position and size in dialog units, of a template or one of its controls.
template <typename T>
void ExpectPlaced(const T& item, int x, int y, int cx, int cy)
{
    EXPECT_EQ(x, item.x);
    EXPECT_EQ(y, item.y);
    EXPECT_EQ(cx, item.cx);
    EXPECT_EQ(cy, item.cy);
}

// Resource compilers write the predefined classes either as atoms or as names.
bool IsClass(const Item& item, const wchar_t* atom, const wchar_t* name)
{
    return item.className == atom || lstrcmpiW(item.className.c_str(), name) == 0;
}

std::wstring Wide(const char* cp932)
{
    wchar_t buffer[512];
    int n = MultiByteToWideChar(932, 0, cp932, -1, buffer, 512);
    return std::wstring(buffer, n > 0 ? n - 1 : 0);
}

class ResourceTest : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        char dir[MAX_PATH];
        GetCurrentDirectoryA(MAX_PATH, dir);
        s_path = std::string(dir) + "\\OrvalisUninstaller.exe";
        s_hModule = LoadLibraryExA(s_path.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    }
    static void TearDownTestSuite()
    {
        if (s_hModule != NULL)
            FreeLibrary(s_hModule);
        s_hModule = NULL;
    }
    void SetUp() override { ASSERT_NE(nullptr, s_hModule) << s_path; }

    static std::string String(UINT id)
    {
        char buffer[1024];
        int n = LoadStringA(s_hModule, id, buffer, sizeof(buffer));
        return std::string(buffer, n);
    }

    static const BYTE* Resource(LPCSTR type, UINT id, DWORD* pcb = NULL)
    {
        HRSRC hRes = FindResourceA(s_hModule, MAKEINTRESOURCEA(id), type);
        if (hRes == NULL)
            return NULL;
        if (pcb != NULL)
            *pcb = SizeofResource(s_hModule, hRes);
        return static_cast<const BYTE*>(LockResource(LoadResource(s_hModule, hRes)));
    }

    static std::string s_path;
    static HMODULE s_hModule;
};

std::string ResourceTest::s_path;
HMODULE ResourceTest::s_hModule;
}

TEST_F(ResourceTest, Strings_AreByteExactInCodePage932)
{
    EXPECT_EQ("ﾊﾞｰｼﾞｮﾝ情報(ｵﾙｳﾞｧﾘｽ ｱﾝｲﾝｽﾄｰﾗｰ) (&A)...", String(IDS_ABOUTBOX));
    EXPECT_EQ("ｵﾙｳﾞｧﾘｽ ｱﾝｲﾝｽﾄﾗｰ", String(AFX_IDS_APP_TITLE));
    EXPECT_EQ("無題のﾌｧｲﾙ", String(AFX_IDS_UNNAMED_FILE));
    EXPECT_EQ("ﾍﾙﾌﾟの起動に失敗しました。", String(AFX_IDP_FAILED_TO_LAUNCH_HELP));
    // Spot checks of the bytes themselves: half-width katakana are single bytes.
    EXPECT_EQ("\xB5\xD9\xB3\xDE\xA7\xD8\xBD", String(AFX_IDS_APP_TITLE).substr(0, 7));
}

TEST_F(ResourceTest, FileErrorTexts_OnePerCauseInOrder)
{
    const char* expected[] = {
        "ｴﾗｰはありません。",
        "%1 へのｱｸｾｽ中に予期しないｴﾗｰが発生しました。",
        "%1 が見つかりません。",
        "%1 は無効なﾊﾟｽです。",
        "開いているﾌｧｲﾙが多すぎるため %1 を開けませんでした。",
        "%1 へのｱｸｾｽは拒否されました。",
        "%1 へ無効なﾌｧｲﾙ ﾊﾝﾄﾞﾙが関連付けられています。",
        "%1 could not be removed because it is the current directory.",
        "ﾃﾞｨﾚｸﾄﾘの空き容量が不足しているため %1 を作成できません。",
        "%1 のｼｰｸに失敗しました",
        "%1 へのｱｸｾｽ中にﾊｰﾄﾞｳｪｱ I/O ｴﾗｰが報告されました。",
        "%1 へのｱｸｾｽ中に共有違反が発生しました。",
        "%1 へのｱｸｾｽ中にﾛｯｷﾝｸﾞ違反が発生しました。",
        "%1 へのｱｸｾｽ中にﾃﾞｨｽｸの空き容量が不足しました。",
        "%1 の末尾以降にｱｸｾｽしようとしました。",
    };
    for (UINT cause = 0; cause < 15; ++cause)
        EXPECT_EQ(expected[cause], String(AFX_IDP_FILE_NONE + cause)) << "cause " << cause;
    EXPECT_EQ(AFX_IDP_FILE_EOF, AFX_IDP_FILE_NONE + 14);
}

TEST_F(ResourceTest, MainDialogTemplate)
{
    const BYTE* p = Resource(MAKEINTRESOURCEA(5), IDD_UNINSTALL_DIALOG);
    ASSERT_NE(nullptr, p);
    Template t = ParseTemplate(p);
    EXPECT_TRUE(t.ex);
    EXPECT_EQ(0x90C800C0u, t.style);
    EXPECT_EQ(static_cast<DWORD>(WS_EX_APPWINDOW), t.exStyle);
    ExpectPlaced(t, 0, 0, 223, 179);
    EXPECT_EQ(Wide("ｵﾙｳﾞｧﾘｽ ｱﾝｲﾝｽﾄｰﾗｰ"), t.caption);
    EXPECT_EQ(9, t.pointSize);
    EXPECT_EQ(1, t.charSet);
    EXPECT_EQ(Wide("ＭＳ Ｐゴシック"), t.face);
    ASSERT_EQ(1u, t.items.size());
    const Item& exit = t.items[0];
    EXPECT_EQ(IDCANCEL, exit.id);
    EXPECT_EQ(0x50030001u, exit.style);
    EXPECT_EQ(Wide("終了"), exit.text);
    EXPECT_TRUE(IsClass(exit, L"#128", L"Button"));
    ExpectPlaced(exit, 170, 150, 50, 14);
}

TEST_F(ResourceTest, PageTemplate_ControlsInTabOrder)
{
    const BYTE* p = Resource(MAKEINTRESOURCEA(5), IDD_PROPPAGE1);
    ASSERT_NE(nullptr, p);
    Template t = ParseTemplate(p);
    EXPECT_EQ(0x48C00040u, t.style);
    EXPECT_EQ(211, t.cx);
    EXPECT_EQ(139, t.cy);
    EXPECT_EQ(Wide("ｱﾝｲﾝｽﾄｰﾙ"), t.caption);
    EXPECT_EQ(9, t.pointSize);
    EXPECT_EQ(Wide("ＭＳ Ｐゴシック"), t.face);
    ASSERT_EQ(3u, t.items.size());

    EXPECT_EQ(IDC_BUTTON_EXECUTE, t.items[0].id);
    EXPECT_EQ(0x50014000u, t.items[0].style);
    EXPECT_EQ(Wide("実行"), t.items[0].text);
    ExpectPlaced(t.items[0], 80, 120, 50, 14);

    EXPECT_EQ(IDC_EDIT_MESSAGE, t.items[1].id);
    EXPECT_EQ(0x50821805u, t.items[1].style);
    EXPECT_TRUE(IsClass(t.items[0], L"#128", L"Button"));
    EXPECT_TRUE(IsClass(t.items[1], L"#129", L"Edit"));
    EXPECT_TRUE(IsClass(t.items[2], L"#128", L"Button"));
    ExpectPlaced(t.items[1], 20, 5, 175, 105);

    EXPECT_EQ(IDC_CHECK_DELETE_ALBUM, t.items[2].id);
    EXPECT_EQ(0x50010003u, t.items[2].style);
    EXPECT_EQ(Wide("ｱﾙﾊﾞﾑ削除"), t.items[2].text);
    ExpectPlaced(t.items[2], 10, 123, 49, 10);
}

TEST_F(ResourceTest, AboutTemplate)
{
    const BYTE* p = Resource(MAKEINTRESOURCEA(5), IDD_ABOUTBOX);
    ASSERT_NE(nullptr, p);
    Template t = ParseTemplate(p);
    EXPECT_EQ(0x80C800C0u, t.style);
    EXPECT_EQ(243, t.cx);
    EXPECT_EQ(55, t.cy);
    EXPECT_EQ(Wide("ﾊﾞｰｼﾞｮﾝ情報 ｵﾙｳﾞｧﾘｽｱﾝｲﾝｽﾄｰﾗｰ"), t.caption);
    EXPECT_EQ(Wide("ＭＳ Ｐゴシック"), t.face);
    ASSERT_EQ(4u, t.items.size());

    EXPECT_EQ(-1, t.items[0].id);
    EXPECT_EQ(static_cast<DWORD>(SS_ICON), t.items[0].style & 0x1F);
    EXPECT_EQ(L"#128", t.items[0].text);  // icon IDR_MAINFRAME
    EXPECT_EQ(11, t.items[0].x);
    EXPECT_EQ(17, t.items[0].y);

    EXPECT_EQ(-1, t.items[1].id);
    EXPECT_EQ(Wide("ｵﾙｳﾞｧﾘｽ ｱﾝｲﾝｽﾄｰﾗｰ V1.0.1.1"), t.items[1].text);
    EXPECT_EQ(static_cast<DWORD>(WS_CHILD | WS_VISIBLE | WS_GROUP | SS_CENTER | SS_NOPREFIX), t.items[1].style);
    ExpectPlaced(t.items[1], 40, 10, 160, 8);

    EXPECT_EQ(-1, t.items[2].id);
    EXPECT_EQ(static_cast<DWORD>(WS_CHILD | WS_VISIBLE | WS_GROUP | SS_CENTER), t.items[2].style);
    EXPECT_EQ(40, t.items[2].x);
    EXPECT_EQ(25, t.items[2].y);
    EXPECT_FALSE(t.items[2].text.empty());

    EXPECT_EQ(IDOK, t.items[3].id);
    EXPECT_EQ(static_cast<DWORD>(WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP | BS_DEFPUSHBUTTON), t.items[3].style);
    ExpectPlaced(t.items[3], 205, 10, 32, 14);
}

TEST_F(ResourceTest, Icon_Has32And16At8BitsPerPixel)
{
    DWORD cb = 0;
    const BYTE* p = Resource(MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */, IDR_MAINFRAME, &cb);
    ASSERT_NE(nullptr, p);
    WORD count = reinterpret_cast<const WORD*>(p)[2];
    ASSERT_EQ(2, count);
    bool seen32 = false, seen16 = false;
    for (WORD i = 0; i < count; ++i)
    {
        const BYTE* entry = p + 6 + 14 * i;
        int size = entry[0];
        WORD bitCount = *reinterpret_cast<const WORD*>(entry + 6);
        WORD id = *reinterpret_cast<const WORD*>(entry + 12);
        EXPECT_EQ(8, bitCount);
        const BYTE* image = Resource(MAKEINTRESOURCEA(3) /* RT_ICON */, id);
        ASSERT_NE(nullptr, image);
        const BITMAPINFOHEADER* bih = reinterpret_cast<const BITMAPINFOHEADER*>(image);
        EXPECT_EQ(sizeof(BITMAPINFOHEADER), bih->biSize);  // BMP format, not PNG
        EXPECT_EQ(size, bih->biWidth);
        EXPECT_EQ(2 * size, bih->biHeight);  // colour image plus AND mask
        EXPECT_EQ(8, bih->biBitCount);
        seen32 |= size == 32;
        seen16 |= size == 16;
    }
    EXPECT_TRUE(seen32);
    EXPECT_TRUE(seen16);
}

TEST_F(ResourceTest, VersionRecord)
{
    DWORD dummy = 0;
    DWORD cb = GetFileVersionInfoSizeA(s_path.c_str(), &dummy);
    ASSERT_NE(0u, cb);
    std::vector<BYTE> data(cb);
    ASSERT_TRUE(GetFileVersionInfoA(s_path.c_str(), 0, cb, data.data()));

    VS_FIXEDFILEINFO* pFixed = NULL;
    UINT len = 0;
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&pFixed), &len));
    EXPECT_EQ(0x00010000u, pFixed->dwFileVersionMS);
    EXPECT_EQ(0x00010001u, pFixed->dwFileVersionLS);
    EXPECT_EQ(0x00010000u, pFixed->dwProductVersionMS);
    EXPECT_EQ(0x00010001u, pFixed->dwProductVersionLS);
    EXPECT_EQ(4u, pFixed->dwFileOS);
    EXPECT_EQ(1u, pFixed->dwFileType);

    WORD* pTranslation = NULL;
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&pTranslation), &len));
    ASSERT_EQ(4u, len);
    EXPECT_EQ(0x0411, pTranslation[0]);
    EXPECT_EQ(0x04B0, pTranslation[1]);

    auto value = [&](const char* name) {
        char* p = NULL;
        std::string path = std::string("\\StringFileInfo\\041104B0\\") + name;
        if (!VerQueryValueA(data.data(), path.c_str(), reinterpret_cast<void**>(&p), &len) || p == NULL)
            return std::string("<missing>");
        return std::string(p);
    };
    EXPECT_EQ("V1.0.1.1", value("FileVersion"));
    EXPECT_EQ("V1.0.1.1", value("ProductVersion"));
    EXPECT_EQ("ｵﾙｳﾞｧﾘｽ ｱﾝｲﾝｽﾄｰﾙ ｱﾌﾟﾘｹｰｼｮﾝ", value("FileDescription"));
    EXPECT_EQ("ｵﾙｳﾞｧﾘｽ ｱﾝｲﾝｽﾄｰﾙ ｱﾌﾟﾘｹｰｼｮﾝ", value("ProductName"));
    EXPECT_EQ("Halvik", value("CompanyName"));
    EXPECT_EQ("OrvalisUninstaller", value("InternalName"));
    EXPECT_EQ("OrvalisUninstaller.exe", value("OriginalFilename"));
    EXPECT_NE("<missing>", value("LegalCopyright"));
}

TEST_F(ResourceTest, Manifest_AsksForAdministratorAndCommonControls6)
{
    DWORD cb = 0;
    const BYTE* p = Resource(MAKEINTRESOURCEA(24) /* RT_MANIFEST */, 1, &cb);
    ASSERT_NE(nullptr, p);
    std::string manifest(reinterpret_cast<const char*>(p), cb);
    EXPECT_NE(std::string::npos, manifest.find("level=\"requireAdministrator\""));
    EXPECT_NE(std::string::npos, manifest.find("Microsoft.Windows.Common-Controls"));
    EXPECT_NE(std::string::npos, manifest.find("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"));
    EXPECT_NE(std::string::npos, manifest.find("{e2011457-1546-43c5-a5fe-008deee3d3f0}"));
}
