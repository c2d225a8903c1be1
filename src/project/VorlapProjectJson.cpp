// The JSON form of a project: sizes as [width, height], points as [x, y].
#include "project/VorlapProject.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QJsonValue>

#include <cmath>

namespace vorlap {

namespace {

Unexpected<ProjectError> failure(ProjectError::Code code, const QString& message)
{
    return unexpected(ProjectError{code, message});
}

QString quoted(const QString& keyPath) { return QLatin1Char('"') + keyPath + QLatin1Char('"'); }

// ---- Encoding ----

// Collects the first non-finite number met while writing; JSON has no way to hold it.
class Writer {
public:
    QJsonArray pair(const QString& keyPath, double first, double second)
    {
        check(keyPath, first);
        check(keyPath, second);
        return QJsonArray{first, second};
    }

    double number(const QString& keyPath, double value)
    {
        check(keyPath, value);
        return value;
    }

    std::optional<ProjectError> error;

private:
    void check(const QString& keyPath, double value)
    {
        if (!error && !std::isfinite(value))
            error = ProjectError{ProjectError::Code::notFinite,
                                 QStringLiteral("The value of %1 is not a finite number (%2), and JSON cannot hold it.")
                                     .arg(quoted(keyPath), QString::number(value))};
    }
};

// ---- Decoding ----

Expected<QJsonValue, ProjectError> member(const QJsonObject& object, const QString& key, const QString& keyPath)
{
    const auto found = object.constFind(key);
    if (found == object.constEnd())
        return failure(ProjectError::Code::keyMissing, QStringLiteral("The key %1 is missing.").arg(quoted(keyPath)));
    return QJsonValue(found.value());
}

Expected<double, ProjectError> numberValue(const QJsonValue& value, const QString& what)
{
    // The parser refuses numbers beyond the double range, so every number here is finite.
    if (!value.isDouble())
        return failure(ProjectError::Code::wrongType, QStringLiteral("%1 is not a number.").arg(what));
    return value.toDouble();
}

// A two-element array of numbers; elements after the first two are ignored.
Expected<std::pair<double, double>, ProjectError> numberPair(const QJsonObject& object, const QString& key,
                                                             const QString& keyPath)
{
    VORLAP_TRY_LET(value, member(object, key, keyPath));
    if (!value.isArray())
        return failure(ProjectError::Code::wrongType,
                       QStringLiteral("The value of %1 is not an array of two numbers.").arg(quoted(keyPath)));
    const QJsonArray array = value.toArray();
    if (array.size() < 2)
        return failure(ProjectError::Code::wrongType,
                       QStringLiteral("The array %1 has fewer than two numbers.").arg(quoted(keyPath)));
    VORLAP_TRY_LET(first, numberValue(array.at(0), QStringLiteral("The first element of %1").arg(quoted(keyPath))));
    VORLAP_TRY_LET(second, numberValue(array.at(1), QStringLiteral("The second element of %1").arg(quoted(keyPath))));
    return std::pair{first, second};
}

Expected<Point, ProjectError> point(const QJsonObject& object, const QString& key, const QString& keyPath)
{
    VORLAP_TRY_LET(pair, numberPair(object, key, keyPath));
    return Point{pair.first, pair.second};
}

// The optional "format": absent means UDZO. A format this version cannot write is refused
// rather than quietly built as another one.
Expected<ImageFormat, ProjectError> imageFormat(const QJsonObject& object)
{
    const QJsonValue value = object.value(QStringLiteral("format"));
    if (value.isUndefined())
        return ImageFormat::udzo;
    if (!value.isString())
        return failure(ProjectError::Code::wrongType, QStringLiteral("The value of \"format\" is not a string."));
    const std::optional<ImageFormat> format = imageFormatFromName(value.toString());
    if (!format)
        return failure(
            ProjectError::Code::unknownValue,
            QStringLiteral("The value of \"format\" is \"%1\", not %2.").arg(value.toString(), imageFormatNameList()));
    return *format;
}

} // namespace

Expected<QJsonObject, ProjectError> VorlapProject::toJson() const
{
    Writer writer;
    QJsonObject object;
    object.insert(QStringLiteral("appName"), appName);
    object.insert(QStringLiteral("windowSize"),
                  writer.pair(QStringLiteral("windowSize"), windowSize.width, windowSize.height));
    if (backgroundImagePath)
        object.insert(QStringLiteral("backgroundImagePath"), *backgroundImagePath);
    QJsonObject positions;
    positions.insert(QStringLiteral("app"),
                     writer.pair(QStringLiteral("iconPositions.app"), iconPositions.app.x, iconPositions.app.y));
    positions.insert(QStringLiteral("applications"),
                     writer.pair(QStringLiteral("iconPositions.applications"), iconPositions.applications.x,
                                 iconPositions.applications.y));
    object.insert(QStringLiteral("iconPositions"), positions);
    object.insert(QStringLiteral("iconSize"), writer.number(QStringLiteral("iconSize"), iconSize));
    // Left out for UDZO, so a default design's file reads the same to every version.
    if (format != ImageFormat::udzo)
        object.insert(QStringLiteral("format"), imageFormatName(format));
    if (writer.error)
        return unexpected(*writer.error);
    return object;
}

Expected<VorlapProject, ProjectError> VorlapProject::fromJson(const QJsonObject& object)
{
    VorlapProject project;

    VORLAP_TRY_LET(name, member(object, QStringLiteral("appName"), QStringLiteral("appName")));
    if (!name.isString())
        return failure(ProjectError::Code::wrongType, QStringLiteral("The value of \"appName\" is not a string."));
    project.appName = name.toString();

    VORLAP_TRY_LET(size, numberPair(object, QStringLiteral("windowSize"), QStringLiteral("windowSize")));
    project.windowSize = {size.first, size.second};

    // Missing and null both mean "no background".
    const QJsonValue background = object.value(QStringLiteral("backgroundImagePath"));
    if (background.isString())
        project.backgroundImagePath = background.toString();
    else if (!background.isUndefined() && !background.isNull())
        return failure(ProjectError::Code::wrongType,
                       QStringLiteral("The value of \"backgroundImagePath\" is not a string."));
    else
        project.backgroundImagePath.reset();

    VORLAP_TRY_LET(positionsValue, member(object, QStringLiteral("iconPositions"), QStringLiteral("iconPositions")));
    if (!positionsValue.isObject())
        return failure(ProjectError::Code::wrongType,
                       QStringLiteral("The value of \"iconPositions\" is not an object."));
    const QJsonObject positions = positionsValue.toObject();
    VORLAP_TRY_LET(app, point(positions, QStringLiteral("app"), QStringLiteral("iconPositions.app")));
    VORLAP_TRY_LET(applications,
                   point(positions, QStringLiteral("applications"), QStringLiteral("iconPositions.applications")));
    project.iconPositions = {app, applications};

    VORLAP_TRY_LET(iconSizeValue, member(object, QStringLiteral("iconSize"), QStringLiteral("iconSize")));
    VORLAP_TRY_LET(iconSizeNumber, numberValue(iconSizeValue, QStringLiteral("The value of \"iconSize\"")));
    project.iconSize = iconSizeNumber;

    VORLAP_TRY_LET(format, imageFormat(object));
    project.format = format;
    return project;
}

Expected<QByteArray, ProjectError> VorlapProject::encode() const
{
    VORLAP_TRY_LET(object, toJson());
    // QJsonObject keeps its keys sorted, so the file lists them alphabetically.
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

Expected<VorlapProject, ProjectError> VorlapProject::decode(const QByteArray& bytes)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return failure(ProjectError::Code::notJson, QStringLiteral("The file is not valid JSON (%1 at byte %2).")
                                                        .arg(parseError.errorString())
                                                        .arg(parseError.offset));
    if (!document.isObject())
        return failure(ProjectError::Code::notJson, QStringLiteral("The file does not hold a JSON object."));
    return fromJson(document.object());
}

} // namespace vorlap
