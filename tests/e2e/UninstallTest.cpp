// The whole uninstall, run by the real program under each platform kind it tells apart, with
// the real confirmation, the real companion launch and the real three-second wait.
#include <gtest/gtest.h>

#include <shlobj.h>
#include <shobjidl.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <set>
#include <thread>

#include "AppVersion.h"
#include "MutexHolder.h"
#include "TestFiles.h"
#include "TestRegistry.h"
#include "UiDriver.h"
#include "res/resource.h"

namespace
{
enum EKind { k9x, kNT4, kNT5 };

struct SKind
{
    const char* name;
    const char* wineVersion;
    EKind kind;
};

void PrintTo(const SKind& kind, std::ostream* os)
{
    *os << kind.name;
}

const SKind kKinds[] = {
    { "Win98", "win98", k9x },
    { "NT40", "nt40", kNT4 },
    { "WinXP", "winxp", kNT5 },
    { "Win7", "win7", kNT5 },
    { "Win10", "win10", kNT5 },
};
const SKind& kWin7 = kKinds[3];

const char kAppTitle[] = "ｵﾙｳﾞｧﾘｽ ｱﾝｲﾝｽﾄﾗｰ";
const char kMsgRunning[] = "オルヴァリスが起動しています。終了させてから実行してください。";
const char kMsgConfirm[] = "ｱﾝｲﾝｽﾄｰﾙを実行します。よろしいですか？";
const char kMsgNothing[] = "削除されているか、削除に失敗しました。";
const char kMsgComplete[] = "完全に削除しました。";
const char kMsgPartial[] = "削除に成功しました。";
const char kMsgSharing[] = "無題のﾌｧｲﾙ へのｱｸｾｽ中に共有違反が発生しました。";

const char kMutexName[] = "Orvalis@Halvik";
const char kMakerKey[] = "Software\\Halvik";
const char kProductKey[] = "Software\\Halvik\\Orvalis";
const char kUninstallParent[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Orvalis";
const char kProductLink[] = "Software\\Halvik\\Orvalis\\Link";
const char kLinkTarget[] = "Software\\OrvalisTest_Other";
const wchar_t kLinkTargetName[] = L"\\Registry\\Machine\\Software\\OrvalisTest_Other";

const char kDataFolder[] = "C:\\Orvalis Data";
// Last names with a trail byte 0x5C (表) and spelled in the registry in another case than on
// disk: the kept name must be cut and compared the way the code page and the file system do.
const char kAlbumOnDisk[] = "Photo表";
const char kAlbumInRegistry[] = "PHOTO表";
const char kKickerSource[] = "C:\\OrvalisTest\\OrvalisKicker.exe";

const DWORD kKickerWaitMs = 3000;
// How long the companion may take from its launch to its own log line (measured up to 400 ms
// on a busy machine). The wait follows the launch, so the album outlives the logged start by
// the wait less this; a wait before the launch would leave it no time at all.
const double kKickerStartAllowanceMs = 1500;

unsigned long long FileTimeNow()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

double FileTimeMs(unsigned long long later, unsigned long long earlier)
{
    return (static_cast<double>(later) - static_cast<double>(earlier)) / 10000.0;
}

// The path up to its last backslash; a trail byte 0x5C of a double-byte character is none.
std::string ShellFolder(int csidl)
{
    char path[MAX_PATH] = "";
    return SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE) ? path : "";
}

// Where a 32-bit installer puts the product: Program Files as this process, built alike, sees
// it; "Program Files (x86)" under WoW64 on a 64-bit Windows.
std::string InstallFolderHere()
{
    const std::string programFiles = ShellFolder(CSIDL_PROGRAM_FILES);
    return programFiles.empty() ? "" : programFiles + "\\Orvalis";
}

const std::string kInstallFolder = InstallFolderHere();

// The ANSI code page of the system locale, which a program gets unless its manifest names its
// own; a locale without one (Unicode only) gives UTF-8.
UINT SystemCodePage()
{
    char text[8] = "";
    GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE, text, sizeof(text));
    const UINT codePage = static_cast<UINT>(atoi(text));
    return codePage != 0 ? codePage : CP_UTF8;
}

bool IsWow64()
{
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

// The setting this test, and so the program, runs in, worded as ctest's entries for the other
// settings expect it.
std::string Setting()
{
    return "system code page " + std::to_string(SystemCodePage()) + ", this process " + std::to_string(GetACP())
         + ", WoW64 " + (IsWow64() ? "yes" : "no") + ", installation folder " + kInstallFolder;
}

std::string WindowsFolder()
{
    char path[MAX_PATH] = "";
    UINT n = GetWindowsDirectoryA(path, sizeof(path));
    return n > 0 && n < sizeof(path) ? path : "";
}

// The lines only before ("- ") and only after ("+ "), one per line; empty when the sorted
// lists are equal.
std::string Differences(const std::vector<std::string>& before, const std::vector<std::string>& after)
{
    std::vector<std::string> gone, added;
    std::set_difference(before.begin(), before.end(), after.begin(), after.end(), std::back_inserter(gone));
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(), std::back_inserter(added));
    std::string out;
    for (const std::string& line : gone)
        out += "- " + line + "\n";
    for (const std::string& line : added)
        out += "+ " + line + "\n";
    return out;
}

// Watches a folder from another thread and notes, on the clock the companion logs with, the
// last moment it was seen and the first moment it was missing.
class CPresenceWatch
{
public:
    explicit CPresenceWatch(const std::string& path)
        : m_path(path), m_stop(CreateEventA(nullptr, TRUE, FALSE, nullptr)), m_lastSeen(0), m_firstGone(0)
    {
        m_thread = std::thread([this] { Run(); });
    }
    ~CPresenceWatch()
    {
        SetEvent(m_stop);
        m_thread.join();
        CloseHandle(m_stop);
    }
    CPresenceWatch(const CPresenceWatch&) = delete;
    CPresenceWatch& operator=(const CPresenceWatch&) = delete;

    unsigned long long LastSeen() const { return m_lastSeen; }
    unsigned long long FirstGone() const { return m_firstGone; }

private:
    void Run()
    {
        const double deadline = NowMs() + 60000;
        while (NowMs() < deadline)
        {
            bool present = FileExists(m_path);
            unsigned long long now = FileTimeNow();
            if (!present)
            {
                m_firstGone = now;
                return;
            }
            m_lastSeen = now;
            if (WaitForSingleObject(m_stop, 1) == WAIT_OBJECT_0)
                return;
        }
    }

    std::string m_path;
    HANDLE m_stop;
    std::atomic<unsigned long long> m_lastSeen;
    std::atomic<unsigned long long> m_firstGone;
    std::thread m_thread;
};

// What is to be deleted at the next restart: on NT the value below (pairs of a "\\??\\" source
// and a target, empty for a deletion), on 9x the "NUL=<short path>" lines of WININIT.INI's
// [rename] section. Read raw, to be put back after a test; false when absent.
const char kSessionManager[] = "System\\CurrentControlSet\\Control\\Session Manager";
const char kPendingValue[] = "PendingFileRenameOperations";

bool ReadRestartList(EKind kind, std::string& raw)
{
    if (kind == k9x)
        return ReadTextFile(WindowsFolder() + "\\WININIT.INI", raw);
    raw.assign(65536, '\0');
    DWORD size = static_cast<DWORD>(raw.size());
    const bool present = !RegGetValueA(HKEY_LOCAL_MACHINE, kSessionManager, kPendingValue, RRF_RT_REG_MULTI_SZ,
                                       nullptr, &raw[0], &size);
    raw.resize(present ? size : 0);
    return present;
}

void WriteRestartList(EKind kind, bool present, const std::string& raw)
{
    if (kind == k9x)
        present ? WriteTextFile(WindowsFolder() + "\\WININIT.INI", raw) : DeleteFileA((WindowsFolder() + "\\WININIT.INI").c_str());
    else if (present)
        RegSetRaw(HKEY_LOCAL_MACHINE, kSessionManager, kPendingValue, REG_MULTI_SZ, raw);
    else
        RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kSessionManager, kPendingValue);
}

// The deletions at the next restart at or below folder, in order, named in long form.
std::vector<std::string> DeletionsAtRestart(EKind kind, const std::string& folder)
{
    std::string raw;
    ReadRestartList(kind, raw);
    std::vector<std::string> entries, names;
    for (size_t start = 0, end; start < raw.size(); start = end + 1)
    {
        end = std::min(raw.find(kind == k9x ? '\n' : '\0', start), raw.size());
        entries.push_back(raw.substr(start, raw[end - 1] == '\r' ? end - start - 1 : end - start));
    }
    bool inRename = false;
    for (size_t i = 0; i < entries.size(); ++i)
    {
        std::string name;
        char longName[MAX_PATH] = "";
        if (kind != k9x && i + 1 < entries.size() && entries[i + 1].empty() && entries[i].compare(0, 4, "\\??\\") == 0)
            name = entries[i++].substr(4);
        else if (kind == k9x && entries[i].compare(0, 1, "[") == 0)
            inRename = lstrcmpiA(entries[i].c_str(), "[rename]") == 0;
        else if (kind == k9x && inRename && entries[i].compare(0, 4, "NUL=") == 0)
            name = GetLongPathNameA(entries[i].c_str() + 4, longName, MAX_PATH) ? longName : entries[i].substr(4);
        if (!name.empty() && lstrcmpiA(name.substr(0, folder.size()).c_str(), folder.c_str()) == 0)
            names.push_back(name);
    }
    return names;
}

// No ACE for everyone, all users or all signed-in users. (Wine keeps no DACL: it turns it
// into the folder's Unix mode and reports that back as ACEs.)
bool IsPrivateFolder(const std::string& folder)
{
    std::vector<BYTE> sd(4096);
    DWORD size = 0;
    BOOL present = FALSE, defaulted = FALSE;
    PACL acl = nullptr;
    bool ok = GetFileSecurityA(folder.c_str(), DACL_SECURITY_INFORMATION, sd.data(), sd.size(), &size)
           && GetSecurityDescriptorDacl(sd.data(), &present, &acl, &defaulted) && present && acl && acl->AceCount;
    for (DWORD i = 0; ok && i < acl->AceCount; ++i)
    {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        ok = GetAce(acl, i, reinterpret_cast<void**>(&ace)) && !IsWellKnownSid(&ace->SidStart, WinWorldSid)
          && !IsWellKnownSid(&ace->SidStart, WinBuiltinUsersSid) && !IsWellKnownSid(&ace->SidStart, WinAuthenticatedUserSid);
    }
    return ok;
}

// A file held open by the test, as another program would hold it.
class CHeldFile
{
public:
    CHeldFile(const std::string& path, DWORD share)
        : m_h(CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr))
    {
    }
    ~CHeldFile() { Release(); }
    CHeldFile(const CHeldFile&) = delete;
    CHeldFile& operator=(const CHeldFile&) = delete;

    bool IsHeld() const { return m_h != INVALID_HANDLE_VALUE; }
    void Release()
    {
        if (m_h != INVALID_HANDLE_VALUE)
            CloseHandle(m_h);
        m_h = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE m_h;
};

