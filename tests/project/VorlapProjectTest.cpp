// The design document: its file format, equality and the move onto the fixed canvas.
#include "project/ProjectFile.h"
#include "project/VorlapProject.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include <sys/stat.h>

using namespace vorlap;

namespace {

VorlapProject sampleProject()
{
    VorlapProject project;
    project.appName = QString::fromUtf8("Caf\u00e9 Vorlap");
    project.windowSize = {0.1 + 0.2, 1.0 / 3.0};
    project.backgroundImagePath = QStringLiteral("/Users/me/Pictures/back ground.png");
    project.iconPositions = {{12.75, -3e-7}, {1e15, 190}};
    project.iconSize = 96.5;
    return project;
}

QString decodeError(const char* json)
{
    const auto decoded = VorlapProject::decode(QByteArray(json));
    return decoded ? QStringLiteral("<decoded>") : decoded.error().description();
}

} // namespace

TEST(VorlapProject, RoundTripKeepsEveryBitOfEveryField)
{
    const VorlapProject original = sampleProject();
    const auto bytes = original.encode();
    ASSERT_TRUE(bytes) << bytes.error().description().toStdString();
    const auto decoded = VorlapProject::decode(*bytes);
    ASSERT_TRUE(decoded) << decoded.error().description().toStdString();
    EXPECT_EQ(*decoded, original);
    EXPECT_EQ(decoded->windowSize.width, 0.1 + 0.2); // not 0.3: shortest exact form is written

    VorlapProject plain = original;
    plain.backgroundImagePath.reset();
    const auto plainDecoded = VorlapProject::decode(*plain.encode());
    ASSERT_TRUE(plainDecoded);
    EXPECT_EQ(*plainDecoded, plain);
    EXPECT_FALSE(plainDecoded->backgroundImagePath.has_value());
}

TEST(VorlapProject, SavedFileIsIndentedWithSortedKeys)
{
    VorlapProject project;
    project.appName = QStringLiteral("Demo");
    const auto bytes = project.encode();
    ASSERT_TRUE(bytes);
    EXPECT_EQ(bytes->toStdString(),
              "{\n"
              "    \"appName\": \"Demo\",\n"
              "    \"iconPositions\": {\n"
              "        \"app\": [\n"
              "            180,\n"
              "            190\n"
              "        ],\n"
              "        \"applications\": [\n"
              "            360,\n"
              "            190\n"
              "        ]\n"
              "    },\n"
              "    \"iconSize\": 128,\n"
              "    \"windowSize\": [\n"
              "        540,\n"
              "        380\n"
              "    ]\n"
              "}\n");

    project.backgroundImagePath = QStringLiteral("/tmp/b.png");
    const QString withBackground = QString::fromUtf8(*project.encode());
    EXPECT_TRUE(withBackground.startsWith(QStringLiteral("{\n    \"appName\": \"Demo\",\n"
                                                         "    \"backgroundImagePath\": \"/tmp/b.png\",\n"
                                                         "    \"iconPositions\": {\n")))
        << withBackground.toStdString();
}

TEST(VorlapProject, MissingNullAndEmptyBackground)
{
    const char* base = R"({"appName": "A", "windowSize": [540, 380],
        "iconPositions": {"app": [180, 190], "applications": [360, 190]}, "iconSize": 128 %1})";
    const auto decodeWith = [&](const char* extra) {
        return VorlapProject::decode(QString::fromLatin1(base).arg(QLatin1String(extra)).toUtf8());
    };

    const auto missing = decodeWith("");
    const auto null = decodeWith(R"(, "backgroundImagePath": null)");
    const auto empty = decodeWith(R"(, "backgroundImagePath": "")");
    ASSERT_TRUE(missing && null && empty);
    EXPECT_FALSE(missing->backgroundImagePath.has_value());
    EXPECT_FALSE(null->backgroundImagePath.has_value());
    ASSERT_TRUE(empty->backgroundImagePath.has_value());
    EXPECT_EQ(*empty->backgroundImagePath, QString());
    EXPECT_EQ(*missing, *null);
    EXPECT_NE(*missing, *empty); // absent and empty are different designs
}

