// The image format a design asks for: stored only when it is not UDZO, read back by name,
// and a name this version cannot write refused rather than built as something else.
#include "project/VorlapProject.h"
#include "support/QtPrinters.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace vorlap;

TEST(ImageFormatKey, RoundTripsAndLeavesTheDefaultOut)
{
    for (const ImageFormatInfo& info : imageFormats()) {
        SCOPED_TRACE(info.name);
        VorlapProject project;
        project.format = info.format;
        const QJsonObject object = *project.toJson();
        EXPECT_EQ(object.contains(QStringLiteral("format")), info.format != ImageFormat::udzo);
        const auto read = VorlapProject::fromJson(object);
        ASSERT_TRUE(read);
        EXPECT_EQ(read->format, info.format);
    }
}

TEST(ImageFormatKey, ValuesThisVersionCannotWriteAreRefused)
{
    struct Case {
        const char* json;
        std::optional<ImageFormat> format;
        ProjectError::Code code;
        const char* message;
    };
    const Case cases[] = {
        {R"("ulmo")", ImageFormat::ulmo, {}, ""},
        {R"("ULFO")", std::nullopt, ProjectError::Code::unknownValue,
         R"(The value of "format" is "ULFO", not UDZO, ULMO or UDBZ.)"},
        {"7", std::nullopt, ProjectError::Code::wrongType, R"(The value of "format" is not a string.)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.json);
        QJsonObject object = *VorlapProject{}.toJson();
        object.insert(QStringLiteral("format"), QJsonDocument::fromJson(QByteArray("[") + c.json + "]").array().at(0));
        const auto read = VorlapProject::fromJson(object);
        ASSERT_EQ(bool(read), c.format.has_value());
        if (read) {
            EXPECT_EQ(read->format, *c.format);
        } else {
            EXPECT_EQ(read.error().code, c.code);
            EXPECT_EQ(read.error().message, QString::fromUtf8(c.message));
        }
    }
}