// One of the user's unelevated programs, which may write into the temporary folder: it watches
// it for the hand-over's new folder and drops DLLs into it at once, under the names of the
// libraries the program loads itself at run time (Wine gives the system's own libraries their
// own dependencies whatever lies beside the program), or replaces the copy there the moment
// it has been written (with the companion's stand-in, whose log would show it started as the copy).
const char kPlantedLog[] = "C:\\OrvalisTest\\planted.log";

class CTempAttacker
{
public:
    enum EMode { kPlantDlls, kSwapCopy };

    explicit CTempAttacker(EMode mode) : m_mode(mode), m_stop(CreateEventA(nullptr, TRUE, FALSE, nullptr))
    {
        char temp[MAX_PATH] = "";
        GetTempPathA(MAX_PATH, temp);
        m_temp = temp;
        m_before = Folders();
        m_swap = m_temp + "orvalis-swap.exe";
        DeleteFileA(kPlantedLog);
        if (mode == kSwapCopy)
            CopyFileA(kKickerSource, m_swap.c_str(), FALSE);
        m_thread = std::thread([this] { Run(); });
    }
    ~CTempAttacker()
    {
        SetEvent(m_stop);
        m_thread.join();
        CloseHandle(m_stop);
        DeleteFileA(m_swap.c_str());
        DeleteFileA(kPlantedLog);
    }
    CTempAttacker(const CTempAttacker&) = delete;
    CTempAttacker& operator=(const CTempAttacker&) = delete;

    bool Struck() const { return m_struck; }  // the DLLs were placed, or the copy replaced

private:
    std::vector<std::string> Folders() const
    {
        std::vector<std::string> folders;
        WIN32_FIND_DATAA fd;
        HANDLE find = FindFirstFileA((m_temp + "OrvalisUninstaller.*").c_str(), &fd);
        for (BOOL more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileA(find, &fd))
        {
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                folders.push_back(m_temp + fd.cFileName);
        }
        if (find != INVALID_HANDLE_VALUE)
            FindClose(find);
        return folders;
    }

    std::string NewFolder() const
    {
        for (const std::string& folder : Folders())
        {
            if (std::find(m_before.begin(), m_before.end(), folder) == m_before.end())
                return folder;
        }
        return "";
    }

    void Run()
    {
        HANDLE change = FindFirstChangeNotificationA(m_temp.c_str(), FALSE, FILE_NOTIFY_CHANGE_DIR_NAME);
        const HANDLE waits[] = { change, m_stop };
        std::string folder;
        while (change != INVALID_HANDLE_VALUE && folder.empty()
               && WaitForMultipleObjects(2, waits, FALSE, 20000) == WAIT_OBJECT_0)
        {
            folder = NewFolder();
            FindNextChangeNotification(change);
        }
        if (change != INVALID_HANDLE_VALUE)
            FindCloseChangeNotification(change);
        if (folder.empty())
            return;
        if (m_mode == kPlantDlls)
        {
            for (const char* name : { "userenv.dll", "shfolder.dll" })
                m_struck = CopyFileA("C:\\OrvalisTest\\planted_dll.dll", (folder + "\\" + name).c_str(), FALSE) || m_struck;
            return;
        }
        // Once the copy is there, over and over until the hand-over is long past.
        const std::string copy = folder + "\\OrvalisUninstaller.exe";
        for (const double deadline = NowMs() + 2000; !m_struck && NowMs() < deadline;)
            m_struck = GetFileAttributesA(copy.c_str()) != INVALID_FILE_ATTRIBUTES
                    && MoveFileExA(m_swap.c_str(), copy.c_str(), MOVEFILE_REPLACE_EXISTING);
    }

    const EMode m_mode;
    HANDLE m_stop;
    std::string m_temp;
    std::vector<std::string> m_before;
    std::string m_swap;
    std::atomic<bool> m_struck{ false };
    std::thread m_thread;
};

// The whole drive and the registry as the program could change them; the test's own log and
// Wine's own bookkeeping left out.
struct SSnapshot
{
    std::vector<std::string> files;
    std::vector<std::string> machine;
    std::vector<std::string> user;
};

// Wine writes some known folders' defaults into the registry the first time any program asks
// for them (HKLM\...\CurrentVersion "Users", for one). The program asks for every known
// folder; so does this, before the first snapshot, so that the snapshots show only the
// program's own changes.
void AskForEveryKnownFolder()
{
    static bool asked = false;
    if (asked)
        return;
    asked = true;
    HRESULT hrInit = CoInitialize(nullptr);
    IKnownFolderManager* pManager = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_KnownFolderManager, nullptr, CLSCTX_INPROC_SERVER, IID_IKnownFolderManager,
                                   reinterpret_cast<void**>(&pManager))))
    {
        KNOWNFOLDERID* pIds = nullptr;
        UINT nIds = 0;
        if (SUCCEEDED(pManager->GetFolderIds(&pIds, &nIds)))
        {
            for (UINT i = 0; i < nIds; ++i)
            {
                IKnownFolder* pFolder = nullptr;
                LPWSTR pszPath = nullptr;
                if (SUCCEEDED(pManager->GetFolder(pIds[i], &pFolder)))
                {
                    if (SUCCEEDED(pFolder->GetPath(KF_FLAG_DONT_VERIFY, &pszPath)))
                        CoTaskMemFree(pszPath);
                    pFolder->Release();
                }
            }
            CoTaskMemFree(pIds);
        }
        pManager->Release();
    }
    if (SUCCEEDED(hrInit))
        CoUninitialize();
}

SSnapshot TakeSnapshot()
{
    AskForEveryKnownFolder();
    SSnapshot s;
    for (const std::string& line : ListTree("C:"))
    {
        if (line.compare(0, 22, "OrvalisTest\\kicker.log") != 0)
            s.files.push_back(line);
    }
    s.machine = RegExport(HKEY_LOCAL_MACHINE, "Software", KEY_WOW64_64KEY);
    s.user = RegExport(HKEY_CURRENT_USER, "Software", KEY_WOW64_64KEY);
    return s;
}
}

// Each test builds the footprint an installation leaves for the platform kind under test, and
// removes whatever is left of it, and of the folders and keys it had to add around it, after.
class UninstallFixture : public ::testing::Test
{
protected:
    explicit UninstallFixture(const SKind& kind) : m_kind(kind.kind), m_version(kind.wineVersion) {}

