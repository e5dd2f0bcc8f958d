#pragma once

#include <windows.h>

// The product and Start-menu names are needed narrow and wide; each is spelled once.
#define FOOTPRINT_WIDE_(text) L##text
#define FOOTPRINT_WIDE(text) FOOTPRINT_WIDE_(text)
#define FOOTPRINT_PROGRAMS_9X "ｽﾀｰﾄ ﾒﾆｭｰ\\ﾌﾟﾛｸﾞﾗﾑ"
#define FOOTPRINT_PROGRAMS_NT4 "Profiles\\All Users\\" FOOTPRINT_PROGRAMS_9X
#define FOOTPRINT_PRODUCT_FOLDER "\\オルヴァリス"
#define FOOTPRINT_PRODUCT_NAME "Orvalis"
#define FOOTPRINT_MAKER_NAME "Halvik"

// What the installation leaves on a machine, named once: the page shows it, the uninstall
// removes it, the hand-over and the protected list keep clear of it.
namespace Footprint
{
// Below HKEY_LOCAL_MACHINE\SOFTWARE: the maker's key, and the product's key below it.
const char kMakerKey[] = FOOTPRINT_MAKER_NAME;
const char kProductName[] = FOOTPRINT_PRODUCT_NAME;
const WCHAR kProductNameW[] = FOOTPRINT_WIDE(FOOTPRINT_PRODUCT_NAME);
const char kProductKey[] = FOOTPRINT_MAKER_NAME "\\" FOOTPRINT_PRODUCT_NAME;
const char kInstallFolderValue[] = "InstallFolder";
const char kAlbumFolderValue[] = "AlbumFolder";
// The product's registration with Add/Remove Programs is kProductName below this key.
const char kUninstallKey[] = "Microsoft\\Windows\\CurrentVersion\\Uninstall";

// Held by the running application.
const char kMutexName[] = FOOTPRINT_PRODUCT_NAME "@" FOOTPRINT_MAKER_NAME;

// The companion program in the installation folder, started once before the removal.
const char kCompanionFile[] = "\\OrvalisKicker.exe";
const char kCompanionCommandLine[] = "OrvalisKicker.exe -D";

// The Start menu's programs folder below the Windows folder, where Windows 9x and NT 4
// place it.
const WCHAR kPrograms9x[] = FOOTPRINT_WIDE(FOOTPRINT_PROGRAMS_9X);
const WCHAR kProgramsNT4[] = FOOTPRINT_WIDE(FOOTPRINT_PROGRAMS_NT4);
// The product's Start-menu folder: below the Windows folder on 9x and NT 4, below the
// common Start menu from NT 5 on.
const char kStartMenu9x[] = FOOTPRINT_PROGRAMS_9X FOOTPRINT_PRODUCT_FOLDER;
const char kStartMenuNT4[] = FOOTPRINT_PROGRAMS_NT4 FOOTPRINT_PRODUCT_FOLDER;
const char kStartMenuNT5[] = "\\プログラム" FOOTPRINT_PRODUCT_FOLDER;

// Shortcut files; %s is the desktop or the startup folder.
const char kDesktopShortcut[] = "%s\\オルヴァリス.lnk";
const char kStartupShortcut[] = "%s\\オルヴァリス ドライブ監視プログラム.lnk";
}

#undef FOOTPRINT_MAKER_NAME
#undef FOOTPRINT_PRODUCT_NAME
#undef FOOTPRINT_PRODUCT_FOLDER
#undef FOOTPRINT_PROGRAMS_NT4
#undef FOOTPRINT_PROGRAMS_9X
#undef FOOTPRINT_WIDE
#undef FOOTPRINT_WIDE_
