// The progress sheet's message line: "Starting..." before the first message, at most
// two lines of 260 points, cut at the end.
#include "ui/BuildProgressSheet.h"
#include "ui/SystemFont.h"

#include <QFontMetricsF>

#include <gtest/gtest.h>

using namespace vorlap;

TEST(BuildProgressSheet, LongMessageIsCutAtTheEndOfItsSecondLine)
{
    const QFont font = SystemFont::caption();
    const QString words = QStringLiteral("Converting the disk image to its compressed read-only form, which can take "
                                         "a while for large applications with many resources inside them");
    const QStringList lines = BuildProgressSheet::fitLines(words, font, 260, 2);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(words.startsWith(lines[0]));
    EXPECT_TRUE(lines[1].endsWith(QChar(0x2026)));
    for (const QString& line : lines)
        EXPECT_LE(QFontMetricsF(font).horizontalAdvance(line), 260.5);

    BuildProgressSheet sheet;
    sheet.setMessage(words);
    EXPECT_EQ(sheet.messageLine(), lines.join(u'\n'));
    const int twoLines = sheet.height();
    sheet.setMessage(std::nullopt);
    EXPECT_EQ(sheet.messageLine(), QStringLiteral("Starting..."));
    EXPECT_LT(sheet.height(), twoLines); // the height follows the content
}