    void SetUp() override
    {
        ASSERT_TRUE(m_version.IsSet());
        static const std::string setting = [] {
            const std::string text = Setting();
            printf("[setting] %s\n", text.c_str());
            return text;
        }();
        const char* expected = getenv("ORVALIS_E2E_SETTING");
        ASSERT_TRUE(expected == nullptr || setting.find(expected) != std::string::npos)
            << "runs in " << setting << ", not in " << expected;
        ASSERT_FALSE(kInstallFolder.empty());
        const EKind kind = m_kind;
        const std::string windir = WindowsFolder();
        ASSERT_FALSE(windir.empty());
        if (kind == k9x)
            m_startMenu = windir + "\\ｽﾀｰﾄ ﾒﾆｭｰ\\ﾌﾟﾛｸﾞﾗﾑ\\オルヴァリス";
        else if (kind == kNT4)
            m_startMenu = windir + "\\Profiles\\All Users\\ｽﾀｰﾄ ﾒﾆｭｰ\\ﾌﾟﾛｸﾞﾗﾑ\\オルヴァリス";
        else
            m_startMenu = ShellFolder(CSIDL_COMMON_STARTMENU) + "\\プログラム\\オルヴァリス";
        const std::string desktop = ShellFolder(kind == k9x ? CSIDL_DESKTOPDIRECTORY : CSIDL_COMMON_DESKTOPDIRECTORY);
        const std::string startup = ShellFolder(kind == k9x ? CSIDL_STARTUP : CSIDL_COMMON_STARTUP);
        ASSERT_FALSE(desktop.empty());
        ASSERT_FALSE(startup.empty());
        m_desktopLink = desktop + "\\オルヴァリス.lnk";
        m_startupLink = startup + "\\オルヴァリス ドライブ監視プログラム.lnk";
        m_albumElsewhere = std::string(kDataFolder) + "\\" + kAlbumOnDisk;
        m_albumInside = std::string(kInstallFolder) + "\\" + kAlbumOnDisk;

        RemoveFootprint();
        ASSERT_TRUE(ClearKickerLog());

        // What an installation leaves around its footprint, and which must stay.
        ASSERT_TRUE(MakeScaffold(kDataFolder));
        ASSERT_TRUE(MakeScaffold(ParentOf(m_startMenu)));
        ASSERT_TRUE(MakeScaffold(desktop));
        ASSERT_TRUE(MakeScaffold(startup));
        m_bMadeMakerKey = !RegKeyExists(HKEY_LOCAL_MACHINE, kMakerKey);
        m_bMadeUninstallParent = !RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallParent);
        ASSERT_TRUE(RegSetString(HKEY_LOCAL_MACHINE, kMakerKey, "Other", "stays"));
        ASSERT_TRUE(RegSetString(HKEY_LOCAL_MACHINE, std::string(kMakerKey) + "\\Other", "Keep", "me"));
        ASSERT_TRUE(RegSetString(HKEY_LOCAL_MACHINE, std::string(kUninstallParent) + "\\OrvalisTest Other",
                                 "DisplayName", "stays"));
    }

    void TearDown() override
    {
        m_driver.Kill();
        for (const std::string& canary : m_canaries)
            DeleteFileA(canary.c_str());
        if (!m_copyFolder.empty())
            RemoveTestTree(m_copyFolder);
        if (m_bSavedRestartList)
            WriteRestartList(m_kind, m_bHadRestartList, m_restartList);
        RemoveFootprint();
        ClearKickerLog();
        RegDeleteTreeAll(HKEY_LOCAL_MACHINE, std::string(kUninstallParent) + "\\OrvalisTest Other");
        RegDeleteTreeAll(HKEY_LOCAL_MACHINE, std::string(kMakerKey) + "\\Other");
        if (m_bMadeMakerKey)
            RegDeleteTreeAll(HKEY_LOCAL_MACHINE, kMakerKey);
        else
            RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kMakerKey, "Other");
        if (m_bMadeUninstallParent)
            RegDeleteTreeAll(HKEY_LOCAL_MACHINE, kUninstallParent);
        for (auto it = m_madeFolders.rbegin(); it != m_madeFolders.rend(); ++it)
            RemoveDirectoryA(it->c_str());
    }

    // Creates the missing folders of path, noting them for removal after the test.
    bool MakeScaffold(const std::string& path)
    {
        for (size_t at = path.find('\\', 3);; at = path.find('\\', at + 1))
        {
            const std::string folder = path.substr(0, at);
            if (!FileExists(folder))
            {
                if (!CreateDirectoryA(folder.c_str(), nullptr))
                    return false;
                m_madeFolders.push_back(folder);
            }
            if (at == std::string::npos)
                return true;
        }
    }

    void RemoveFootprint()
    {
        RemoveTestTree(kInstallFolder);
        RemoveTestTree(m_albumElsewhere);
        RemoveTestTree(m_startMenu);
        RemoveTestTree(m_desktopLink);
        RemoveTestTree(m_startupLink);
        RegDeleteLink(HKEY_LOCAL_MACHINE, kProductLink);
        RegDeleteTreeAll(HKEY_LOCAL_MACHINE, kProductKey);
        RegDeleteTreeAll(HKEY_LOCAL_MACHINE, kUninstallKey);
    }

    static void WriteFiles(const std::string& folder, const std::vector<std::string>& names)
    {
        for (const std::string& name : names)
        {
            const std::string path = folder + "\\" + name;
            ASSERT_TRUE(MakeFolders(ParentOf(path)));
            ASSERT_TRUE(WriteTextFile(path, name));
        }
    }

    // The installation folder with the stand-in companion, a read-only file and sub-folders;
    // the album either inside it or elsewhere.
    void BuildFolders(bool albumInside)
    {
        ASSERT_TRUE(MakeFolders(kInstallFolder));
        ASSERT_TRUE(CopyFileA(kKickerSource, (std::string(kInstallFolder) + "\\OrvalisKicker.exe").c_str(), FALSE));
        WriteFiles(kInstallFolder, { "Orvalis.exe", "表示.txt", "Data\\ソフト\\settings.ini", "Data\\a.dat" });
        ASSERT_TRUE(SetFileAttributesA((std::string(kInstallFolder) + "\\表示.txt").c_str(), FILE_ATTRIBUTE_READONLY));
        WriteFiles(albumInside ? m_albumInside : m_albumElsewhere, { "index.dat", "2024\\IMG_0001.JPG" });
        WriteFiles(m_startMenu, { "オルヴァリス.lnk", "アンインストール.lnk" });
        ASSERT_TRUE(WriteTextFile(m_desktopLink, "desktop"));
        ASSERT_TRUE(WriteTextFile(m_startupLink, "startup"));
    }

    // The product key with settings two levels down (names short and shrinking: under win98
    // Wine's subtree delete stops at a longer name), and the uninstall registration.
    void BuildKeys(bool albumInside)
    {
        const std::string album = std::string(albumInside ? kInstallFolder : kDataFolder) + "\\" + kAlbumInRegistry;
        ASSERT_TRUE(RegSetString(HKEY_LOCAL_MACHINE, kProductKey, "InstallFolder", kInstallFolder));
        ASSERT_TRUE(RegSetString(HKEY_LOCAL_MACHINE, kProductKey, "AlbumFolder", album));
        ASSERT_TRUE(RegSetString(HKEY_LOCAL_MACHINE, std::string(kProductKey) + "\\Setup", "Mode", "1"));
        ASSERT_TRUE(RegSetDword(HKEY_LOCAL_MACHINE, std::string(kProductKey) + "\\Setup\\Win", "X", 10));
        ASSERT_TRUE(RegSetDword(HKEY_LOCAL_MACHINE, std::string(kProductKey) + "\\Setup\\Win\\A", "Y", 20));
        ASSERT_TRUE(RegSetString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName", "ｵﾙｳﾞｧﾘｽ"));
        ASSERT_TRUE(RegSetString(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString", "OrvalisUninstaller.exe"));
        if (IsWow64())
        {
            // Like a 32-bit installer's, in the 32-bit view only, where the program must look.
            ASSERT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kProductKey, KEY_WOW64_64KEY));
            ASSERT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, "Software\\WOW6432Node\\Halvik\\Orvalis",
                                     KEY_WOW64_64KEY));
        }
    }

    void BuildFootprint(bool albumInside)
    {
        ASSERT_NO_FATAL_FAILURE(BuildFolders(albumInside));
        ASSERT_NO_FATAL_FAILURE(BuildKeys(albumInside));
    }

    void StartProgram(const char* program = CUiDriver::kProgram, const char* folder = CUiDriver::kStageFolder,
                      bool handOver = false)
    {
        DWORD exitCode = 0;
        ASSERT_TRUE(m_driver.Start(program, folder, handOver)) << "no main window within the time limit; "
                                      << (m_driver.Process() == nullptr ? "not started, error " + std::to_string(GetLastError())
                                          : m_driver.WaitForExit(0, &exitCode) ? "ended with " + std::to_string(exitCode)
                                          : std::string("still running"));
        ASSERT_TRUE(IsWindowEnabled(Execute())) << "the page shows the not-installed display";
        printf("[timing] start to main window %.0f ms%s\n", m_driver.StartMs(), handOver ? " with the hand-over" : "");
    }

    // The program where installers place it, started from there.
    void StartInstalledProgram()
    {
        const std::string program = PlaceInstalledProgram();
        ASSERT_NO_FATAL_FAILURE(StartProgram(program.c_str(), kInstallFolder.c_str(), true));
    }

    std::string PlaceInstalledProgram()
    {
        const std::string program = std::string(kInstallFolder) + "\\OrvalisUninstaller.exe";
        EXPECT_TRUE(CopyFileA(CUiDriver::kProgram, program.c_str(), FALSE));
        m_bHadRestartList = ReadRestartList(m_kind, m_restartList);
        m_bSavedRestartList = true;
        // Another program's deletion, which must stay, and a section after it.
        if (m_kind == k9x)
            WriteRestartList(k9x, true, m_restartList + "\r\n[rename]\r\nNUL=C:\\OTHER.TMP\r\n[Later]\r\nX=1\r\n");
        else
            WriteRestartList(kNT5, true, m_restartList.substr(0, std::max<size_t>(m_restartList.size(), 1) - 1)
                                         + std::string("\\??\\C:\\OTHER.TMP\0\0\0", 19));
        return program;
    }

    HWND Execute() const { return m_driver.Control(IDC_BUTTON_EXECUTE); }
    HWND AlbumBox() const { return m_driver.Control(IDC_CHECK_DELETE_ALBUM); }

    // Presses Execute and returns the message box that follows.
    HWND PressExecute()
    {
        EXPECT_TRUE(m_driver.Click(IDC_BUTTON_EXECUTE)) << "Execute cannot be pressed";
        HWND box = m_driver.WaitForMessageBox();
        EXPECT_TRUE(box != nullptr) << "no message box";
        return box;
    }

    static void ExpectBox(HWND box, const char* text)
    {
        ASSERT_TRUE(box != nullptr);
        EXPECT_EQ(text, CUiDriver::MessageBoxText(box));
        EXPECT_EQ(kAppTitle, CUiDriver::Text(box));
    }

    // Presses Execute and answers the confirmation; returns the box that follows, if any.
    HWND Confirm(int answer, unsigned long long* answeredAt = nullptr)
    {
        HWND box = PressExecute();
        ExpectBox(box, kMsgConfirm);
        if (!box)
            return nullptr;
        EXPECT_TRUE(m_driver.Control(IDYES, box) && m_driver.Control(IDNO, box)) << "not a Yes/No box";
        if (answeredAt)
            *answeredAt = FileTimeNow();
        EXPECT_TRUE(m_driver.Answer(box, answer));
        return answer == IDYES ? m_driver.WaitForMessageBox(20000) : nullptr;
    }

    // Exit, and the exit code deployment tools would read.
    void ExitProgram(DWORD exitCode)
    {
        EXPECT_TRUE(m_driver.Click(IDCANCEL)) << "Exit cannot be pressed";
        DWORD code = 0;
        EXPECT_TRUE(m_driver.WaitForExit(CUiDriver::kTimeoutMs, &code));
        EXPECT_EQ(exitCode, code);
    }

    // No further box comes up: the procedure returned. A bounded look, as a user would.
    void ExpectNoBoxFollows()
    {
        EXPECT_FALSE(CUiDriver::WaitUntil([&] { return m_driver.CurrentMessageBox() != nullptr; }, 500))
            << CUiDriver::MessageBoxText(m_driver.CurrentMessageBox());
    }

    void ExpectDone(int albumCheck)
    {
        EXPECT_TRUE(CUiDriver::WaitUntil([&] { return !IsWindowEnabled(Execute()); })) << "Execute still enabled";
        EXPECT_EQ(albumCheck, CUiDriver::CheckState(AlbumBox()));
        EXPECT_TRUE(IsWindowEnabled(AlbumBox()));
        // The program holds the application's mutex until it ends, so that the application
        // cannot start into a half-removed installation.
        HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, kMutexName);
        EXPECT_NE(nullptr, mutex) << "the mutex was let go";
        if (mutex != nullptr)
            CloseHandle(mutex);
    }

    void ClearAlbumBox()
    {
        ASSERT_TRUE(m_driver.Click(AlbumBox()));
        ASSERT_TRUE(CUiDriver::WaitUntil([&] { return CUiDriver::CheckState(AlbumBox()) == BST_UNCHECKED; }));
    }

    // Confirms, expects the result text, answers it and checks the page is done.
    void RunToResult(const char* text, int albumCheck)
    {
        HWND result = Confirm(IDYES);
        ExpectBox(result, text);
        ASSERT_TRUE(m_driver.Answer(result, IDOK));
        ExpectDone(albumCheck);
    }

    void ExpectFootprintGone()
    {
        EXPECT_FALSE(FileExists(kInstallFolder));
        EXPECT_FALSE(FileExists(m_albumElsewhere));
        EXPECT_FALSE(FileExists(m_startMenu));
        EXPECT_FALSE(FileExists(m_desktopLink));
        EXPECT_FALSE(FileExists(m_startupLink));
        EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kProductKey));
        EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
        EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, std::string(kMakerKey) + "\\Other"));
    }

    void ExpectNothingRemoved()
    {
        EXPECT_TRUE(FileExists(std::string(kInstallFolder) + "\\Data\\a.dat"));
        EXPECT_TRUE(FileExists(m_albumElsewhere + "\\index.dat"));
        EXPECT_TRUE(FileExists(m_startMenu + "\\オルヴァリス.lnk"));
        EXPECT_TRUE(FileExists(m_desktopLink));
        EXPECT_TRUE(FileExists(m_startupLink));
        EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, std::string(kProductKey) + "\\Setup\\Win\\A"));
        EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    }

    // Files that must outlive the run: one in the folder and one in each of the levels-1
    // folders above it (beside the folder, above it), up to the drive root.
    void PlantCanaries(std::string folder, int levels)
    {
        for (int i = 0; i < levels && folder.size() > 2; ++i, folder = ParentOf(folder))
        {
            if (folder.back() == '\\')
                folder.pop_back();
            const std::string canary = folder + "\\orvalis-canary.txt";
            if (std::find(m_canaries.begin(), m_canaries.end(), canary) != m_canaries.end())
                continue;
            ASSERT_TRUE(WriteTextFile(canary, canary)) << canary;
            m_canaries.push_back(canary);
        }
    }

    void ExpectCanaries()
    {
        for (const std::string& canary : m_canaries)
        {
            std::string text;
            EXPECT_TRUE(ReadTextFile(canary, text) && text == canary) << canary;
        }
    }

    const EKind m_kind;
    CAppVersion m_version;
    CUiDriver m_driver;  // after m_version: the program ends before its version is put back
    std::string m_startMenu;
    std::string m_desktopLink;
    std::string m_startupLink;
    std::string m_albumElsewhere;
    std::string m_albumInside;
    std::vector<std::string> m_madeFolders;
    std::vector<std::string> m_canaries;
    bool m_bMadeMakerKey = false;
    bool m_bMadeUninstallParent = false;
    std::string m_restartList;  // as before the test
    bool m_bHadRestartList = false;
    bool m_bSavedRestartList = false;
    std::string m_copyFolder;
};

