#include <gtest/gtest.h>

#include <shlobj.h>

#include <string>
#include <vector>

#include "framework/FileException.h"
#include "framework/Platform.h"
#include "framework/Wide.h"
#include "uninstall/TreeRemover.h"

namespace
{
std::wstring Ext(const std::wstring& strPath)
{
    return Wide::ExtendedPath(strPath);
}

bool Exists(const std::wstring& strPath)
{
    return GetFileAttributesW(Ext(strPath).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void MakeDir(const std::wstring& strPath)
{
    EXPECT_TRUE(CreateDirectoryW(Ext(strPath).c_str(), NULL) || GetLastError() == ERROR_ALREADY_EXISTS)
        << Wide::ToAnsi(strPath.c_str());
}

void MakeFile(const std::wstring& strPath, DWORD dwAttributes = 0)
{
    HANDLE h = CreateFileW(Ext(strPath).c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, dwAttributes, NULL);
    EXPECT_NE(INVALID_HANDLE_VALUE, h) << Wide::ToAnsi(strPath.c_str());
    DWORD n;
    WriteFile(h, "photo", 5, &n, NULL);
    CloseHandle(h);
}

// The tests' own clean-up, independent of the code under test; it leaves links alone.
void Wipe(const std::wstring& strPath)
{
    DWORD dwAttributes = GetFileAttributesW(Ext(strPath).c_str());
    if (dwAttributes == INVALID_FILE_ATTRIBUTES)
        return;
    SetFileAttributesW(Ext(strPath).c_str(), FILE_ATTRIBUTE_NORMAL);
    if ((dwAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
    {
        DeleteFileW(Ext(strPath).c_str());
        return;
    }
    if ((dwAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
    {
        WIN32_FIND_DATAW data;
        HANDLE hFind = FindFirstFileW(Ext(strPath + L"\\*").c_str(), &data);
        if (hFind != INVALID_HANDLE_VALUE)
        {
            std::vector<std::wstring> names;
            do
            {
                if (wcscmp(data.cFileName, L".") != 0 && wcscmp(data.cFileName, L"..") != 0)
                    names.push_back(data.cFileName);
            } while (FindNextFileW(hFind, &data));
            FindClose(hFind);
            for (const std::wstring& strName : names)
                Wipe(strPath + L"\\" + strName);
        }
    }
    RemoveDirectoryW(Ext(strPath).c_str());
}

// The names in a folder in the order the file search reports them.
std::vector<std::wstring> SearchOrder(const std::wstring& strFolder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE hFind = FindFirstFileW(Ext(strFolder + L"\\*").c_str(), &data);
    if (hFind == INVALID_HANDLE_VALUE)
        return names;
    do
    {
        if (wcscmp(data.cFileName, L".") != 0 && wcscmp(data.cFileName, L"..") != 0)
            names.push_back(data.cFileName);
    } while (FindNextFileW(hFind, &data));
    FindClose(hFind);
    return names;
}

std::wstring CurrentDirectory()
{
    WCHAR sz[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, sz);
    return sz;
}

CString A(const std::wstring& strPath)
{
    return Wide::ToAnsi(strPath.c_str());
}

// The same tests run under Wine's Windows 98 too (remover_tests_9x), beside these in the same
// prefix: the folders, files and keys they make outside their own folder get names of their own.
std::wstring Own(const std::wstring& strName)
{
    return Platform::IsWin9x() ? strName + L"9x" : strName;
}

std::wstring W(const char* psz)
{
    std::wstring str;
    Wide::FromAnsi(psz, str);
    return str;
}

// A tree of a few levels: read-only and hidden files, empty and nested folders.
std::vector<std::wstring> MakeTree(const std::wstring& strTop)
{
    MakeDir(strTop);
    MakeDir(strTop + L"\\2024");
    MakeDir(strTop + L"\\2024\\01");
    MakeDir(strTop + L"\\2024\\02");
    MakeDir(strTop + L"\\empty");
    MakeFile(strTop + L"\\index.dat");
    MakeFile(strTop + L"\\readonly.dat", FILE_ATTRIBUTE_READONLY);
    MakeFile(strTop + L"\\hidden.dat", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    MakeFile(strTop + L"\\2024\\01\\img001.jpg", FILE_ATTRIBUTE_READONLY);
    MakeFile(strTop + L"\\2024\\01\\img002.jpg");
    MakeFile(strTop + L"\\2024\\02\\img003.jpg", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    return { strTop + L"\\index.dat", strTop + L"\\2024\\01\\img001.jpg", strTop + L"\\empty" };
}

class TreeRemoverTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
#ifdef ORVALIS_TEST_9X
        // A version setting that did not take effect would repeat the NT run under the 9x name.
        ASSERT_TRUE(Platform::IsWin9x()) << "Wine does not play Windows 98 for this program (remover_9x_setup)";
#endif
        const char* psz = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        m_strBase = L"C:\\OrvalisTest\\" + Own(L"TreeRemover") + L"-" + std::wstring(psz, psz + strlen(psz));
        Wipe(m_strBase);
        MakeDir(m_strBase);
        m_strCurrent = CurrentDirectory();
    }

    void TearDown() override
    {
        // Whatever the result, the removal leaves the working directory where it was.
        EXPECT_EQ(m_strCurrent, CurrentDirectory());
        SetCurrentDirectoryW(m_strCurrent.c_str());
        Wipe(m_strBase);
    }

    std::wstring m_strBase;
    std::wstring m_strCurrent;
};
}

TEST_F(TreeRemoverTest, RemoveFolder_RemovesWholeTreeWithReadOnlyFiles)
{
    const std::wstring strTop = m_strBase + L"\\Orvalis";
    MakeTree(strTop);
    EXPECT_TRUE(CTreeRemover::RemoveFolder(A(strTop), NULL));
    EXPECT_FALSE(Exists(strTop));
    EXPECT_TRUE(Exists(m_strBase));
}

// Right below the drive root the parent is the root folder itself.
TEST_F(TreeRemoverTest, RemoveFolder_FolderInDriveRoot)
{
    const std::wstring strTop = L"C:\\" + Own(L"OrvalisTreeRemoverRoot");
    Wipe(strTop);
    MakeTree(strTop);
    EXPECT_TRUE(CTreeRemover::RemoveFolder(A(strTop), NULL));
    EXPECT_FALSE(Exists(strTop));
    Wipe(strTop);
}

TEST_F(TreeRemoverTest, RemoveFolder_EmptyFolderAndMissingFolder)
{
    MakeDir(m_strBase + L"\\empty");
    EXPECT_TRUE(CTreeRemover::RemoveFolder(A(m_strBase + L"\\empty"), NULL));
    EXPECT_FALSE(Exists(m_strBase + L"\\empty"));
    EXPECT_FALSE(CTreeRemover::RemoveFolder(A(m_strBase + L"\\empty"), NULL));
    EXPECT_FALSE(CTreeRemover::RemoveFolder("", NULL));
}

TEST_F(TreeRemoverTest, RemoveFolder_OnAFile_FailsAndKeepsIt)
{
    MakeFile(m_strBase + L"\\file.jpg");
    EXPECT_FALSE(CTreeRemover::RemoveFolder(A(m_strBase + L"\\file.jpg"), NULL));
    EXPECT_TRUE(Exists(m_strBase + L"\\file.jpg"));
}

// The walk stops at the first entry it cannot delete: entries the search reported before
// it are gone, the entry and all later ones stay.
TEST_F(TreeRemoverTest, RemoveFolder_FileHeldOpen_StopsThere)
{
    const std::wstring strTop = m_strBase + L"\\Orvalis";
    MakeDir(strTop);
    for (int i = 0; i < 6; ++i)
    {
        MakeFile(strTop + L"\\file" + std::to_wstring(i) + L".jpg", i % 2 ? FILE_ATTRIBUTE_READONLY : 0);
        MakeDir(strTop + L"\\dir" + std::to_wstring(i));
        MakeFile(strTop + L"\\dir" + std::to_wstring(i) + L"\\inner.jpg");
    }
    const std::vector<std::wstring> order = SearchOrder(strTop);
    ASSERT_EQ(12u, order.size());
    size_t nHeld = order.size() / 2;
    while (nHeld < order.size() && order[nHeld].compare(0, 4, L"file") != 0)
        ++nHeld;
    ASSERT_LT(nHeld, order.size());

    // Opened without delete sharing, as another program holding the photo would.
    HANDLE hHolder = CreateFileW((strTop + L"\\" + order[nHeld]).c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, hHolder);
    EXPECT_FALSE(CTreeRemover::RemoveFolder(A(strTop), NULL));
    CloseHandle(hHolder);

    for (size_t i = 0; i < order.size(); ++i)
        EXPECT_EQ(i >= nHeld, Exists(strTop + L"\\" + order[i])) << A(order[i]);
    EXPECT_EQ(m_strCurrent, CurrentDirectory());

    EXPECT_TRUE(CTreeRemover::RemoveFolder(A(strTop), NULL));
    EXPECT_FALSE(Exists(strTop));
}

TEST_F(TreeRemoverTest, RemoveFolder_FileHeldOpenDeeper_KeepsItsFolders)
{
    const std::wstring strTop = m_strBase + L"\\Orvalis";
    MakeTree(strTop);
    const std::wstring strHeld = strTop + L"\\2024\\02\\held.jpg";
    MakeFile(strHeld);
    HANDLE hHolder = CreateFileW(strHeld.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, hHolder);
    EXPECT_FALSE(CTreeRemover::RemoveFolder(A(strTop), NULL));
    CloseHandle(hHolder);
    EXPECT_TRUE(Exists(strHeld));
    EXPECT_EQ(m_strCurrent, CurrentDirectory());

    // A folder held with delete sharing (as a viewer watching it would) accepts its deletion
    // but stays on disk until the holder lets go: not a removal.
    hHolder = CreateFileW(strTop.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          NULL, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, hHolder);
    EXPECT_FALSE(CTreeRemover::RemoveFolder(A(strTop), NULL));
    EXPECT_TRUE(Exists(strTop));
    CloseHandle(hHolder);
}

TEST_F(TreeRemoverTest, RemoveFolder_PathWithoutBackslash_TouchesNothing)
{
    MakeTree(m_strBase + L"\\Orvalis");
    // From inside the base a relative name would find the tree.
    ASSERT_TRUE(SetCurrentDirectoryW(m_strBase.c_str()));
    EXPECT_FALSE(CTreeRemover::RemoveFolder("Orvalis", NULL));
    EXPECT_FALSE(CTreeRemover::RemoveFolder("C:Orvalis", NULL));
    EXPECT_FALSE(CTreeRemover::RemoveFolder(".\\Orvalis", NULL));
    EXPECT_EQ(m_strBase, CurrentDirectory());
    SetCurrentDirectoryW(m_strCurrent.c_str());
    EXPECT_TRUE(Exists(m_strBase + L"\\Orvalis\\2024\\01\\img001.jpg"));
}

TEST_F(TreeRemoverTest, RemoveFolder_TrailingBackslash_TouchesNothing)
{
    const std::wstring strTop = m_strBase + L"\\Orvalis";
    MakeTree(strTop);
    EXPECT_FALSE(CTreeRemover::RemoveFolder(A(strTop + L"\\"), NULL));
    EXPECT_FALSE(CTreeRemover::RemoveFolder(A(m_strBase + L"\\\\Orvalis"), NULL));
    EXPECT_TRUE(Exists(strTop + L"\\2024\\01\\img001.jpg"));
    EXPECT_TRUE(Exists(strTop + L"\\index.dat"));
}

// "..", "." and trailing dots or blanks would make the platform name another folder
// than the text: "<tree>\sub\.." is the tree itself, "<tree>." is the tree.
TEST_F(TreeRemoverTest, RemoveFolder_DotsAndTrailingBlanks_TouchNothing)
{
    const std::wstring strTop = m_strBase + L"\\Orvalis";
    MakeTree(strTop);
    for (const std::wstring& strPath : { strTop + L"\\2024\\..", strTop + L"\\.", strTop + L".", strTop + L" ",
                                         strTop + L". ", m_strBase + L"\\.\\Orvalis", strTop + L"\\2024\\..\\empty" })
        EXPECT_FALSE(CTreeRemover::RemoveFolder(A(strPath), NULL)) << A(strPath);
    EXPECT_TRUE(Exists(strTop + L"\\2024\\01\\img001.jpg"));
    EXPECT_TRUE(Exists(strTop + L"\\empty"));
}

TEST_F(TreeRemoverTest, RemoveFolder_KeepsTopLevelFolderOfKeptNameInAnyCase)
{
    const std::wstring strTop = m_strBase + L"\\Orvalis";
    MakeTree(strTop);
    MakeDir(strTop + L"\\ALBUM");
    MakeDir(strTop + L"\\ALBUM\\2023");
    MakeFile(strTop + L"\\ALBUM\\2023\\kept.jpg", FILE_ATTRIBUTE_READONLY);
    // Deeper folders of that name, and a file of that name, are not spared.
    MakeDir(strTop + L"\\2024\\Album");
    MakeFile(strTop + L"\\2024\\Album\\gone.jpg");
    MakeDir(strTop + L"\\2024\\01\\album");
    MakeFile(strTop + L"\\albums");
    MakeFile(strTop + L"\\2024\\album.jpg");

    EXPECT_TRUE(CTreeRemover::RemoveFolder(A(strTop), "Album"));
    EXPECT_TRUE(Exists(strTop + L"\\ALBUM\\2023\\kept.jpg"));
    std::vector<std::wstring> left = SearchOrder(strTop);
    ASSERT_EQ(1u, left.size());
    EXPECT_EQ(L"ALBUM", left[0]);

    // A kept path further down: the folder on the way stays holding only it; a folder of the
    // kept name at another level, and everything else in the folder on the way, go.
    MakeFile(strTop + L"\\ALBUM\\cover.jpg", FILE_ATTRIBUTE_READONLY);
    MakeDir(strTop + L"\\ALBUM\\old");
    MakeDir(strTop + L"\\ALBUM\\old\\2023");
    MakeDir(strTop + L"\\2023");
    EXPECT_TRUE(CTreeRemover::RemoveFolder(A(strTop), "album\\2023"));
    EXPECT_TRUE(Exists(strTop + L"\\ALBUM\\2023\\kept.jpg"));
    EXPECT_EQ(std::vector<std::wstring>{ L"ALBUM" }, SearchOrder(strTop));
    EXPECT_EQ(std::vector<std::wstring>{ L"2023" }, SearchOrder(strTop + L"\\ALBUM"));
}

// Full-width capitals fold to full-width small letters, not to ASCII.
TEST_F(TreeRemoverTest, RemoveFolder_KeptNameFoldsFullWidthLetters)
{
    const std::wstring strTop = m_strBase + L"\\Orvalis";
    MakeDir(strTop);
    const std::wstring strFullWidth = strTop + L"\\\xFF21\xFF2C\xFF22\xFF35\xFF2D";   // "ＡＬＢＵＭ"
    MakeDir(strFullWidth);
    MakeFile(strFullWidth + L"\\kept.jpg");
    MakeDir(strTop + L"\\ALBUM");

    EXPECT_TRUE(CTreeRemover::RemoveFolder(A(strTop), "ａｌｂｕｍ"));
    EXPECT_TRUE(Exists(strFullWidth + L"\\kept.jpg"));
    EXPECT_FALSE(Exists(strTop + L"\\ALBUM"));

    MakeDir(strTop + L"\\Album");
    EXPECT_TRUE(CTreeRemover::RemoveFolder(A(strTop), "album"));
    EXPECT_TRUE(Exists(strTop + L"\\Album"));
    EXPECT_FALSE(Exists(strFullWidth));
}

TEST_F(TreeRemoverTest, RemoveFolder_NoKeptName_RemovesFolderOfAnyName)
{
    const std::wstring strTop = m_strBase + L"\\Orvalis";
    MakeDir(strTop);
    MakeDir(strTop + L"\\Album");
    EXPECT_TRUE(CTreeRemover::RemoveFolder(A(strTop), ""));
    EXPECT_FALSE(Exists(strTop));
}

// "ソ", "表" and "能" carry the trail byte 0x5C, which must never split a path.
TEST_F(TreeRemoverTest, RemoveFolder_TrailByte5CNames)
{
    const std::wstring strSoft = m_strBase + W("\\ソフト");
    const std::wstring strTop = strSoft + W("\\表示");
    MakeDir(strSoft);
    MakeDir(strTop);
    MakeDir(strTop + W("\\ソフト"));
    MakeDir(strTop + W("\\ソフト\\表示"));
    MakeFile(strTop + W("\\ソフト\\表示\\能.jpg"), FILE_ATTRIBUTE_READONLY);
    MakeFile(strTop + W("\\表示.txt"));
    MakeDir(strTop + W("\\表"));

    EXPECT_TRUE(CTreeRemover::RemoveFolder(A(strTop), "表"));
    EXPECT_TRUE(Exists(strTop + W("\\表")));
    EXPECT_EQ(1u, SearchOrder(strTop).size());

    EXPECT_TRUE(CTreeRemover::RemoveFolder(A(m_strBase) + "\\ソフト\\表示", NULL));
    EXPECT_FALSE(Exists(strTop));
    EXPECT_TRUE(Exists(strSoft));
}

TEST_F(TreeRemoverTest, RemoveFolder_NamesOutsideCodePage)
{
    if (Platform::IsWin9x())
        GTEST_SKIP() << "9x names files in the code page only";
    const std::wstring strTop = m_strBase + L"\\Orvalis";
    MakeDir(strTop);
    MakeDir(strTop + L"\\\xD55C\xAD6D\xC5B4");                                   // Hangul
    MakeFile(strTop + L"\\\xD55C\xAD6D\xC5B4\\\xD83D\xDE00.jpg", FILE_ATTRIBUTE_READONLY);   // emoji
    MakeFile(strTop + L"\\\xD83D\xDCF7.jpg");
    // "?" is what the narrow API makes of these names; no such entries exist.
    MakeFile(strTop + L"\\a.jpg");
    EXPECT_TRUE(CTreeRemover::RemoveFolder(A(strTop), NULL));
    EXPECT_FALSE(Exists(strTop));
}

TEST_F(TreeRemoverTest, RemoveFolder_PathsBeyondMaxPath)
{
    if (Platform::IsWin9x())
        GTEST_SKIP() << "9x paths end at MAX_PATH";
    std::wstring strTop = m_strBase;
    while (strTop.size() < 300)
    {
        strTop += L"\\long folder name for the album 0123456789";
        MakeDir(strTop);
    }
    std::wstring strDeep = strTop;
    while (strDeep.size() < 700)
    {
        strDeep += L"\\another long folder name 0123456789";
        MakeDir(strDeep);
        MakeFile(strDeep + L"\\photo with a long name 0123456789.jpg", FILE_ATTRIBUTE_READONLY);
    }
    ASSERT_TRUE(Exists(strDeep));

    EXPECT_TRUE(CTreeRemover::RemoveFolder(A(strTop), NULL));
    EXPECT_FALSE(Exists(strTop));
    EXPECT_TRUE(Exists(strTop.substr(0, strTop.rfind(L'\\'))));
}

// A read-only file that cannot be opened for its deletion raises the framework's file
// exception; it ends the removal, and the handles the walk held are closed. 9x clears the
// attribute by name, which the holder does not forbid, and the deletion fails plainly.
TEST_F(TreeRemoverTest, RemoveFolder_ReadOnlyFileHeld_RaisesFileException)
{
    const std::wstring strTop = m_strBase + L"\\Orvalis";
    MakeDir(strTop);
    MakeDir(strTop + L"\\sub");
    const std::wstring strFile = strTop + L"\\sub\\readonly.jpg";
    MakeFile(strFile, FILE_ATTRIBUTE_READONLY);
    // Held without delete sharing.
    HANDLE hHolder = CreateFileW(strFile.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, hHolder);
    int cause = -1;
    CString strName = "not cleared";
    BOOL bRemoved = FALSE;
    try
    {
        bRemoved = CTreeRemover::RemoveFolder(A(strTop), NULL);
    }
    catch (CFileException* e)
    {
        cause = e->m_cause;
        strName = e->m_strFileName;
        e->Delete();
    }
    CloseHandle(hHolder);
    EXPECT_FALSE(bRemoved);
    EXPECT_TRUE(Exists(strFile));
    if (Platform::IsWin9x())
    {
        EXPECT_EQ(-1, cause);
    }
    else
    {
        EXPECT_EQ(CFileException::sharingViolation, cause);
        EXPECT_TRUE(strName.IsEmpty());
    }
    EXPECT_EQ(m_strCurrent, CurrentDirectory());

    EXPECT_TRUE(CTreeRemover::RemoveFolder(A(strTop), NULL));
    EXPECT_FALSE(Exists(strTop));
}

TEST_F(TreeRemoverTest, RemoveTree_RemovesFolderNamedFromCurrentDirectory)
{
    MakeTree(m_strBase + L"\\Orvalis");
    MakeTree(m_strBase + L"\\Other");
    ASSERT_TRUE(SetCurrentDirectoryW(m_strBase.c_str()));
    EXPECT_FALSE(CTreeRemover::RemoveTree("Other\\2024", NULL));
    EXPECT_FALSE(CTreeRemover::RemoveTree("..", NULL));
    EXPECT_FALSE(CTreeRemover::RemoveTree("", NULL));
    EXPECT_TRUE(CTreeRemover::RemoveTree("Orvalis", "2024"));
    EXPECT_EQ(m_strBase, CurrentDirectory());
    SetCurrentDirectoryW(m_strCurrent.c_str());
    EXPECT_TRUE(Exists(m_strBase + L"\\Orvalis\\2024\\01\\img001.jpg"));
    EXPECT_FALSE(Exists(m_strBase + L"\\Orvalis\\index.dat"));
    EXPECT_TRUE(Exists(m_strBase + L"\\Other\\2024\\01\\img001.jpg"));
}

// Links lead outside the tree; whatever the removal's result, nothing outside is lost.
// (Wine follows its links even when asked not to, so there the removal stops at the first
// link with FALSE; Windows removes the links themselves.)
TEST_F(TreeRemoverTest, RemoveFolder_LinksToOutside_LeaveOutsideIntact)
{
    const std::wstring strLinks = L"C:\\OrvalisTest\\TreeRemoverLinks";
    if (!Exists(strLinks + L"\\folder\\link\\keep1.txt"))
        GTEST_SKIP() << "the link fixture (make-links.sh) has not run";
    // Wine shows its Unix link to a file as a plain file, and the narrow file functions reach
    // its target; 9x itself has no links.
    if (Platform::IsWin9x())
        GTEST_SKIP() << "9x has no links";
    const std::wstring outside[] = {
        strLinks + L"\\outside\\keep1.txt", strLinks + L"\\outside\\keep2.txt",
        strLinks + L"\\outside\\inner\\keep3.txt", strLinks + L"\\outfile.txt", strLinks + L"\\empty",
    };
    // A folder link, a link to an empty folder, a file link, a link two levels down, and
    // the named folder itself a link.
    for (LPCWSTR pszTree : { L"\\folder", L"\\toempty", L"\\file", L"\\deep", L"\\top" })
    {
        CTreeRemover::RemoveFolder(A(strLinks + pszTree), NULL);
        for (const std::wstring& strPath : outside)
            EXPECT_TRUE(Exists(strPath)) << A(strPath) << " after removing " << A(pszTree);
    }
    EXPECT_EQ(m_strCurrent, CurrentDirectory());

    // A hard link to a read-only file outside goes, and the file keeps its attribute, its
    // content and its modification time, which it shares with the link.
    const std::wstring strDocument = strLinks + L"\\document.doc";
    WIN32_FILE_ATTRIBUTE_DATA before, after;
    ASSERT_TRUE(GetFileAttributesExW(strDocument.c_str(), GetFileExInfoStandard, &before));
    ASSERT_NE(0u, before.dwFileAttributes & FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(CTreeRemover::RemoveFolder(A(strLinks + L"\\hard"), NULL));
    EXPECT_FALSE(Exists(strLinks + L"\\hard"));
    ASSERT_TRUE(GetFileAttributesExW(strDocument.c_str(), GetFileExInfoStandard, &after));
    EXPECT_EQ(before.dwFileAttributes, after.dwFileAttributes);
    EXPECT_EQ(0, CompareFileTime(&before.ftLastWriteTime, &after.ftLastWriteTime));
    char szContent[64] = "";
    DWORD n = 0;
    HANDLE hDocument = CreateFileW(strDocument.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    EXPECT_TRUE(ReadFile(hDocument, szContent, sizeof(szContent) - 1, &n, NULL));
    CloseHandle(hDocument);
    EXPECT_STREQ("the user's own\n", szContent);

    // A link that leads to a refused folder is refused like the folder.
    EXPECT_FALSE(CTreeRemover::IsRemovablePath(A(strLinks + L"\\windows")));
    EXPECT_FALSE(CTreeRemover::RemoveFolder(A(strLinks + L"\\windows"), NULL));
    EXPECT_TRUE(Exists(strLinks + L"\\windows\\system32"));
}

TEST_F(TreeRemoverTest, IsRemovablePath_RefusesSystemAndShellFoldersInEverySpelling)
{
    // Each check gathers the protected folders anew: what that costs, for the record.
    LARGE_INTEGER start, end, frequency;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(CTreeRemover::IsRemovablePath(A(m_strBase)));
    QueryPerformanceCounter(&end);
    printf("[timing] one check of a removable path %.1f ms\n",
           (end.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart / 5);

    // Per user and common, with and without a CSIDL; whether a folder of ours below stays
    // removable: not inside the Windows folder, nor directly inside a profile.
    struct SFolder
    {
        int nFolder;
        const KNOWNFOLDERID* pId;
        bool bBelowRemovable;
    };
    static const SFolder kFolders[] = {
        { CSIDL_DESKTOPDIRECTORY, nullptr, true }, { CSIDL_COMMON_DESKTOPDIRECTORY, nullptr, true },
        { CSIDL_PERSONAL, nullptr, true }, { CSIDL_COMMON_DOCUMENTS, nullptr, true }, { CSIDL_MYPICTURES, nullptr, true },
        { CSIDL_COMMON_PICTURES, nullptr, true }, { CSIDL_STARTMENU, nullptr, true }, { CSIDL_COMMON_STARTMENU, nullptr, true },
        { CSIDL_PROGRAMS, nullptr, true }, { CSIDL_COMMON_PROGRAMS, nullptr, true }, { CSIDL_STARTUP, nullptr, true },
        { CSIDL_COMMON_STARTUP, nullptr, true }, { CSIDL_PROGRAM_FILES, nullptr, true },
        { CSIDL_PROGRAM_FILESX86, nullptr, true }, { CSIDL_PROGRAM_FILES_COMMON, nullptr, true },
        { CSIDL_APPDATA, nullptr, true }, { CSIDL_LOCAL_APPDATA, nullptr, true }, { CSIDL_COMMON_APPDATA, nullptr, true },
        { CSIDL_MYMUSIC, nullptr, true }, { CSIDL_MYVIDEO, nullptr, true }, { CSIDL_FAVORITES, nullptr, true },
        { CSIDL_COMMON_MUSIC, nullptr, true }, { CSIDL_COMMON_VIDEO, nullptr, true }, { CSIDL_TEMPLATES, nullptr, true },
        { CSIDL_SENDTO, nullptr, true }, { -1, &FOLDERID_Downloads, true }, { -1, &FOLDERID_SavedGames, true },
        { -1, &FOLDERID_Contacts, true }, { -1, &FOLDERID_Links, true }, { -1, &FOLDERID_LocalAppDataLow, true },
        { CSIDL_PROFILE, nullptr, false }, { -1, &FOLDERID_Public, false }, { CSIDL_WINDOWS, nullptr, false },
        { CSIDL_SYSTEM, nullptr, false }, { CSIDL_FONTS, nullptr, false }, { CSIDL_RESOURCES, nullptr, false },
    };
    for (SFolder folder : kFolders)
    {
        std::wstring strFolder;
        if (folder.pId == nullptr)
        {
            WCHAR sz[MAX_PATH];
            ASSERT_EQ(S_OK, SHGetFolderPathW(NULL, folder.nFolder, NULL, SHGFP_TYPE_CURRENT, sz)) << folder.nFolder;
            strFolder = sz;
        }
        else
        {
            PWSTR psz = nullptr;
            ASSERT_EQ(S_OK, SHGetKnownFolderPath(*folder.pId, KF_FLAG_DONT_VERIFY, NULL, &psz));
            strFolder = psz;
            CoTaskMemFree(psz);
        }
        std::wstring strUpper = strFolder, strLower = strFolder;
        CharUpperW(&strUpper[0]);
        CharLowerW(&strLower[0]);
        const std::wstring strParent = strFolder.substr(0, strFolder.rfind(L'\\'));
        WCHAR szShort[MAX_PATH] = L"";
        GetShortPathNameW(strFolder.c_str(), szShort, MAX_PATH);
        for (const std::wstring& strPath :
             { strFolder, strUpper, strLower, strFolder + L".", strFolder + L" ", strFolder + L"\\",
               strFolder + L"\\.", strFolder + L"\\Orvalis\\..", strParent, std::wstring(szShort) })
        {
            if (!strPath.empty())
            {
                EXPECT_FALSE(CTreeRemover::IsRemovablePath(A(strPath))) << A(strPath);
            }
        }
        EXPECT_EQ(folder.bBelowRemovable, CTreeRemover::IsRemovablePath(A(strFolder + L"\\Orvalis"))) << A(strFolder);
    }

    // The Windows folder's whole tree, but for the Start-menu program folder 9x keeps there.
    WCHAR szWindows[MAX_PATH];
    ASSERT_NE(0u, GetWindowsDirectoryW(szWindows, MAX_PATH));
    const std::wstring strWindows = szWindows;
    for (const std::wstring& strPath : { strWindows + L"\\system32\\drivers", strWindows + L"\\temp\\Orvalis",
                                         strWindows + W("\\ｽﾀｰﾄ ﾒﾆｭｰ\\ﾌﾟﾛｸﾞﾗﾑ") })
        EXPECT_FALSE(CTreeRemover::IsRemovablePath(A(strPath))) << A(strPath);
    EXPECT_TRUE(CTreeRemover::IsRemovablePath(A(strWindows + W("\\ｽﾀｰﾄ ﾒﾆｭｰ\\ﾌﾟﾛｸﾞﾗﾑ\\オルヴァリス"))));

    // Other installed products' folders; the product's own registration does not count.
    const WCHAR kUninstall[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
    const std::wstring strOther = m_strBase + L"\\Other Product";
    const std::wstring strOwn = m_strBase + L"\\Orvalis";
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_CURRENT_USER, (kUninstall + Own(L"OrvalisTest Other")).c_str(),
                                             L"InstallLocation", REG_SZ, strOther.c_str(),
                                             static_cast<DWORD>((strOther.size() + 1) * sizeof(WCHAR))));
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_CURRENT_USER, (kUninstall + std::wstring(L"Orvalis")).c_str(),
                                             L"InstallLocation", REG_SZ, strOwn.c_str(),
                                             static_cast<DWORD>((strOwn.size() + 1) * sizeof(WCHAR))));
    EXPECT_FALSE(CTreeRemover::IsRemovablePath(A(strOther)));
    EXPECT_TRUE(CTreeRemover::IsRemovablePath(A(strOther + L"\\Orvalis")));
    EXPECT_TRUE(CTreeRemover::IsRemovablePath(A(strOwn)));
    RegDeleteTreeW(HKEY_CURRENT_USER, (kUninstall + Own(L"OrvalisTest Other")).c_str());
    RegDeleteTreeW(HKEY_CURRENT_USER, (kUninstall + std::wstring(L"Orvalis")).c_str());

    // Roots, relative paths, and the profiles: the folder of all of them, each one, and each
    // folder directly inside one.
    for (const char* psz : { "C:\\", "C:", "C:\\.", "\\\\server\\share", "\\\\server\\share\\", "\\\\?\\C:\\Orvalis",
                             "Orvalis", "Program Files\\Orvalis", "C:\\users", "C:\\users\\Public", "C:\\USERS\\someone",
                             "C:\\users\\someone\\Orvalis" })
        EXPECT_FALSE(CTreeRemover::IsRemovablePath(psz)) << psz;
    EXPECT_TRUE(CTreeRemover::IsRemovablePath("C:\\users\\someone\\AppData\\Orvalis"));
    EXPECT_TRUE(CTreeRemover::IsRemovablePath("C:\\Program Files\\Orvalis"));
    EXPECT_TRUE(CTreeRemover::IsRemovablePath("\\\\server\\share\\Orvalis"));
    EXPECT_TRUE(CTreeRemover::IsRemovablePath(A(m_strBase)));
}

// The shell folders a faulty removal could reach in the test prefix: each holds a canary
// that must survive every spelling of its folder.
TEST_F(TreeRemoverTest, RemoveFolder_RefusesShellFoldersAndLeavesThemIntact)
{
    static const int kFolders[] = {
        CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_PERSONAL, CSIDL_MYPICTURES,
        CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS, CSIDL_STARTUP, CSIDL_COMMON_STARTUP,
        CSIDL_MYMUSIC, CSIDL_MYVIDEO, CSIDL_FAVORITES, CSIDL_COMMON_DOCUMENTS,
    };
    for (int nFolder : kFolders)
    {
        WCHAR sz[MAX_PATH];
        ASSERT_EQ(S_OK, SHGetFolderPathW(NULL, nFolder | CSIDL_FLAG_CREATE, NULL, SHGFP_TYPE_CURRENT, sz));
        const std::wstring strFolder = sz;
        const std::wstring strCanary = strFolder + L"\\" + Own(L"orvalis-canary") + L".txt";
        const std::wstring strOurs = strFolder + L"\\" + Own(L"Orvalis");
        MakeFile(strCanary);
        MakeDir(strOurs);
        std::wstring strUpper = strFolder;
        CharUpperW(&strUpper[0]);
        for (const std::wstring& strPath : { strFolder, strUpper, strFolder + L" ", strFolder + L".",
                                             strOurs + L"\\..", strFolder.substr(0, strFolder.rfind(L'\\')) })
            EXPECT_FALSE(CTreeRemover::RemoveFolder(A(strPath), NULL)) << A(strPath);
        EXPECT_TRUE(Exists(strCanary)) << A(strFolder);
        EXPECT_TRUE(CTreeRemover::RemoveFolder(A(strOurs), NULL));
        DeleteFileW(strCanary.c_str());
    }
}
