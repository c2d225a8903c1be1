// The progress sheet's title, colours and message line: "Starting..."
// before the first message, at most two lines of 260 points, cut at the end.
#include "ui/BuildProgressSheet.h"
#include "ui/Palette.h"
#include "ui/SystemFont.h"

#include <QFontMetricsF>
#include <QLabel>

#include <gtest/gtest.h>

using namespace vorlap;

TEST(BuildProgressSheet, ShowsTitleAndStartingBeforeTheFirstMessage)
{
    BuildProgressSheet sheet;
    EXPECT_EQ(sheet.title(), QStringLiteral("Building DMG"));
    EXPECT_EQ(sheet.messageLine(), QStringLiteral("Starting..."));

    sheet.setMessage(QStringLiteral("Copying app..."));
    EXPECT_EQ(sheet.messageLine(), QStringLiteral("Copying app..."));
    sheet.setMessage(std::nullopt);
    EXPECT_EQ(sheet.messageLine(), QStringLiteral("Starting..."));
}

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
    sheet.setMessage(QStringLiteral("Done!"));
    // The height follows the content: one line fewer.
    EXPECT_LT(sheet.height(), twoLines);
}

TEST(BuildProgressSheet, TitleAndMessageUseTheirColours)
{
    BuildProgressSheet sheet;
    sheet.show();
    const auto labels = sheet.findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), 2);
    EXPECT_EQ(labels[0]->palette().color(QPalette::WindowText), Palette::primaryText());
    EXPECT_EQ(labels[1]->palette().color(QPalette::WindowText), Palette::secondaryText());
    EXPECT_GT(labels[0]->font().pointSizeF(), labels[1]->font().pointSizeF());

    QImage image(sheet.size(), QImage::Format_ARGB32);
    sheet.render(&image);
    EXPECT_EQ(image.pixelColor(3, 3).rgb(), Palette::windowBackground().rgb());
}