class UninstallTest : public ::testing::WithParamInterface<SKind>, public UninstallFixture
{
protected:
    UninstallTest() : UninstallFixture(GetParam()) {}
};

// With a registry link below the product key (NT only: 9x has none) to another product's key,
// which must stay as it is.
TEST_P(UninstallTest, FullFootprint_RemovesExactlyItAfterTheCompanionAndTheWait)
{
    CRegistryBackup other(HKEY_LOCAL_MACHINE, kLinkTarget);
    ASSERT_TRUE(RegSetString(HKEY_LOCAL_MACHINE, kLinkTarget, "Keep", "me"));
    ASSERT_TRUE(RegSetDword(HKEY_LOCAL_MACHINE, std::string(kLinkTarget) + "\\Sub", "N", 1));
    double start = NowMs();
    const SSnapshot before = TakeSnapshot();
    printf("[timing] snapshot %.0f ms, %zu files, %zu machine, %zu user lines\n", NowMs() - start,
           before.files.size(), before.machine.size(), before.user.size());
    ASSERT_NO_FATAL_FAILURE(BuildFootprint(false));
    if (m_kind != k9x)
    {
        ASSERT_TRUE(RegCreateLink(HKEY_LOCAL_MACHINE, kProductLink, kLinkTargetName));
    }
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    ASSERT_EQ(BST_CHECKED, CUiDriver::CheckState(AlbumBox()));

    unsigned long long yes = 0;
    HWND result;
    {
        CPresenceWatch album(m_albumElsewhere);
        result = Confirm(IDYES, &yes);
        ExpectBox(result, kMsgComplete);

        const std::vector<SKickerRun> runs = ReadKickerLog();
        ASSERT_EQ(1u, runs.size()) << "the companion was started once";
        EXPECT_EQ("OrvalisKicker.exe -D", runs[0].commandLine);
        EXPECT_EQ(kInstallFolder, runs[0].folder);
        ASSERT_NE(0u, album.FirstGone()) << "the album folder did not go";
        ASSERT_NE(0u, album.LastSeen());
        const double clickToKicker = FileTimeMs(runs[0].time, yes);
        const double kickerToRemoval = FileTimeMs(album.LastSeen(), runs[0].time);
        const double clickToRemoval = FileTimeMs(album.FirstGone(), yes);
        printf("[timing] Yes to companion log %.0f ms, companion log to album last seen %.0f ms, "
               "Yes to album gone %.0f ms\n", clickToKicker, kickerToRemoval, clickToRemoval);
        // The launch lies between the click and the companion's log line, the first removal
        // between the album's last sighting and its first absence.
        EXPECT_GE(clickToKicker, 0);
        EXPECT_GE(clickToRemoval, kKickerWaitMs);
        EXPECT_GE(kickerToRemoval, kKickerWaitMs - kKickerStartAllowanceMs);
    }
    ASSERT_TRUE(m_driver.Answer(result, IDOK));
    ExpectNoBoxFollows();
    ExpectDone(BST_CHECKED);
    ExpectFootprintGone();

    const SSnapshot after = TakeSnapshot();
    EXPECT_EQ("", Differences(before.files, after.files));
    EXPECT_EQ("", Differences(before.machine, after.machine));
    EXPECT_EQ("", Differences(before.user, after.user));
}

// Placed in its installation folder, as installers do, the program cannot remove its own
// file: a copy of it in a new private folder below the temporary folder does the work.
TEST_P(UninstallTest, StartedFromInstallFolder_ACopyRemovesEverythingAndGoesAtRestart)
{
    ASSERT_NO_FATAL_FAILURE(BuildFootprint(false));
    ASSERT_NO_FATAL_FAILURE(StartInstalledProgram());
    const std::string copy = m_driver.ImagePath();
    const std::string folder = ParentOf(copy);
    char temp[MAX_PATH] = "";
    ASSERT_NE(0u, GetTempPathA(MAX_PATH, temp));
    ASSERT_EQ(0, lstrcmpiA(temp, (ParentOf(folder) + "\\").c_str())) << copy;
    m_copyFolder = folder;
    EXPECT_TRUE(GetParam().kind == k9x || IsPrivateFolder(folder));

    ASSERT_NO_FATAL_FAILURE(RunToResult(kMsgComplete, BST_CHECKED));
    // The started process waits, without a window, for its copy and ends with its exit code;
    // on NT its file, moved beside the copy, then goes too.
    ExitProgram(0);
    DWORD exitCode = 1;
    EXPECT_TRUE(m_driver.WaitForStarter(CUiDriver::kTimeoutMs, &exitCode));
    EXPECT_EQ(0u, exitCode);
    ExpectFootprintGone();
    const std::string moved = folder + "\\original-OrvalisUninstaller.exe";
    EXPECT_TRUE(CUiDriver::WaitUntil([&] { return !FileExists(moved); }));
    std::vector<std::string> atRestart({ copy, folder });
    if (GetParam().kind != k9x)
        atRestart.insert(atRestart.begin(), moved);
    EXPECT_EQ(atRestart, DeletionsAtRestart(GetParam().kind, folder));
    EXPECT_EQ(std::vector<std::string>({ "C:\\OTHER.TMP" }), DeletionsAtRestart(GetParam().kind, "C:\\OTHER.TMP"));
}

class UninstallHandOverTest : public UninstallTest
{
};

// The user's unelevated programs can write into the temporary folder: DLLs they drop beside
// the copy, under the names of libraries the program loads at run time, are never loaded.
TEST_P(UninstallHandOverTest, StartedFromInstallFolder_DllsPlantedBesideTheCopyNeverLoad)
{
    ASSERT_NO_FATAL_FAILURE(BuildFootprint(false));
    CTempAttacker attacker(CTempAttacker::kPlantDlls);
    ASSERT_NO_FATAL_FAILURE(StartInstalledProgram());
    m_copyFolder = ParentOf(m_driver.ImagePath());
    ASSERT_NO_FATAL_FAILURE(RunToResult(kMsgComplete, BST_CHECKED));
    EXPECT_TRUE(attacker.Struck()) << "the attacker placed no DLL";
    std::string loaded;
    EXPECT_FALSE(ReadTextFile(kPlantedLog, loaded)) << loaded;
}

// A copy replaced once written never starts: the program starts only the file it wrote, and
// where that is not the one there it runs from where it lies (its own file then stays).
TEST_P(UninstallHandOverTest, StartedFromInstallFolder_ACopySwappedOnceWrittenNeverRuns)
{
    ASSERT_NO_FATAL_FAILURE(BuildFootprint(false));
    CTempAttacker attacker(CTempAttacker::kSwapCopy);
    StartInstalledProgram();
    for (const SKickerRun& run : ReadKickerLog())
        EXPECT_EQ(std::string::npos, run.commandLine.find("/HandOverFrom")) << "the replacement ran as the copy";
    ASSERT_FALSE(HasFatalFailure());
    const std::string image = m_driver.ImagePath();
    const bool inPlace = lstrcmpiA(image.c_str(), (kInstallFolder + "\\OrvalisUninstaller.exe").c_str()) == 0;
    printf("[hand-over] the copy %s; the program %s\n", attacker.Struck() ? "was replaced" : "held out",
           inPlace ? "ran in place" : "handed over");
    if (!inPlace)
        m_copyFolder = ParentOf(image);
    ASSERT_NO_FATAL_FAILURE(RunToResult(inPlace ? kMsgPartial : kMsgComplete, BST_CHECKED));
}

TEST_P(UninstallTest, EarlyReturns_RemoveNothingAndLeaveExecuteToPressAgain)
{
    ASSERT_NO_FATAL_FAILURE(BuildFootprint(false));
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    {
        CMutexHolder application;
        ASSERT_TRUE(application.Start(kMutexName));
        HWND box = PressExecute();
        ExpectBox(box, kMsgRunning);
        EXPECT_FALSE(m_driver.Control(IDNO, box)) << "the running message asks nothing";
        ASSERT_TRUE(m_driver.Answer(box, IDOK));
        ExpectNoBoxFollows();
        EXPECT_TRUE(IsWindowEnabled(Execute()));
        ASSERT_TRUE(application.Stop());
    }
    // The application has quit since: the press goes on to the confirmation.
    EXPECT_EQ(nullptr, Confirm(IDNO));
    ExpectNoBoxFollows();
    EXPECT_TRUE(IsWindowEnabled(Execute()));
    EXPECT_EQ(nullptr, Confirm(IDNO)) << "a second press asks again";
    ExpectNoBoxFollows();
    {
        // The mutex of an application running under another account cannot even be opened.
        CMutexHolder otherAccount;
        ASSERT_TRUE(otherAccount.Start(kMutexName, true));
        HWND box = PressExecute();
        ExpectBox(box, kMsgRunning);
        ASSERT_TRUE(m_driver.Answer(box, IDOK));
        ExpectNoBoxFollows();
    }
    EXPECT_TRUE(IsWindowEnabled(Execute()));
    EXPECT_EQ(BST_CHECKED, CUiDriver::CheckState(AlbumBox()));
    // The last press found the application running; pressing No instead gives 1602.
    ExitProgram(1618);
    ExpectNothingRemoved();
    EXPECT_FALSE(FileExists(kKickerLog)) << "the companion was started";
}

// Another uninstall removed the product key while the program showed its window.
TEST_P(UninstallTest, ProductKeyGone_NoCompanionNoWaitTheRestRemoved)
{
    ASSERT_NO_FATAL_FAILURE(BuildFootprint(false));
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    ASSERT_TRUE(RegDeleteTreeAll(HKEY_LOCAL_MACHINE, kProductKey));
    const std::vector<std::string> install = ListTree(kInstallFolder);
    const std::vector<std::string> album = ListTree(m_albumElsewhere);

    double start = NowMs();
    HWND result = Confirm(IDYES);
    const double elapsed = NowMs() - start;
    ExpectBox(result, kMsgPartial);  // the Start-menu folder and the registration
    EXPECT_LT(elapsed, kKickerWaitMs) << "waited for a companion that was not started";
    ASSERT_TRUE(m_driver.Answer(result, IDOK));
    ExpectDone(BST_CHECKED);

    EXPECT_FALSE(FileExists(kKickerLog)) << "the companion was started";
    EXPECT_EQ(install, ListTree(kInstallFolder));
    EXPECT_EQ(album, ListTree(m_albumElsewhere));
    EXPECT_FALSE(FileExists(m_startMenu));
    EXPECT_FALSE(FileExists(m_desktopLink));
    EXPECT_FALSE(FileExists(m_startupLink));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kProductKey)) << "the product key was created";
}