TEST(VorlapProject, EqualityUsesCanonicalEquivalenceForTheNameOnly)
{
    VorlapProject composed;
    composed.appName = QString::fromUtf8("Caf\u00e9");
    VorlapProject decomposed = composed;
    decomposed.appName = QString::fromUtf8("Cafe\u0301");
    EXPECT_NE(composed.appName, decomposed.appName);
    EXPECT_EQ(composed, decomposed);

    VorlapProject other = composed;
    other.backgroundImagePath = QString::fromUtf8("/Cafe\u0301.png");
    VorlapProject otherComposed = composed;
    otherComposed.backgroundImagePath = QString::fromUtf8("/Caf\u00e9.png");
    EXPECT_NE(other, otherComposed); // paths compare as they are stored

    other = composed;
    other.iconSize = 127;
    EXPECT_NE(other, composed);
    other = composed;
    other.iconPositions.applications.y = 190.5;
    EXPECT_NE(other, composed);
    other = composed;
    other.windowSize.height = 381;
    EXPECT_NE(other, composed);
}

TEST(VorlapProject, NormalizationClampsOntoTheFixedCanvas)
{
    VorlapProject project;
    project.appName = QStringLiteral("Keep");
    project.backgroundImagePath = QStringLiteral("/keep.png");
    project.iconPositions = {{10, 400}, {600, -5}};
    const VorlapProject normal = project.normalized();
    EXPECT_EQ(normal.iconPositions.app, (Point{64, 316}));
    EXPECT_EQ(normal.iconPositions.applications, (Point{476, 64}));
    EXPECT_EQ(normal.appName, project.appName);
    EXPECT_EQ(normal.backgroundImagePath, project.backgroundImagePath);
    EXPECT_EQ(normal.iconSize, 128);
    EXPECT_EQ(normal.normalized(), normal);

    // Positions made for another window size are replaced by the defaults.
    const auto decoded = VorlapProject::decode(R"({"appName": "A", "windowSize": [800, 600],
        "iconPositions": {"app": [700, 500], "applications": [20, 20]}, "iconSize": 400})");
    ASSERT_TRUE(decoded);
    const VorlapProject opened = decoded->normalized();
    EXPECT_EQ(opened.windowSize, fixedCanvasSize);
    // The defaults (180, 190) and (360, 190), then clamped with half = 200.
    EXPECT_EQ(opened.iconPositions.app, (Point{200, 200}));
    EXPECT_EQ(opened.iconPositions.applications, (Point{340, 200}));
    EXPECT_EQ(opened.normalized(), opened);
}

TEST(VorlapProject, UnknownKeysAndExtraElementsAreIgnored)
{
    const auto decoded = VorlapProject::decode(R"({"appName": "A", "windowSize": [540, 380, "x"], "future": {"a": 1},
        "iconPositions": {"app": [1, 2, 3], "applications": [4, 5], "extra": true}, "iconSize": 64})");
    ASSERT_TRUE(decoded) << decoded.error().description().toStdString();
    EXPECT_EQ(decoded->windowSize, fixedCanvasSize);
    EXPECT_EQ(decoded->iconPositions, (IconPositions{{1, 2}, {4, 5}}));
    EXPECT_EQ(decoded->iconSize, 64);
}

