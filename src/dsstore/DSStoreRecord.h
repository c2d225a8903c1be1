#pragma once
// One record of the Finder's layout file: a file name, a four-character code, a value.
#include "common/Expected.h"
#include "dsstore/DSStoreError.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <variant>

namespace vorlap {

class DSStoreRecord {
public:
    // Browser window settings of the folder.
    struct Bwsp {
        QString windowBounds; // "{{x, y}, {w, h}}"
    };
    // Icon view settings of the folder.
    struct Icvp {
        double iconSize = 0;
        int64_t backgroundType = 0;
        std::optional<QByteArray> backgroundImageAlias;
    };
    // Where one item's icon sits, in window points.
    struct Iloc {
        QString filename;
        uint32_t x = 0;
        uint32_t y = 0;
    };
    struct VSrn {}; // fixed: long 1
    struct Icvl {}; // fixed: type "icnv"

    using Payload = std::variant<Bwsp, Icvp, Iloc, VSrn, Icvl>;

    static DSStoreRecord bwsp(const QString& windowBounds) { return DSStoreRecord(Bwsp{windowBounds}); }
    static DSStoreRecord icvp(double iconSize, int64_t backgroundType, std::optional<QByteArray> alias = std::nullopt)
    {
        return DSStoreRecord(Icvp{iconSize, backgroundType, std::move(alias)});
    }
    static DSStoreRecord iloc(const QString& filename, uint32_t x, uint32_t y) { return DSStoreRecord(Iloc{filename, x, y}); }
    static DSStoreRecord vSrn() { return DSStoreRecord(VSrn{}); }
    static DSStoreRecord icvl() { return DSStoreRecord(Icvl{}); }

    explicit DSStoreRecord(Payload payload) : m_payload(std::move(payload)) {}

    const Payload& payload() const { return m_payload; }

    // "." for the folder's own records; an icon location's file name, fully lower-cased.
    QString sortName() const;
    // "bwsp", "icvp", "Iloc", "vSrn" or "icvl".
    QByteArray code() const;
    // The entry's bytes: name length and UTF-16BE name, code, type, value.
    Expected<QByteArray, DSStoreError> encode() const;

    // Records order by sort name, then by code; the payload takes no part.
    bool operator<(const DSStoreRecord& other) const;
    bool operator==(const DSStoreRecord& other) const;

private:
    Payload m_payload;
};

// Orders two strings by the Unicode scalar values of their canonical compositions (NFC),
// a proper prefix first. Negative, zero or positive.
int compareByScalarValues(const QString& a, const QString& b);

} // namespace vorlap
