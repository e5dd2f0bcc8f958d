#include <gtest/gtest.h>

#include "uninstall/RemovalProgress.h"

// The per-entry events of a tree removal, as the progress window reads them: the count of
// files grouped as the locale does, the entry's folder, and a bar that only moves forward and
// stays within the running step's share until the step ends.
TEST(RemovalProgressTest, Entries_CountFolderAndBarWithinTheStep)
{
    CRemovalProgress progress;
    int nPos = -1;
    CString status, folder;
    progress.StepBegun(CRemovalListener::kAlbum);
    progress.Read(nPos, status, folder);
    EXPECT_EQ(CString("ｱﾙﾊﾞﾑを削除しています…"), status);

    int nLast = nPos;
    for (int i = 0; i < 1234; ++i)
        progress.EntryRemoved(i % 2 ? L"C:\\Data\\写真\\2024\\a.jpg" : L"C:\\Data\\写真\\b.jpg");
    progress.EntryFailed(L"C:\\Data\\写真\\held\\c.jpg", ERROR_SHARING_VIOLATION);
    progress.Read(nPos, status, folder);
    EXPECT_EQ(CString("ｱﾙﾊﾞﾑを削除しています… 1,234 ﾌｧｲﾙ"), status);
    EXPECT_EQ(CString("C:\\Data\\写真\\held"), folder);
    EXPECT_LT(nLast, nPos);
    nLast = nPos;

    progress.StepEnded(CRemovalListener::kAlbum, CRemovalListener::kRemoved);
    progress.StepBegun(CRemovalListener::kInstallFolder);
    progress.Read(nPos, status, folder);
    EXPECT_LT(nLast, nPos);
    EXPECT_EQ(CString("ｲﾝｽﾄｰﾙ ﾌｫﾙﾀﾞを削除しています… 1,234 ﾌｧｲﾙ"), status);
    EXPECT_EQ(CString(""), folder);
    for (const CRemovalListener::EStep step : { CRemovalListener::kInstallFolder, CRemovalListener::kStartMenu,
                                                CRemovalListener::kProductKey, CRemovalListener::kRegistration,
                                                CRemovalListener::kShortcuts })
        progress.StepEnded(step, CRemovalListener::kRemoved);
    progress.Read(nPos, status, folder);
    EXPECT_EQ(CRemovalProgress::kRange, nPos);
}