TEST_P(UninstallTest, NothingPresent_ReportsNothingRemoved)
{
    ASSERT_TRUE(RegSetString(HKEY_LOCAL_MACHINE, kProductKey, "InstallFolder", kInstallFolder));
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    ASSERT_TRUE(RegDeleteTreeAll(HKEY_LOCAL_MACHINE, kProductKey));
    // Whichever test comes first in a fresh prefix: Wine's own first writes come before this.
    AskForEveryKnownFolder();
    const std::vector<std::string> machine = RegExport(HKEY_LOCAL_MACHINE, "Software", KEY_WOW64_64KEY);

    HWND result = Confirm(IDYES);
    ExpectBox(result, kMsgNothing);
    ASSERT_TRUE(m_driver.Answer(result, IDOK));
    ExpectDone(BST_CHECKED);
    EXPECT_FALSE(FileExists(kKickerLog));
    EXPECT_EQ("", Differences(machine, RegExport(HKEY_LOCAL_MACHINE, "Software", KEY_WOW64_64KEY)));
}

// The desktop shortcut is a link to a document of the user's, which the link fixture lays
// out from the Linux side; the shell is told that the link's folder is the desktop. Whatever
// becomes of the link (Wine shows it as a plain file), the document stays. 9x has no links
// (Wine's, which it shows also when it plays 9x, reach their target through 9x's own calls).
TEST_P(UninstallTest, ShortcutIsALink_ItsTargetStays)
{
    if (GetParam().kind == k9x)
        GTEST_SKIP() << "9x has no links";
    const std::string links = "C:\\OrvalisTest\\ShortcutLinks";
    const std::string desktop = links + "\\Desktop";
    const std::string document = links + "\\document.txt";
    ASSERT_TRUE(WriteTextFile(document, "the user's own"));
    if (!FileExists(desktop + "\\オルヴァリス.lnk"))
        GTEST_SKIP() << "the link fixture (make-links.sh) has not run";
    ASSERT_NO_FATAL_FAILURE(BuildFootprint(false));
    const char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    const char kUserShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    CRegistryBackup common(HKEY_LOCAL_MACHINE, kUserShellFolders), commonSeen(HKEY_LOCAL_MACHINE, kShellFolders);
    CRegistryBackup user(HKEY_CURRENT_USER, kUserShellFolders), userSeen(HKEY_CURRENT_USER, kShellFolders);
    ASSERT_TRUE(RegSetString(HKEY_LOCAL_MACHINE, kUserShellFolders, "Common Desktop", desktop));
    ASSERT_TRUE(RegSetString(HKEY_CURRENT_USER, kUserShellFolders, "Desktop", desktop));
    ASSERT_EQ(desktop, ShellFolder(GetParam().kind == k9x ? CSIDL_DESKTOPDIRECTORY : CSIDL_COMMON_DESKTOPDIRECTORY));
    ASSERT_NO_FATAL_FAILURE(StartProgram());

    ASSERT_NO_FATAL_FAILURE(RunToResult(kMsgComplete, BST_CHECKED));
    m_driver.Kill();

    std::string text;
    EXPECT_TRUE(ReadTextFile(document, text) && text == "the user's own") << "the link's target was lost";
    EXPECT_FALSE(FileExists(m_startupLink)) << "the other shortcut, a plain file, stayed";
}

// How the folders go does not depend on the platform kind: these run under one, NT 5 or later.
class UninstallFolderTest : public UninstallTest
{
};

TEST_P(UninstallFolderTest, InstallFolderValueMissing_NoCompanionButTheWaitAndTheRest)
{
    ASSERT_NO_FATAL_FAILURE(BuildFootprint(false));
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kProductKey, "InstallFolder"));
    const std::vector<std::string> install = ListTree(kInstallFolder);
    // Where a launch from the empty folder would find the companion: the root of the drive
    // the program runs on.
    const std::string rootKicker = "C:\\OrvalisKicker.exe";
    ASSERT_TRUE(CopyFileA(kKickerSource, rootKicker.c_str(), TRUE));
    struct SRemove { std::string path; ~SRemove() { DeleteFileA(path.c_str()); } } removeRootKicker{ rootKicker };

    double start = NowMs();
    HWND result = Confirm(IDYES);
    const double elapsed = NowMs() - start;
    ExpectBox(result, kMsgPartial);  // album, Start menu, settings and registration
    EXPECT_GE(elapsed, kKickerWaitMs);
    ASSERT_TRUE(m_driver.Answer(result, IDOK));
    ExpectDone(BST_CHECKED);

    EXPECT_FALSE(FileExists(kKickerLog)) << "something was started without a folder";
    EXPECT_EQ(install, ListTree(kInstallFolder));
    EXPECT_FALSE(FileExists(m_albumElsewhere));
    EXPECT_FALSE(FileExists(m_startMenu));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kProductKey));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}

namespace
{
// The entries of a tree listing at or below the top-level name.
std::vector<std::string> Below(const std::vector<std::string>& listing, const std::string& name)
{
    std::vector<std::string> out;
    for (const std::string& line : listing)
    {
        if (line.compare(0, name.size() + 1, name + "\t") == 0 || line.compare(0, name.size() + 1, name + "\\") == 0)
            out.push_back(line);
    }
    return out;
}

// What stays for a kept path, given by its names: its own tree, and each folder on the way
// to it without anything else.
std::vector<std::string> KeptPathEntries(const std::vector<std::string>& listing, const std::vector<std::string>& names)
{
    std::string path;
    std::vector<std::string> out;
    for (const std::string& name : names)
    {
        if (!path.empty())
        {
            for (const std::string& line : listing)
                if (line.compare(0, path.size() + 1, path + "\t") == 0)
                    out.push_back(line);
            path += "\\";
        }
        path += name;
    }
    const std::vector<std::string> below = Below(listing, path);
    out.insert(out.end(), below.begin(), below.end());
    std::sort(out.begin(), out.end());
    return out;
}
}

TEST_P(UninstallFolderTest, AlbumKeptInsideInstallFolder_OnlyTheAlbumAndItsFolderStay)
{
    ASSERT_NO_FATAL_FAILURE(BuildFootprint(true));
    // Only the top level is spared: a deeper folder of the same name goes.
    WriteFiles(kInstallFolder, { "Data\\Photo表\\deeper.jpg" });
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    ASSERT_NO_FATAL_FAILURE(ClearAlbumBox());
    const std::vector<std::string> kept = Below(ListTree(kInstallFolder), kAlbumOnDisk);
    ASSERT_EQ(4u, kept.size());

    ASSERT_NO_FATAL_FAILURE(RunToResult(kMsgPartial, BST_UNCHECKED));

    EXPECT_EQ(kept, ListTree(kInstallFolder));
    EXPECT_FALSE(FileExists(m_startMenu));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kProductKey));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}

// An album further down than the top level is never removed with its ancestors: it stays,
// and so do the folders on the way to it, without their other contents; folders of the
// album's name elsewhere go. A trailing backslash in the value is no name.
TEST_P(UninstallFolderTest, AlbumKeptDeeperInside_ItAndTheFoldersOnTheWayStay)
{
    ASSERT_NO_FATAL_FAILURE(BuildFootprint(false));
    const std::string album = std::string(kInstallFolder) + "\\Data\\写真表";
    WriteFiles(album, { "IMG_0002.JPG" });
    WriteFiles(kInstallFolder, { "写真表\\gone.jpg", "Data\\ソフト\\写真表\\gone.jpg" });
    ASSERT_TRUE(RegSetString(HKEY_LOCAL_MACHINE, kProductKey, "AlbumFolder", album + "\\"));
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    ASSERT_NO_FATAL_FAILURE(ClearAlbumBox());
    const std::vector<std::string> kept = KeptPathEntries(ListTree(kInstallFolder), { "Data", "写真表" });
    ASSERT_EQ(3u, kept.size());

    ASSERT_NO_FATAL_FAILURE(RunToResult(kMsgPartial, BST_UNCHECKED));

    EXPECT_EQ(kept, ListTree(kInstallFolder));
    EXPECT_TRUE(FileExists(album + "\\IMG_0002.JPG"));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kProductKey));
}

TEST_P(UninstallFolderTest, AlbumKeptElsewhere_AlbumUntouched)
{
    ASSERT_NO_FATAL_FAILURE(BuildFootprint(false));
    WriteFiles(kInstallFolder, { "Photo表\\same name.txt" });
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    ASSERT_NO_FATAL_FAILURE(ClearAlbumBox());
    const std::vector<std::string> album = ListTree(m_albumElsewhere);
    const std::vector<std::string> kept = Below(ListTree(kInstallFolder), kAlbumOnDisk);
    ASSERT_EQ(2u, kept.size());

    ASSERT_NO_FATAL_FAILURE(RunToResult(kMsgPartial, BST_UNCHECKED));

    EXPECT_EQ(album, ListTree(m_albumElsewhere));
    EXPECT_EQ(kept, ListTree(kInstallFolder)) << "a top-level folder of the album's name stays too";
    EXPECT_FALSE(FileExists(m_startMenu));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kProductKey));
}

namespace
{
enum EStays { kWhole, kOnly, kAllBut, kNothing };

// How InstallFolder and AlbumFolder are spelled, and what of the installation folder stays.
// In the spellings {I} is the installation folder, {i} its short form, {s} the short form of
// its folder Data\ソフト, and {h} that of its album whose name code page 932 lacks.
struct SAlbumCase
{
    const char* name;
    const wchar_t* install;
    const wchar_t* album;
    bool deleteAlbum;
    const char* result;
    EStays stays;
    const wchar_t* top;   // the path below the installation folder that kOnly and kAllBut mean
    bool kicker;          // the companion is started
};

void PrintTo(const SAlbumCase& albumCase, std::ostream* os)
{
    *os << albumCase.name;
}

const wchar_t kInstallFolderW[] = L"C:\\Program Files\\Orvalis";
// Album names that code page 932 lacks: one it reads as "??", one it reads as "Photos d'ete".
const wchar_t kLackedName[] = L"\xC0AC\xC9C4";
const wchar_t kBestFitName[] = L"Photos d'\x00E9t\x00E9";

const SAlbumCase kAlbumCases[] = {
    { "SameAsInstallFolder", L"{I}", L"{I}", false, kMsgPartial, kWhole, L"", true },
    { "SameAsInstallFolderTicked", L"{I}", L"{I}\\", true, kMsgComplete, kNothing, L"", true },
    { "InstallFolderShortName", L"{i}", L"{I}\\Data\\ソフト", false, kMsgPartial, kOnly, L"Data\\ソフト", true },
    { "AlbumShortName", L"{I}", L"{s}", false, kMsgPartial, kOnly, L"Data\\ソフト", true },
    { "DotComponent", L"{I}", L"{I}\\.\\Photo表", false, kMsgPartial, kOnly, L"Photo表", true },
    { "ForwardSlashes", L"{I}", L"C:/Program Files/Orvalis/Photo表", false, kMsgPartial, kOnly, L"Photo表", true },
    { "NameOutsideCodePage", L"{I}", L"{I}\\\xC0AC\xC9C4", false, kMsgPartial, kWhole, L"", true },
    { "NameBestFitInCodePage", L"{I}", L"{I}\\Photos d'\x00E9t\x00E9", false, kMsgPartial, kWhole, L"", true },
    { "ShortNameOfNameOutsideCodePage", L"{I}", L"{h}", false, kMsgPartial, kOnly, kLackedName, true },
    { "AlbumHoldsInstallFolderTicked", L"{I}\\Data", L"{I}", true, kMsgPartial, kAllBut, L"Data", false },
    { "InstallFolderIsDriveRoot", L"C:\\", L"{I}\\PHOTO表", true, kMsgPartial, kAllBut, L"Photo表", false },
};

std::string Narrow(const std::wstring& text)
{
    char buffer[MAX_PATH * 2] = "";
    int n = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, buffer, sizeof(buffer), nullptr, nullptr);
    return n > 0 ? buffer : "";
}

