// The recent-backgrounds list: newest first, five at most, no duplicates, only files that
// exist when read, and a stored value that is not a list of paths read as no list.
#include "project/RecentBackgrounds.h"
#include "support/BackgroundTestSupport.h"
#include "support/QtPrinters.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

using namespace vorlap;
using namespace vorlap::test;

TEST(RecentBackgrounds, NewestFirstAtMostFiveWithoutDuplicates)
{
    BackgroundCorner corner;
    EXPECT_TRUE(loadRecentBackgrounds(corner.store()).isEmpty());
    QStringList p; // p[5] differs from p[2] in case only: another entry
    for (const char* name : {"p1.png", "p2.png", "p3.png", "p4.png", "p5.png", "P3.png"})
        p << corner.picture(QString::fromUtf8(name));
    for (int i = 0; i < 5; ++i)
        addRecentBackground(p[i], corner.store());
    EXPECT_EQ(loadRecentBackgrounds(corner.store()), (QStringList{p[4], p[3], p[2], p[1], p[0]}));

    // The third entry again: to the front, no duplicate, same length.
    const QStringList moved = addRecentBackground(p[2], corner.store());
    EXPECT_EQ(moved, (QStringList{p[2], p[4], p[3], p[1], p[0]}));
    EXPECT_EQ(loadRecentBackgrounds(corner.store()), moved);
    // A sixth distinct path (if only by case) drops the oldest.
    EXPECT_EQ(addRecentBackground(p[5], corner.store()), (QStringList{p[5], p[2], p[4], p[3], p[1]}));
    EXPECT_EQ(corner.stored(), (QStringList{p[5], p[2], p[4], p[3], p[1]}));
}

TEST(RecentBackgrounds, MissingFilesDropOutOnLoadAndLeaveStorageAtTheNextAdd)
{
    BackgroundCorner corner;
    const QString kept = corner.picture(QStringLiteral("kept.png"));
    const QString gone = corner.path(QStringLiteral("gone.png"));
    addRecentBackground(kept, corner.store());

    // Recorded although the file does not exist, then filtered out when read.
    EXPECT_EQ(addRecentBackground(gone, corner.store()), (QStringList{gone, kept}));
    EXPECT_EQ(loadRecentBackgrounds(corner.store()), QStringList{kept});
    EXPECT_EQ(corner.stored(), (QStringList{gone, kept}));
    const QString folder = corner.path(QStringLiteral("a folder"));
    QDir().mkpath(folder);
    EXPECT_EQ(addRecentBackground(folder, corner.store()), (QStringList{folder, kept}));

    // Every file deleted: the list reads empty, storage is untouched.
    QFile::remove(kept);
    QDir().rmdir(folder);
    EXPECT_TRUE(loadRecentBackgrounds(corner.store()).isEmpty());
    EXPECT_EQ(corner.stored(), (QStringList{folder, kept}));
}

TEST(RecentBackgrounds, StoredValuesAreReadAsTheyWereWritten)
{
    BackgroundCorner corner;
    const QString only = corner.picture(QStringLiteral("only one, with a comma.png"));
    const QString other = corner.picture(QStringLiteral("other.png"));
    // The INI file written by another run: a one-element list reads back as a string.
    writeFile(corner.iniPath(), "[General]\nrecentBackgroundImagePaths=" + QFile::encodeName(other) + "\n");
    EXPECT_EQ(loadRecentBackgrounds(corner.store()), QStringList{other});
    EXPECT_EQ(addRecentBackground(only, corner.store()), (QStringList{only, other}));
    EXPECT_EQ(loadRecentBackgrounds(corner.store()), (QStringList{only, other}));

    // A value of another kind is no list.
    corner.store()()->setValue(QLatin1String(recentBackgroundsKey), QVariantMap{{QStringLiteral("a"), other}});
    EXPECT_TRUE(loadRecentBackgrounds(corner.store()).isEmpty());
    EXPECT_EQ(addRecentBackground(other, corner.store()), QStringList{other});
}
