// The recent-backgrounds list: newest first, five at most, no duplicates, only files that
// exist when read, and a stored value that is not a list of paths read as no list.
#include "project/RecentBackgrounds.h"
#include "support/BackgroundTestSupport.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace vorlap;
using namespace vorlap::test;

TEST(RecentBackgrounds, NewestFirstAtMostFiveWithoutDuplicates)
{
    BackgroundCorner corner;
    EXPECT_TRUE(loadRecentBackgrounds(corner.store()).isEmpty());

    QStringList pictures;
    for (int i = 1; i <= 6; ++i)
        pictures << corner.picture(QStringLiteral("p%1.png").arg(i));
    for (int i = 0; i < 5; ++i)
        addRecentBackground(pictures[i], corner.store());
    EXPECT_EQ(loadRecentBackgrounds(corner.store()),
              (QStringList{pictures[4], pictures[3], pictures[2], pictures[1], pictures[0]}));

    // The third entry again: to the front, no duplicate, same length.
    const QStringList moved = addRecentBackground(pictures[2], corner.store());
    EXPECT_EQ(moved, (QStringList{pictures[2], pictures[4], pictures[3], pictures[1], pictures[0]}));
    EXPECT_EQ(loadRecentBackgrounds(corner.store()), moved);

    // A sixth distinct path drops the oldest.
    const QStringList six = addRecentBackground(pictures[5], corner.store());
    EXPECT_EQ(six, (QStringList{pictures[5], pictures[2], pictures[4], pictures[3], pictures[1]}));
    EXPECT_EQ(corner.stored(), six);
}

TEST(RecentBackgrounds, MissingFilesDropOutOnLoadAndLeaveStorageAtTheNextAdd)
{
    BackgroundCorner corner;
    const QString kept = corner.picture(QStringLiteral("kept.png"));
    const QString gone = corner.path(QStringLiteral("gone.png"));
    addRecentBackground(kept, corner.store());

    // Recorded although the file does not exist...
    EXPECT_EQ(addRecentBackground(gone, corner.store()), (QStringList{gone, kept}));
    // ...then filtered out when read, while storage still holds it.
    EXPECT_EQ(loadRecentBackgrounds(corner.store()), QStringList{kept});
    EXPECT_EQ(corner.stored(), (QStringList{gone, kept}));

    const QString folder = corner.path(QStringLiteral("a folder"));
    QDir().mkpath(folder);
    EXPECT_EQ(addRecentBackground(folder, corner.store()), (QStringList{folder, kept}));
    EXPECT_EQ(corner.stored(), (QStringList{folder, kept}));

    // Every file deleted: the list reads empty, storage is untouched.
    QFile::remove(kept);
    QDir().rmdir(folder);
    EXPECT_TRUE(loadRecentBackgrounds(corner.store()).isEmpty());
    EXPECT_EQ(corner.stored(), (QStringList{folder, kept}));
}

TEST(RecentBackgrounds, PathsDifferingInCaseAreDifferentEntries)
{
    BackgroundCorner corner;
    const QString lower = corner.picture(QStringLiteral("pic.png"));
    const QString upper = corner.picture(QStringLiteral("PIC.png"));
    addRecentBackground(lower, corner.store());
    EXPECT_EQ(addRecentBackground(upper, corner.store()), (QStringList{upper, lower}));
}

TEST(RecentBackgrounds, StoredValuesAreReadAsTheyWereWritten)
{
    BackgroundCorner corner;
    const QString only = corner.picture(QStringLiteral("only one, with a comma.png"));
    const QString other = corner.picture(QStringLiteral("other.png"));

    // The INI file written by another run: a one-element list reads back as a string.
    {
        QFile ini(corner.iniPath());
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[General]\nrecentBackgroundImagePaths=" + QFile::encodeName(other) + "\n");
    }
    EXPECT_EQ(loadRecentBackgrounds(corner.store()), QStringList{other});
    EXPECT_EQ(addRecentBackground(only, corner.store()), (QStringList{only, other}));
    EXPECT_EQ(loadRecentBackgrounds(corner.store()), (QStringList{only, other}));

    // A value of another kind is no list.
    corner.store()()->setValue(QLatin1String(recentBackgroundsKey), QVariantMap{{QStringLiteral("a"), other}});
    EXPECT_TRUE(loadRecentBackgrounds(corner.store()).isEmpty());
    EXPECT_EQ(addRecentBackground(other, corner.store()), QStringList{other});
}