// Empty unless the short form differs from the long one.
std::wstring ShortPath(const std::wstring& path)
{
    wchar_t buffer[MAX_PATH] = L"";
    DWORD n = GetShortPathNameW(path.c_str(), buffer, MAX_PATH);
    return n > 0 && n < MAX_PATH && wcschr(buffer, L'~') ? buffer : L"";
}

bool WriteWideFile(const std::wstring& path)
{
    CreateDirectoryW(path.substr(0, path.rfind(L'\\')).c_str(), nullptr);
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

// The narrow clean-up cannot name these folders.
void RemoveWideTree(const std::wstring& path)
{
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &fd);
    if (find != INVALID_HANDLE_VALUE)
    {
        do
        {
            const std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..")
                continue;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveWideTree(path + L"\\" + name);
            else
                DeleteFileW((path + L"\\" + name).c_str());
        } while (FindNextFileW(find, &fd));
        FindClose(find);
    }
    RemoveDirectoryW(path.c_str());
}
}

// How the folders are spelled does not decide whether the album survives; a companion at the
// drive's root is never started.
class UninstallAlbumTest : public ::testing::WithParamInterface<SAlbumCase>, public UninstallFixture
{
protected:
    UninstallAlbumTest() : UninstallFixture(kWin7) {}

    void TearDown() override
    {
        m_driver.Kill();
        RemoveWideTree(std::wstring(kInstallFolderW) + L"\\" + kLackedName);
        RemoveWideTree(std::wstring(kInstallFolderW) + L"\\" + kBestFitName);
        DeleteFileA(kRootKicker);
        UninstallFixture::TearDown();
    }

    static std::wstring Expand(const wchar_t* spelling)
    {
        const std::wstring install = kInstallFolderW;
        const std::pair<std::wstring, std::wstring> tokens[] = {
            { L"{I}", install },
            { L"{i}", ShortPath(install) },
            { L"{s}", ShortPath(install + L"\\Data\\ソフト") },
            { L"{h}", ShortPath(install + L"\\" + kLackedName) },
        };
        std::wstring text = spelling;
        for (const auto& token : tokens)
        {
            size_t at = text.find(token.first);
            if (at != std::wstring::npos && !token.second.empty())
                text.replace(at, token.first.size(), token.second);
        }
        return text;
    }

    static const char* const kRootKicker;
};

const char* const UninstallAlbumTest::kRootKicker = "C:\\OrvalisKicker.exe";

TEST_P(UninstallAlbumTest, Spelling_NeverCostsTheAlbum)
{
    const SAlbumCase& c = GetParam();
    ASSERT_NO_FATAL_FAILURE(BuildFootprint(true));
    for (const wchar_t* name : { kLackedName, kBestFitName })
        ASSERT_TRUE(WriteWideFile(std::wstring(kInstallFolderW) + L"\\" + name + L"\\IMG_0003.JPG"));
    ASSERT_TRUE(CopyFileA(kKickerSource, kRootKicker, FALSE));
    const std::wstring install = Expand(c.install);
    const std::wstring album = Expand(c.album);
    ASSERT_EQ(std::wstring::npos, (install + album).find(L'{')) << "no short name to test with";
    ASSERT_TRUE(RegSetWideString(HKEY_LOCAL_MACHINE, kProductKey, "InstallFolder", install));
    ASSERT_TRUE(RegSetWideString(HKEY_LOCAL_MACHINE, kProductKey, "AlbumFolder", album));
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    if (!c.deleteAlbum)
    {
        ASSERT_NO_FATAL_FAILURE(ClearAlbumBox());
    }
    const std::vector<std::string> before = ListTree(kInstallFolder);
    std::vector<std::string> names;
    for (const wchar_t* name = c.top; *name != L'\0';)
    {
        const wchar_t* end = wcschr(name, L'\\');
        names.push_back(Narrow(end ? std::wstring(name, end) : std::wstring(name)));
        name = end ? end + 1 : name + wcslen(name);
    }
    const std::vector<std::string> top = KeptPathEntries(before, names);
    ASSERT_TRUE(c.stays == kWhole || c.stays == kNothing || !top.empty());
    std::vector<std::string> expected;
    if (c.stays == kWhole)
        expected = before;
    else if (c.stays == kOnly)
        expected = top;
    else if (c.stays == kAllBut)
        std::set_difference(before.begin(), before.end(), top.begin(), top.end(), std::back_inserter(expected));

    ASSERT_NO_FATAL_FAILURE(RunToResult(c.result, c.deleteAlbum ? BST_CHECKED : BST_UNCHECKED));

    EXPECT_EQ(expected, ListTree(kInstallFolder));
    EXPECT_EQ(c.kicker, FileExists(kKickerLog));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kProductKey));
}

// Another program holds part of the installation folder: a file without delete sharing, a
// file with it (the file is then only marked for deletion and stays, with its folder, until
// that program lets go), or a sub-folder as its working directory. The folder stays, and the
// result does not claim a complete removal; everything beside and above it stays too.
TEST_P(UninstallFolderTest, InstallFolderHeldByAnotherProgram_NotReportedComplete)
{
    enum EHold { kFile, kFileDeletePending, kWorkingFolder };
    const std::string data = std::string(kInstallFolder) + "\\Data";
    const std::string locked = data + "\\a.dat";
    for (EHold hold : { kFile, kFileDeletePending, kWorkingFolder })
    {
        SCOPED_TRACE(hold == kFile ? "file" : hold == kFileDeletePending ? "file, delete sharing" : "working folder");
        RemoveFootprint();
        ASSERT_NO_FATAL_FAILURE(BuildFootprint(false));
        ASSERT_NO_FATAL_FAILURE(PlantCanaries(ParentOf(kInstallFolder), 2));
        std::unique_ptr<CHeldFile> held;
        CMutexHolder folderUser;
        if (hold == kWorkingFolder)
        {
            ASSERT_TRUE(folderUser.Start("OrvalisTest folder user", false, data.c_str()));
        }
        else
        {
            const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | (hold == kFileDeletePending ? FILE_SHARE_DELETE : 0);
            held.reset(new CHeldFile(locked, share));
            ASSERT_TRUE(held->IsHeld());
        }
        ASSERT_NO_FATAL_FAILURE(StartProgram());

        HWND result = Confirm(IDYES);
        ExpectBox(result, kMsgPartial);  // all but the installation folder and its record
        ASSERT_TRUE(m_driver.Answer(result, IDOK));
        ExpectDone(BST_CHECKED);
        ExitProgram(1603);

        EXPECT_TRUE(FileExists(hold == kWorkingFolder ? data : locked));
        EXPECT_FALSE(FileExists(m_albumElsewhere));
        EXPECT_FALSE(FileExists(m_startMenu));
        EXPECT_FALSE(FileExists(m_desktopLink));
        // Kept for a second run, which finds the folders and finishes the removal.
        EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, kProductKey));
        EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
        held.reset();
        ASSERT_TRUE(hold != kWorkingFolder || folderUser.Stop());
        ASSERT_NO_FATAL_FAILURE(StartProgram());
        ASSERT_NO_FATAL_FAILURE(RunToResult(kMsgComplete, BST_CHECKED));
        ExitProgram(0);
        ExpectFootprintGone();
        ExpectCanaries();
    }
}

// Folder values that name a folder of the system or of the user (the installer's record
// damaged or tampered with): neither the album's nor the installation folder's removal
// touches it, and the result does not claim a complete removal. The user's folders count in
// every profile (one in the profiles folder, one the system lists elsewhere) and wherever the
// shell folders are redirected, however the redirection is spelled; a folder of ours below
// another user's AppData still goes.
TEST_P(UninstallFolderTest, SystemAndUserFolderValues_LeftWhole)
{
    const std::string windir = WindowsFolder();
    const std::string profile = ShellFolder(CSIDL_PROFILE);
    const std::string localAppData = ShellFolder(CSIDL_LOCAL_APPDATA);
    ASSERT_FALSE(windir.empty() || profile.empty() || localAppData.empty());
    // Named like ours, but directly inside a profile.
    const std::string inProfile = profile + "\\Orvalis";
    const std::string other = ParentOf(profile) + "\\orvalis-other";
    const std::string listed = "C:\\OrvalisTest Profiles\\listed";
    const std::string pictures = kInstallFolder + "\\Pictures";
    struct SRemove { std::string path; ~SRemove() { RemoveTestTree(path); } } removeInProfile{ inProfile },
        removeOther{ other }, removeListed{ ParentOf(listed) };
    // Made again for each run, so that one run's fault does not hide the next one's.
    const std::string made[] = { inProfile, other + "\\AppData\\Local\\Orvalis", other + "\\AppData\\Roaming",
                                 other + "\\AppData\\LocalLow", listed + "\\AppData\\Local",
                                 listed + "\\AppData\\Roaming", listed + "\\AppData\\LocalLow", pictures };
    ASSERT_TRUE(MakeFolders(pictures));
    const char kListedKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\S-1-5-21-1-2-3-1099";
    CRegistryBackup listedKey(HKEY_LOCAL_MACHINE, kListedKey);
    ASSERT_TRUE(RegSetString(HKEY_LOCAL_MACHINE, kListedKey, "ProfileImagePath", listed));
    const char kUserShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    const char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    CRegistryBackup userShellFolders(HKEY_CURRENT_USER, kUserShellFolders);
    CRegistryBackup shellFolders(HKEY_CURRENT_USER, kShellFolders);
    std::string slashed = pictures + "\\";
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    char shortPictures[MAX_PATH] = "";
    ASSERT_NE(0u, GetShortPathNameA(pictures.c_str(), shortPictures, MAX_PATH));
    ASSERT_STRNE(pictures.c_str(), shortPictures) << "no short name to test with";
    std::string upper = kInstallFolder;
    CharUpperA(&upper[0]);

    // Album and installation folder values, and where Pictures is redirected; one run each.
    struct SValues { std::string album, install, redirect; bool installGoes; };
    const SValues values[] = {
        { profile + "\\Downloads", windir + "\\Fonts", "", false },
        { localAppData, "C:\\Program Files\\Internet Explorer", "", false },
        { windir + "\\system32\\drivers", ParentOf(profile) + "\\Public", "", false },
        { windir + "\\temp", profile, "", false },
        { inProfile, "C:\\", "", false },
        { other + "\\AppData\\Local", other + "\\AppData\\Roaming", "", false },
        { other + "\\AppData\\LocalLow", listed + "\\AppData\\Local", "", false },
        { listed + "\\AppData\\Roaming", listed + "\\AppData\\LocalLow", "", false },
        { profile + "\\Downloads", other + "\\AppData\\Local\\Orvalis", "", true },
        { pictures, kInstallFolder, slashed, false },
        { pictures, kInstallFolder, "%ProgramFiles%\\Orvalis\\Pictures", false },
        { pictures, kInstallFolder, shortPictures, false },
        { pictures, kInstallFolder, upper + "\\pictures", false },
        { pictures, kInstallFolder, kInstallFolder + "\\.\\Pictures\\..\\Data\\..\\Pictures", false },
    };
    for (const SValues& value : values)
    {
        SCOPED_TRACE(value.album + " / " + value.install + " / " + value.redirect);
        for (const std::string& folder : made)
            ASSERT_TRUE(MakeFolders(folder)) << folder;
        if (!value.redirect.empty())
        {
            ASSERT_TRUE(RegSetRaw(HKEY_CURRENT_USER, kUserShellFolders, "My Pictures", REG_EXPAND_SZ,
                                  std::string(value.redirect.c_str(), value.redirect.size() + 1)));
            ASSERT_TRUE(RegSetString(HKEY_CURRENT_USER, kShellFolders, "My Pictures", value.redirect));
        }
        ASSERT_NO_FATAL_FAILURE(PlantCanaries(value.album, 2));
        // The shell takes the redirection as it is spelled.
        ASSERT_TRUE(value.redirect.empty() || FileExists(ShellFolder(CSIDL_MYPICTURES) + "\\orvalis-canary.txt"))
            << ShellFolder(CSIDL_MYPICTURES);
        ASSERT_NO_FATAL_FAILURE(PlantCanaries(value.installGoes ? ParentOf(value.install) : value.install, 2));
        ASSERT_TRUE(!value.installGoes || WriteTextFile(value.install + "\\Orvalis.exe", "ours"));
        ASSERT_TRUE(RegSetString(HKEY_LOCAL_MACHINE, kProductKey, "AlbumFolder", value.album));
        ASSERT_TRUE(RegSetString(HKEY_LOCAL_MACHINE, kProductKey, "InstallFolder", value.install));
        ASSERT_NO_FATAL_FAILURE(StartProgram());

        HWND result = Confirm(IDYES);
        ASSERT_TRUE(result != nullptr);
        EXPECT_NE(kMsgComplete, CUiDriver::MessageBoxText(result));
        ASSERT_TRUE(m_driver.Answer(result, IDOK));
        ExpectDone(BST_CHECKED);
        m_driver.Kill();

        EXPECT_TRUE(FileExists(value.album));
        EXPECT_NE(value.installGoes, FileExists(value.install));
        ExpectCanaries();
    }
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, std::string(kMakerKey) + "\\Other"));
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, std::string(kUninstallParent) + "\\OrvalisTest Other"));
}

