#pragma once
// Why a project could not be written or read: what went wrong, and the reason in plain
// English as the user sees it.
#include <QString>

#include <utility>

namespace vorlap {

struct ProjectError {
    enum class Code {
        notFinite,    // a number JSON cannot hold (writing)
        notJson,      // the bytes are not JSON, or not a JSON object
        keyMissing,   // a required key is absent
        wrongType,    // a key holds the wrong kind of value
        unknownValue, // a key holds a value this version does not know
        fileFailed,   // the file could not be read or written
    };

    Code code;
    QString message; // the whole text, e.g. "The key \"iconSize\" is missing."

    QString description() const { return message; }

    bool operator==(const ProjectError&) const = default;
};

} // namespace vorlap