TEST(VorlapProject, DecodingFailuresNameTheKeyAndTheProblem)
{
    const QString rest = R"("iconPositions": {"app": [1, 2], "applications": [3, 4]}, "iconSize": 128)";
    const auto with = [&](const QString& head) { return (QStringLiteral("{") + head + QStringLiteral("}")).toUtf8(); };
    const auto error = [&](const QString& head) {
        const auto decoded = VorlapProject::decode(with(head));
        return decoded ? QStringLiteral("<decoded>") : decoded.error().description();
    };

    EXPECT_EQ(error(R"("windowSize": [1, 2], )" + rest), "The key \"appName\" is missing.");
    EXPECT_EQ(error(R"("appName": 7, "windowSize": [1, 2], )" + rest), "The value of \"appName\" is not a string.");
    EXPECT_EQ(error(R"("appName": "A", )" + rest), "The key \"windowSize\" is missing.");
    EXPECT_EQ(error(R"("appName": "A", "windowSize": {"w": 1}, )" + rest),
              "The value of \"windowSize\" is not an array of two numbers.");
    EXPECT_EQ(error(R"("appName": "A", "windowSize": [540], )" + rest),
              "The array \"windowSize\" has fewer than two numbers.");
    EXPECT_EQ(error(R"("appName": "A", "windowSize": [540, "380"], )" + rest),
              "The second element of \"windowSize\" is not a number.");
    EXPECT_EQ(error(R"("appName": "A", "windowSize": [1, 2], "backgroundImagePath": 5, )" + rest),
              "The value of \"backgroundImagePath\" is not a string.");

    const QString head = R"("appName": "A", "windowSize": [1, 2], )";
    EXPECT_EQ(error(head + R"("iconSize": 128)"), "The key \"iconPositions\" is missing.");
    EXPECT_EQ(error(head + R"("iconPositions": [1, 2], "iconSize": 128)"),
              "The value of \"iconPositions\" is not an object.");
    EXPECT_EQ(error(head + R"("iconPositions": {"applications": [3, 4]}, "iconSize": 128)"),
              "The key \"iconPositions.app\" is missing.");
    EXPECT_EQ(error(head + R"("iconPositions": {"app": [1, 2]}, "iconSize": 128)"),
              "The key \"iconPositions.applications\" is missing.");
    EXPECT_EQ(error(head + R"("iconPositions": {"app": [null, 2], "applications": [3, 4]}, "iconSize": 128)"),
              "The first element of \"iconPositions.app\" is not a number.");
    EXPECT_EQ(error(head + R"("iconPositions": {"app": [1, 2], "applications": [3, 4]})"),
              "The key \"iconSize\" is missing.");
    EXPECT_EQ(error(head + R"("iconPositions": {"app": [1, 2], "applications": [3, 4]}, "iconSize": "128")"),
              "The value of \"iconSize\" is not a number.");

    EXPECT_EQ(decodeError("[1, 2]"), "The file does not hold a JSON object.");
    EXPECT_TRUE(decodeError("").startsWith("The file is not valid JSON ("));
    // A number beyond the double range is refused rather than read as infinity.
    EXPECT_TRUE(decodeError(R"({"appName": "A", "iconSize": 1e400})").startsWith("The file is not valid JSON ("));
}

TEST(VorlapProject, NonFiniteNumbersAreRefusedWhenEncoding)
{
    VorlapProject project;
    project.iconSize = std::numeric_limits<double>::quiet_NaN();
    auto encoded = project.encode();
    ASSERT_FALSE(encoded);
    EXPECT_EQ(encoded.error().description(), "The value of \"iconSize\" is not a finite number (nan), and JSON cannot hold it.");

    project = VorlapProject{};
    project.iconPositions.applications.y = -std::numeric_limits<double>::infinity();
    encoded = project.encode();
    ASSERT_FALSE(encoded);
    EXPECT_TRUE(encoded.error().description().startsWith("The value of \"iconPositions.applications\" is not a finite"));
}

TEST(ProjectFile, OnlyRegularFilesOfSaneSizeAreRead)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("fifo.vorlap")).constData(), 0644), 0);
    const auto sized = [&](const char* name, qint64 size) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.resize(size));
        return file.fileName();
    };
    const QString atLimit = sized("at-limit.vorlap", 4'000'000), over = sized("over.vorlap", 4'000'001);
    struct Case {
        QString path, expected;
    };
    const QList<Case> cases = {
        {dir.filePath("fifo.vorlap"), dir.filePath("fifo.vorlap") + ": not a regular file"},
        {"/dev/zero", "/dev/zero: not a regular file"},
        {over, over + ": larger than 4 MB, too large for a project"},
        {dir.filePath("missing.vorlap"), dir.filePath("missing.vorlap") + ": No such file or directory"},
    };
    for (const Case& c : cases) {
        const auto read = readProjectFile(c.path);
        ASSERT_FALSE(read) << c.path.toStdString();
        EXPECT_EQ(read.error().description(), c.expected);
    }
    // At the limit the file is read and decoded (zero bytes are not JSON).
    const auto limit = readProjectFile(atLimit);
    ASSERT_FALSE(limit);
    EXPECT_TRUE(limit.error().description().startsWith("The file is not valid JSON")) << limit.error().description().toStdString();
}