// The second click of a double click comes while the first waits for its confirmation: it is
// the same press, not a second run that would find the first one's mutex.
TEST_P(UninstallFolderTest, DoublePress_OneConfirmationOneRun)
{
    ASSERT_NO_FATAL_FAILURE(BuildFootprint(false));
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    ASSERT_TRUE(m_driver.Click(IDC_BUTTON_EXECUTE));
    ASSERT_TRUE(PostMessageA(Execute(), BM_CLICK, 0, 0));

    HWND confirm = m_driver.WaitForMessageBox();
    ExpectBox(confirm, kMsgConfirm);
    EXPECT_FALSE(CUiDriver::WaitUntil([&] {
        HWND box = m_driver.CurrentMessageBox();
        return box != nullptr && box != confirm;
    }, 500)) << CUiDriver::MessageBoxText(m_driver.CurrentMessageBox());
    ASSERT_TRUE(m_driver.Answer(confirm, IDYES));
    HWND result = m_driver.WaitForMessageBox(20000);
    ExpectBox(result, kMsgComplete);
    ASSERT_TRUE(m_driver.Answer(result, IDOK));
    ExpectNoBoxFollows();
    ExpectDone(BST_CHECKED);
    EXPECT_EQ(1u, ReadKickerLog().size());
    ExpectFootprintGone();
}

namespace
{
HICON BoxIcon(const CUiDriver& driver, HWND box)
{
    HWND icon = driver.Control(1088, box);  // Wine's icon static
    DWORD_PTR handle = 0;
    if (!icon || !IsWindowVisible(icon)
        || !SendMessageTimeoutA(icon, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 3000, &handle))
        return nullptr;
    return reinterpret_cast<HICON>(handle);
}
}

// A read-only file that another program holds without write sharing: clearing its attribute
// works, but the status write-back cannot open it to restore its times.
TEST_P(UninstallFolderTest, FileException_ErrorBoxEndsTheRunAndExecuteStaysEnabled)
{
    ASSERT_NO_FATAL_FAILURE(BuildFootprint(false));
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    // The icons this program's boxes show for a warning and a question, to tell the error's apart.
    HICON warning = nullptr;
    {
        CMutexHolder application;
        ASSERT_TRUE(application.Start(kMutexName));
        HWND box = PressExecute();
        ExpectBox(box, kMsgRunning);
        warning = BoxIcon(m_driver, box);
        ASSERT_TRUE(m_driver.Answer(box, IDOK));
    }
    const std::string readOnly = std::string(kInstallFolder) + "\\表示.txt";
    CHeldFile held(readOnly, FILE_SHARE_READ);
    ASSERT_TRUE(held.IsHeld());

    HWND confirm = PressExecute();
    ExpectBox(confirm, kMsgConfirm);
    const HICON question = BoxIcon(m_driver, confirm);
    ASSERT_TRUE(m_driver.Answer(confirm, IDYES));
    HWND error = m_driver.WaitForMessageBox(20000);
    ExpectBox(error, kMsgSharing);
    const HICON stop = BoxIcon(m_driver, error);
    EXPECT_TRUE(stop != nullptr) << "no icon";
    EXPECT_NE(warning, stop);
    EXPECT_NE(question, stop);
    EXPECT_TRUE(m_driver.Control(IDOK, error) && !m_driver.Control(IDCANCEL, error));
    ASSERT_TRUE(m_driver.Answer(error, IDOK));
    ExpectNoBoxFollows();

    // The run ended at the exception: what comes after the installation folder is still there.
    EXPECT_TRUE(IsWindowEnabled(Execute()));
    EXPECT_EQ(BST_CHECKED, CUiDriver::CheckState(AlbumBox()));
    EXPECT_FALSE(FileExists(m_albumElsewhere));
    EXPECT_TRUE(FileExists(readOnly));
    EXPECT_TRUE(FileExists(m_startMenu));
    EXPECT_TRUE(FileExists(m_desktopLink));
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, kProductKey));
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));

    // The ended run let go of the mutex: the next press is not taken for a running application.
    held.Release();
    EXPECT_EQ(nullptr, Confirm(IDNO));
    ExpectNoBoxFollows();
}

// A large album through the real window: the window answers throughout, a progress window
// owned by it shows the removal to its end and is gone before the result, and a click on Exit
// and an Escape that come during the run do nothing.
TEST_P(UninstallFolderTest, LargeAlbum_WindowAnswersProgressShowsAndPressesAreDropped)
{
    ASSERT_NO_FATAL_FAILURE(BuildFootprint(false));
    for (int folder = 0; folder < 40; ++folder)
    {
        const std::string path = m_albumElsewhere + "\\" + std::to_string(2000 + folder);
        ASSERT_TRUE(MakeFolders(path));
        for (int file = 0; file < 100; ++file)
            ASSERT_TRUE(WriteTextFile(path + "\\IMG_" + std::to_string(file) + ".JPG", path));
    }
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    HWND main = m_driver.MainWindow();
    HWND exitButton = m_driver.Control(IDCANCEL);
    HWND confirm = PressExecute();
    ExpectBox(confirm, kMsgConfirm);
    ASSERT_TRUE(m_driver.Answer(confirm, IDYES));

    double worstMs = 0, nextPing = 0;
    HWND progress = nullptr, bar = nullptr, result = nullptr;
    bool pressed = false, progressAtResult = false;
    int range = -1;
    std::vector<int> positions;
    std::set<std::string> statuses;
    const double deadline = NowMs() + 60000;
    while (!result && NowMs() < deadline)
    {
        if (NowMs() >= nextPing)
        {
            nextPing = NowMs() + 250;
            DWORD_PTR answer = 0;
            const double start = NowMs();
            EXPECT_TRUE(SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &answer)) << "no answer";
            worstMs = std::max(worstMs, NowMs() - start);
        }
        if (!progress)
        {
            progress = m_driver.FindTopLevel([&](HWND w) {
                return CUiDriver::Text(w) == kAppTitle && !m_driver.Descendants(w, "msctls_progress32").empty();
            });
            bar = progress ? m_driver.Descendants(progress, "msctls_progress32").front() : nullptr;
            if (progress)
            {
                EXPECT_EQ(main, GetWindow(progress, GW_OWNER));
                EXPECT_FALSE(IsWindowEnabled(progress)) << "the progress window takes input";
                EXPECT_EQ(0, CUiDriver::Style(progress) & WS_SYSMENU) << "a close box";
                const RECT p = CUiDriver::RectIn(progress, nullptr), m = CUiDriver::RectIn(main, nullptr);
                EXPECT_NEAR((m.left + m.right) / 2, (p.left + p.right) / 2, 2);
                EXPECT_NEAR((m.top + m.bottom) / 2, (p.top + p.bottom) / 2, 2);
            }
            DWORD_PTR high = 0;
            if (bar && SendMessageTimeoutA(bar, PBM_GETRANGE, FALSE, 0, SMTO_NORMAL, 3000, &high))
                range = static_cast<int>(high);
        }
        if (bar && IsWindow(bar))
        {
            DWORD_PTR pos = 0;
            if (SendMessageTimeoutA(bar, PBM_GETPOS, 0, 0, SMTO_NORMAL, 3000, &pos)
                && (positions.empty() || positions.back() != static_cast<int>(pos)))
                positions.push_back(static_cast<int>(pos));
            statuses.insert(CUiDriver::Text(m_driver.Control(IDC_PROGRESS_STATUS, progress)));
        }
        if (progress && !pressed)
        {
            // As queued input would reach it: the driver refuses to click into a disabled window.
            EXPECT_FALSE(IsWindowEnabled(main));
            EXPECT_TRUE(PostMessageA(exitButton, BM_CLICK, 0, 0));
            EXPECT_TRUE(PostMessageA(main, WM_KEYDOWN, VK_ESCAPE, 1));
            EXPECT_TRUE(PostMessageA(main, WM_KEYUP, VK_ESCAPE, 0xC0000001));
            pressed = true;
        }
        result = m_driver.CurrentMessageBox();
        progressAtResult = progress && IsWindow(progress);
        Sleep(20);
    }
    printf("[timing] worst answer %.0f ms; %zu bar positions\n", worstMs, positions.size());
    EXPECT_LE(worstMs, 1000.0);
    ASSERT_TRUE(progress != nullptr) << "no progress window";
    EXPECT_FALSE(progressAtResult) << "the progress window outlived the removal";
    EXPECT_TRUE(pressed);
    ASSERT_FALSE(positions.empty());
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
    EXPECT_LT(2u, positions.size()) << "the bar did not move";
    EXPECT_EQ(range, positions.back()) << "the bar did not reach its end";
    for (const char* step : { "ｵﾙｳﾞｧﾘｽの後片付けを待っています…", "ｱﾙﾊﾞﾑを削除しています…" })
        EXPECT_TRUE(std::any_of(statuses.begin(), statuses.end(), [&](const std::string& text) {
            return text.compare(0, strlen(step), step) == 0;
        })) << step;

    ExpectBox(result, kMsgComplete);
    ASSERT_TRUE(m_driver.Answer(result, IDOK));
    ExpectNoBoxFollows();
    EXPECT_TRUE(m_driver.IsRunning()) << "a press during the removal ended the program";
    ExpectDone(BST_CHECKED);
    ExpectFootprintGone();
}

