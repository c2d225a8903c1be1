#pragma once
// The design being edited and saved as a ".vorlap" file.
#include "common/Expected.h"
#include "project/Geometry.h"
#include "project/ImageFormat.h"
#include "project/ProjectError.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <optional>

namespace vorlap {

// The installer window's one content size, in points.
inline constexpr Size fixedCanvasSize{540, 380};

// Centres of the two icons in window points, origin top left, y down.
struct IconPositions {
    Point app{180, 190};
    Point applications{360, 190};

    bool operator==(const IconPositions&) const = default;
};

struct VorlapProject {
    QString appName;
    Size windowSize = fixedCanvasSize;
    std::optional<QString> backgroundImagePath;
    IconPositions iconPositions;
    double iconSize = 128;
    ImageFormat format = ImageFormat::udzo; // stored as "format" only when not the default

    // Equal when every field is equal; appName compares by canonical equivalence.
    bool operator==(const VorlapProject& other) const;

    // The project moved onto the fixed canvas with both icons kept inside it.
    VorlapProject normalized() const;

    // The JSON object of the project file. Fails on non-finite numbers, naming the key.
    Expected<QJsonObject, ProjectError> toJson() const;
    // Reads the object back. A missing or null "backgroundImagePath" means no background, a
    // missing "format" means UDZO (files from before formats could be chosen);
    // unknown keys and array elements after the first two are ignored. Fails, naming the
    // key and the problem, when a required key is missing or holds the wrong kind of value.
    static Expected<VorlapProject, ProjectError> fromJson(const QJsonObject& object);

    // The project file's bytes: pretty-printed, keys sorted.
    Expected<QByteArray, ProjectError> encode() const;
    static Expected<VorlapProject, ProjectError> decode(const QByteArray& bytes);
};

// What a change of icon size does: the project moves onto the fixed canvas and each icon is
// pulled at least half an icon inside it. Unlike normalized(), positions are never reset.
void clampIconsToCanvas(VorlapProject& project);

} // namespace vorlap
