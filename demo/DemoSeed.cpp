#include <windows.h>
#include <shlobj.h>
#include <stdio.h>

#include <string>

#include "TestFiles.h"
#include "TestRegistry.h"

// Lays out what the application's installer would leave behind, in the places the uninstaller
// looks: the product and uninstall keys, the installation and album folders (some files
// read-only), the Start-menu folder and the two shortcuts. The shortcuts are plain files.
namespace
{
bool g_bOk = true;

void Report(bool bOk, const std::string& what)
{
    printf("%s %s\n", bOk ? "made  " : "FAILED", what.c_str());
    if (!bOk)
        g_bOk = false;
}

std::string ShellFolder(int csidl)
{
    char sz[MAX_PATH] = "";
    bool bOk = SUCCEEDED(SHGetFolderPathA(NULL, csidl | CSIDL_FLAG_CREATE, NULL, SHGFP_TYPE_CURRENT, sz));
    Report(bOk, std::string("shell folder ") + sz);
    return sz;
}

void MakeFolder(const std::string& path)
{
    Report(CreateDirectoryA(path.c_str(), NULL) || GetLastError() == ERROR_ALREADY_EXISTS, path);
}

void MakeFile(const std::string& path, const std::string& data, bool bReadOnly = false)
{
    bool bOk = WriteTextFile(path, data);
    if (bOk && bReadOnly)
        bOk = SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY) != FALSE;
    Report(bOk, path + (bReadOnly ? " (read-only)" : ""));
}

// A stand-in photo: the JPEG start and end markers around some bytes.
std::string Photo(int n)
{
    return std::string("\xFF\xD8\xFF\xE0", 4) + std::string(512 + n, static_cast<char>(n)) + "\xFF\xD9";
}

void Value(LPCSTR keyName, LPCSTR valueName, LPCSTR data)
{
    const std::string path = std::string("SoftWare\\") + keyName;
    Report(RegSetString(HKEY_LOCAL_MACHINE, path, valueName, data), "HKLM\\" + path + " " + valueName);
}

std::string OwnFolder()
{
    char sz[MAX_PATH] = "";
    GetModuleFileNameA(NULL, sz, MAX_PATH);
    std::string path(sz);
    return path.substr(0, path.find_last_of('\\'));
}
}

int main()
{
    const std::string install = "C:\\Program Files\\Orvalis";
    const std::string album = install + "\\Album";

    MakeFolder(install);
    MakeFile(install + "\\Orvalis.exe", "stand-in for the application");
    Report(CopyFileA((OwnFolder() + "\\OrvalisKicker.exe").c_str(), (install + "\\OrvalisKicker.exe").c_str(), FALSE)
               != FALSE,
           install + "\\OrvalisKicker.exe");
    MakeFile(install + "\\Orvalis.hlp", "help", true);
    MakeFile(install + "\\お読みください.txt", "オルヴァリス 1.0\r\n", true);
    MakeFolder(install + "\\Frames");
    MakeFile(install + "\\Frames\\frame01.bmp", "BM");
    MakeFolder(album);
    MakeFile(album + "\\album.dat", "3 photos");
    MakeFile(album + "\\IMG_0001.JPG", Photo(1));
    MakeFile(album + "\\IMG_0002.JPG", Photo(2), true);
    MakeFolder(album + "\\2026年 夏の旅行");
    MakeFile(album + "\\2026年 夏の旅行\\IMG_0101.JPG", Photo(3));

    Value("Halvik\\Orvalis", "InstallFolder", install.c_str());
    Value("Halvik\\Orvalis", "AlbumFolder", album.c_str());
    Value("Halvik\\Orvalis\\Settings", "Language", "ja");
    Value("Microsoft\\Windows\\CurrentVersion\\Uninstall\\Orvalis", "DisplayName", "オルヴァリス");
    Value("Microsoft\\Windows\\CurrentVersion\\Uninstall\\Orvalis", "UninstallString",
          "C:\\OrvalisTest\\OrvalisUninstaller.exe");
    // What deployment tools read: winget skips an entry without a version and runs the quiet
    // command where there is one.
    Value("Microsoft\\Windows\\CurrentVersion\\Uninstall\\Orvalis", "QuietUninstallString",
          "\"C:\\OrvalisTest\\OrvalisUninstaller.exe\" /S");
    Value("Microsoft\\Windows\\CurrentVersion\\Uninstall\\Orvalis", "DisplayVersion", "1.0.1.1");
    Value("Microsoft\\Windows\\CurrentVersion\\Uninstall\\Orvalis", "Publisher", "Halvik");

    const std::string programs = ShellFolder(CSIDL_COMMON_STARTMENU) + "\\プログラム";
    MakeFolder(programs);
    MakeFolder(programs + "\\オルヴァリス");
    MakeFile(programs + "\\オルヴァリス\\オルヴァリス.lnk", "shortcut");
    MakeFile(ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + "\\オルヴァリス.lnk", "shortcut");
    MakeFile(ShellFolder(CSIDL_COMMON_STARTUP) + "\\オルヴァリス ドライブ監視プログラム.lnk", "shortcut");

    return g_bOk ? 0 : 1;
}