namespace
{
std::string KindName(const ::testing::TestParamInfo<SKind>& info)
{
    return info.param.name;
}
}

INSTANTIATE_TEST_SUITE_P(PlatformKinds, UninstallTest, ::testing::ValuesIn(kKinds), KindName);
INSTANTIATE_TEST_SUITE_P(PlatformKinds, UninstallFolderTest, ::testing::Values(kWin7), KindName);
INSTANTIATE_TEST_SUITE_P(PlatformKinds, UninstallHandOverTest, ::testing::Values(kKinds[0], kKinds[4]), KindName);
INSTANTIATE_TEST_SUITE_P(Spellings, UninstallAlbumTest, ::testing::ValuesIn(kAlbumCases),
                         [](const ::testing::TestParamInfo<SAlbumCase>& info) { return std::string(info.param.name); });

// The unattended program, as deployment tools start it: no window at any time, the same
// removal, and an exit code that tells how it went.
namespace
{
// kReadOnlyHeld: another program holds a read-only file without delete sharing, which makes
// the framework's file error end the run (a box in the window; here only the exit code).
enum EBefore { kInstalled, kAppRunning, kReadOnlyHeld };
enum EAfter { kNothingGone, kAllButAlbumGone, kAllGone, kEndedAtFileError };

struct SCommandLineCase
{
    const char* name;
    const char* arguments;
    EBefore before;
    DWORD exitCode;
    EAfter after;
    bool progress = false;  // the progress window is the one window that shows
};

void PrintTo(const SCommandLineCase& c, std::ostream* os)
{
    *os << c.arguments;
}

const SCommandLineCase kCommandLineCases[] = {
    { "SilentKeepsTheAlbum", "/S", kInstalled, 0, kAllButAlbumGone },
    { "ProgressOnly", "/SILENT /DELETEALBUM", kInstalled, 0, kAllGone, true },
    { "AliasesInAnyCase", "-verysilent /SuppressMsgBoxes /NORESTART /keepalbum", kInstalled, 0, kAllButAlbumGone },
    { "DeleteAlbum", "/QN /DELETEALBUM", kInstalled, 0, kAllGone },
    { "ApplicationRunning", "/QUIET /DELETEALBUM", kAppRunning, 1618, kNothingGone },
    { "FileErrorWithoutABox", "/S /DELETEALBUM", kReadOnlyHeld, 1603, kEndedAtFileError },
    { "UnknownSwitch", "/S /X", kInstalled, 1639, kNothingGone },
    { "LogWithoutPath", "/S \"/LOG=\"", kInstalled, 1639, kNothingGone },
    { "ValueWhereNoneBelongs", "/S /DELETEALBUM=1", kInstalled, 1639, kNothingGone },
    { "NotASwitch", "/S C:\\", kInstalled, 1639, kNothingGone },
    { "ContradictingAlbumSwitches", "/S /DELETEALBUM /KEEPALBUM", kInstalled, 1639, kNothingGone },
    { "ForgedHandOver", "/S /HandOverFrom:12x", kInstalled, 1639, kNothingGone },
};

const char kLogFile[] = "C:\\OrvalisTest\\uninstall log.txt";
}

class UninstallCommandLineTest : public ::testing::WithParamInterface<SCommandLineCase>, public UninstallFixture
{
protected:
    UninstallCommandLineTest() : UninstallFixture(kWin7) {}

    // Runs the program unattended to its end; no window may come up but, with progress, the
    // progress window.
    DWORD RunUnattended(const std::string& arguments, bool progress = false)
    {
        EXPECT_TRUE(m_driver.Launch(arguments));
        DWORD exitCode = 0;
        bool sawWindow = false;
        EXPECT_TRUE(m_driver.WaitForExitWatching(30000, exitCode, sawWindow)) << "still running";
        EXPECT_EQ(progress, sawWindow) << arguments;
        return exitCode;
    }

    void ExpectAfter(EAfter after)
    {
        if (after == kNothingGone)
        {
            ExpectNothingRemoved();
            return;
        }
        if (after == kEndedAtFileError)
        {
            // The album went before; what comes after the installation folder is still there.
            EXPECT_FALSE(FileExists(m_albumElsewhere));
            EXPECT_TRUE(FileExists(m_startMenu));
            EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, kProductKey));
            return;
        }
        EXPECT_EQ(after == kAllButAlbumGone, FileExists(m_albumElsewhere + "\\index.dat"));
        EXPECT_FALSE(FileExists(kInstallFolder));
        EXPECT_FALSE(FileExists(m_startMenu));
        EXPECT_FALSE(FileExists(m_desktopLink));
        EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kProductKey));
        EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    }
};

TEST_P(UninstallCommandLineTest, Unattended_ExitCodeTellsHowItWent)
{
    const SCommandLineCase& c = GetParam();
    ASSERT_NO_FATAL_FAILURE(BuildFootprint(false));
    CMutexHolder application;
    if (c.before == kAppRunning)
    {
        ASSERT_TRUE(application.Start(kMutexName));
    }
    CHeldFile held(std::string(kInstallFolder) + "\\表示.txt", FILE_SHARE_READ);
    if (c.before != kReadOnlyHeld)
        held.Release();
    EXPECT_EQ(c.exitCode, RunUnattended(c.arguments, c.progress));
    ExpectAfter(c.after);
}

INSTANTIATE_TEST_SUITE_P(Switches, UninstallCommandLineTest, ::testing::ValuesIn(kCommandLineCases),
                         [](const ::testing::TestParamInfo<SCommandLineCase>& info) { return std::string(info.param.name); });

// A held file leaves the run incomplete and the installation on record, so that a second run,
// once the file is let go, finishes it; the log tells both.
TEST_F(UninstallCommandLineTest, HeldFile_RecordStaysAndASecondRunCompletes)
{
    DeleteFileA(kLogFile);
    ASSERT_NO_FATAL_FAILURE(BuildFootprint(false));
    const std::string locked = std::string(kInstallFolder) + "\\Data\\a.dat";
    const std::string arguments = std::string("/S /DELETEALBUM \"/LOG=") + kLogFile + "\"";
    {
        CHeldFile held(locked, FILE_SHARE_READ | FILE_SHARE_WRITE);
        ASSERT_TRUE(held.IsHeld());
        EXPECT_EQ(1603u, RunUnattended(arguments));
    }
    EXPECT_TRUE(FileExists(locked));
    EXPECT_FALSE(FileExists(m_albumElsewhere));
    EXPECT_FALSE(FileExists(m_startMenu));
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, kProductKey));
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));

    EXPECT_EQ(0u, RunUnattended(arguments));
    ExpectAfter(kAllGone);

    std::string log;
    ASSERT_TRUE(ReadTextFile(kLogFile, log));
    DeleteFileA(kLogFile);
    ASSERT_EQ(0, log.compare(0, 3, "\xEF\xBB\xBF")) << "no byte-order mark";
    std::vector<std::string> lines;
    for (size_t at = 3; at < log.size();)
    {
        size_t end = log.find("\r\n", at);
        ASSERT_NE(std::string::npos, end) << "a line without CRLF";
        lines.push_back(log.substr(at, end - at));
        at = end + 2;
    }
    ASSERT_LT(4u, lines.size());
    for (const std::string& line : lines)
    {
        // "2026-12-08 01:02:03.456  "
        ASSERT_LT(25u, line.size());
        EXPECT_TRUE(line[4] == '-' && line[7] == '-' && line[10] == ' ' && line[13] == ':' && line[19] == '.')
            << line;
        EXPECT_EQ(std::string::npos, line.find('\n')) << line;
    }
    EXPECT_NE(std::string::npos, lines.front().find("OrvalisUninstaller 1.0.1.1; program C:\\OrvalisTest\\"));
    EXPECT_NE(std::string::npos, lines.front().find("/DELETEALBUM")) << lines.front();
    auto has = [&](const std::string& text) {
        return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(text) != l.npos; });
    };
    EXPECT_TRUE(has("Outcome: incomplete; exit code 1603"));
    EXPECT_TRUE(has("Step ended: product settings: kept"));
    EXPECT_TRUE(has("Folder not removed: C:\\Program Files\\Orvalis"));
    EXPECT_TRUE(has("Step ended: album folder: already gone"));
    EXPECT_TRUE(has("Could not remove " + locked + " (error 32: "));
    EXPECT_NE(std::string::npos, lines.back().find("Outcome: complete; exit code 0")) << lines.back();
}

// The usage box answers "/?", and any command line the program does not know when it is not
// to be unattended; nothing is removed either way.
TEST_F(UninstallCommandLineTest, UsageBox_ListsSwitchesAndExitCodes)
{
    ASSERT_NO_FATAL_FAILURE(BuildFootprint(false));
    for (const auto& run : { std::make_pair("/?", 0u), std::make_pair("/DELETE-ALBUM", 1639u) })
    {
        SCOPED_TRACE(run.first);
        ASSERT_TRUE(m_driver.Launch(run.first));
        HWND box = m_driver.WaitForMessageBox();
        ASSERT_TRUE(box != nullptr);
        EXPECT_EQ(kAppTitle, CUiDriver::Text(box));
        const std::string text = CUiDriver::MessageBoxText(box);
        for (const char* item : { "/S", "/SILENT", "/DELETEALBUM", "/KEEPALBUM", "/LOG", "1602", "1603", "1618", "1639" })
            EXPECT_NE(std::string::npos, text.find(item)) << item;
        ASSERT_TRUE(m_driver.Answer(box, IDOK));
        DWORD exitCode = 0;
        ASSERT_TRUE(m_driver.WaitForExit(CUiDriver::kTimeoutMs, &exitCode));
        EXPECT_EQ(run.second, exitCode);
    }
    ExpectNothingRemoved();
}

// Started from the installation folder, as the registration's quiet command does: the process
// the tool waits for ends only when the work is done, with the final code, and nothing is left.
TEST_F(UninstallCommandLineTest, FromInstallFolder_TheStartedProcessWaitsForTheWholeRemoval)
{
    ASSERT_NO_FATAL_FAILURE(BuildFootprint(false));
    const std::string program = PlaceInstalledProgram();
    ASSERT_TRUE(m_driver.Launch("/S /DELETEALBUM", program.c_str(), kInstallFolder.c_str()));
    DWORD exitCode = 1;
    bool sawWindow = false;
    EXPECT_TRUE(m_driver.WaitForExitWatching(30000, exitCode, sawWindow));
    EXPECT_EQ(0u, exitCode);
    EXPECT_FALSE(sawWindow);
    ExpectAfter(kAllGone);
}
