// The design document: its file format, equality and the move onto the fixed canvas.
#include "project/ProjectFile.h"
#include "project/VorlapProject.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <limits>

#include <sys/stat.h>

using namespace vorlap;

namespace {

QString decodeError(const QByteArray& json)
{
    const auto decoded = VorlapProject::decode(json);
    return decoded ? QStringLiteral("<decoded>") : decoded.error().description();
}

// A valid project file's object with `key` (dotted for the icon positions) replaced by the
// JSON `value`, or removed when there is none.
QByteArray withMember(const QString& key, const char* value)
{
    QJsonObject object = *VorlapProject{}.toJson();
    const QStringList path = key.split(u'.');
    QJsonObject positions = object.value(QStringLiteral("iconPositions")).toObject();
    QJsonObject& owner = path.size() == 2 ? positions : object;
    if (value)
        owner.insert(path.last(), QJsonDocument::fromJson(QByteArray("[") + value + "]").array().first());
    else
        owner.remove(path.last());
    if (path.size() == 2)
        object.insert(path.first(), positions);
    return QJsonDocument(object).toJson();
}

} // namespace

TEST(VorlapProject, RoundTripKeepsEveryBitOfEveryField)
{
    VorlapProject original;
    original.appName = QString::fromUtf8("Caf\u00e9 Vorlap");
    original.windowSize = {0.1 + 0.2, 1.0 / 3.0};
    original.backgroundImagePath = QStringLiteral("/Users/me/Pictures/back ground.png");
    original.iconPositions = {{12.75, -3e-7}, {1e15, 190}};
    original.iconSize = 96.5;
    for (const std::optional<QString>& background : {original.backgroundImagePath, std::optional<QString>()}) {
        original.backgroundImagePath = background;
        const auto bytes = original.encode();
        ASSERT_TRUE(bytes) << bytes.error().description().toStdString();
        const auto decoded = VorlapProject::decode(*bytes);
        ASSERT_TRUE(decoded) << decoded.error().description().toStdString();
        EXPECT_EQ(*decoded, original);
        EXPECT_EQ(decoded->windowSize.width, 0.1 + 0.2); // not 0.3: shortest exact form is written
        EXPECT_EQ(decoded->backgroundImagePath, background);
    }
    // Other programs read the file: indented, keys in order.
    EXPECT_TRUE(original.encode()->startsWith("{\n    \"appName\": \"Caf\xc3\xa9 Vorlap\",\n    \"iconPositions\": {\n"));
}

TEST(VorlapProject, NullAndEmptyBackgroundsAndUnknownKeys)
{
    EXPECT_EQ(*VorlapProject::decode(withMember("backgroundImagePath", "null")), VorlapProject{});
    // Absent and empty are different designs.
    EXPECT_EQ(VorlapProject::decode(withMember("backgroundImagePath", "\"\""))->backgroundImagePath, QString());

    const auto decoded = VorlapProject::decode(R"({"appName": "A", "windowSize": [540, 380, "x"], "future": {"a": 1},
        "iconPositions": {"app": [1, 2, 3], "applications": [4, 5], "extra": true}, "iconSize": 64})");
    ASSERT_TRUE(decoded) << decoded.error().description().toStdString();
    EXPECT_EQ(decoded->windowSize, fixedCanvasSize);
    EXPECT_EQ(decoded->iconPositions, (IconPositions{{1, 2}, {4, 5}}));
}

TEST(VorlapProject, EqualityUsesCanonicalEquivalenceForTheNameOnly)
{
    VorlapProject composed;
    composed.appName = QString::fromUtf8("Caf\u00e9");
    VorlapProject decomposed = composed;
    decomposed.appName = QString::fromUtf8("Cafe\u0301");
    EXPECT_EQ(composed, decomposed);
    composed.backgroundImagePath = composed.appName;
    decomposed.backgroundImagePath = decomposed.appName;
    EXPECT_NE(composed, decomposed); // paths compare as they are stored
}

TEST(VorlapProject, DecodingFailuresNameTheKeyAndTheProblem)
{
    const struct {
        const char* key;
        const char* value; // nullptr: the key is left out
        const char* expected;
    } cases[] = {
        {"appName", nullptr, "The key \"appName\" is missing."},
        {"appName", "7", "The value of \"appName\" is not a string."},
        {"windowSize", R"({"w": 1})", "The value of \"windowSize\" is not an array of two numbers."},
        {"windowSize", "[540]", "The array \"windowSize\" has fewer than two numbers."},
        {"windowSize", R"([540, "380"])", "The second element of \"windowSize\" is not a number."},
        {"backgroundImagePath", "5", "The value of \"backgroundImagePath\" is not a string."},
        {"iconPositions", "[1, 2]", "The value of \"iconPositions\" is not an object."},
        {"iconPositions.app", nullptr, "The key \"iconPositions.app\" is missing."},
        {"iconPositions.app", "[null, 2]", "The first element of \"iconPositions.app\" is not a number."},
        {"iconSize", nullptr, "The key \"iconSize\" is missing."},
        {"iconSize", "\"128\"", "The value of \"iconSize\" is not a number."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(decodeError(withMember(QString::fromUtf8(c.key), c.value)), QString::fromUtf8(c.expected));

    EXPECT_EQ(decodeError("[1, 2]"), "The file does not hold a JSON object.");
    EXPECT_TRUE(decodeError("").startsWith("The file is not valid JSON ("));
    // A number beyond the double range is refused rather than read as infinity.
    EXPECT_TRUE(decodeError(R"({"appName": "A", "iconSize": 1e400})").startsWith("The file is not valid JSON ("));
}

TEST(VorlapProject, NonFiniteNumbersAreRefusedWhenEncoding)
{
    VorlapProject project;
    project.iconSize = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(project.encode().error().description(),
              "The value of \"iconSize\" is not a finite number (nan), and JSON cannot hold it.");
    project = VorlapProject{};
    project.iconPositions.applications.y = -std::numeric_limits<double>::infinity();
    EXPECT_TRUE(project.encode().error().description().startsWith("The value of \"iconPositions.applications\" is not a finite"));
}

TEST(ProjectFile, OnlyRegularFilesOfSaneSizeAreRead)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath("fifo.vorlap"), missing = dir.filePath("missing.vorlap");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    const QString atLimit = dir.filePath("at-limit.vorlap"), over = dir.filePath("over.vorlap");
    ASSERT_TRUE(QFile(atLimit).open(QIODevice::WriteOnly) && QFile::resize(atLimit, 4'000'000));
    ASSERT_TRUE(QFile(over).open(QIODevice::WriteOnly) && QFile::resize(over, 4'000'001));
    const std::pair<QString, QString> cases[] = {
        {fifo, fifo + ": not a regular file"},
        {"/dev/zero", "/dev/zero: not a regular file"},
        {over, over + ": larger than 4 MB, too large for a project"},
        {missing, missing + ": No such file or directory"},
        {atLimit, "The file is not valid JSON ("}, // read and decoded: zero bytes are not JSON
    };
    for (const auto& [path, expected] : cases) {
        const auto read = readProjectFile(path);
        ASSERT_FALSE(read) << path.toStdString();
        const QString reason = read.error().description();
        EXPECT_EQ(expected.endsWith(u'(') ? reason.left(expected.size()) : reason, expected);
    }
}
