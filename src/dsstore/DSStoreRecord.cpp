#include "dsstore/DSStoreRecord.h"

#include "common/BigEndian.h"
#include "dsstore/ViewProperties.h"

#include <algorithm>
#include <limits>

namespace vorlap {

namespace {

template <class... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

const QString folderName = QStringLiteral(".");

QString entryName(const DSStoreRecord::Payload& payload)
{
    if (const auto* iloc = std::get_if<DSStoreRecord::Iloc>(&payload))
        return iloc->filename;
    return folderName;
}

bool fitsIn32Bits(qsizetype length)
{
    return length >= 0 && static_cast<uint64_t>(length) <= std::numeric_limits<uint32_t>::max();
}

Expected<void, DSStoreError> appendBlob(QByteArray& out, const QByteArray& blob)
{
    if (!fitsIn32Bits(blob.size()))
        return unexpected(DSStoreError{QStringLiteral("A layout record's value is too large")});
    out.append("blob", 4);
    bigendian::append32(out, static_cast<uint32_t>(blob.size()));
    out.append(blob);
    return {};
}

} // namespace

QString DSStoreRecord::sortName() const
{
    if (const auto* iloc = std::get_if<Iloc>(&m_payload))
        return iloc->filename.toLower(); // Qt applies the full (special-casing) mappings
    return folderName;
}

QByteArray DSStoreRecord::code() const
{
    return std::visit(Overloaded{
                          [](const Bwsp&) { return QByteArrayLiteral("bwsp"); },
                          [](const Icvp&) { return QByteArrayLiteral("icvp"); },
                          [](const Iloc&) { return QByteArrayLiteral("Iloc"); },
                          [](const VSrn&) { return QByteArrayLiteral("vSrn"); },
                          [](const Icvl&) { return QByteArrayLiteral("icvl"); },
                      },
                      m_payload);
}

Expected<QByteArray, DSStoreError> DSStoreRecord::encode() const
{
    const QString name = entryName(m_payload);
    if (!fitsIn32Bits(name.size()))
        return unexpected(DSStoreError{QStringLiteral("A layout record's file name is too long")});

    QByteArray out;
    bigendian::append32(out, static_cast<uint32_t>(name.size()));
    for (const QChar unit : name)
        bigendian::append16(out, unit.unicode());
    out.append(code());

    return std::visit(Overloaded{
                          [&](const Bwsp& bwsp) -> Expected<QByteArray, DSStoreError> {
                              VORLAP_TRY_LET(plist, binaryPlistDirect(bwspProperties(bwsp.windowBounds)));
                              VORLAP_TRY(appendBlob(out, plist));
                              return out;
                          },
                          [&](const Icvp& icvp) -> Expected<QByteArray, DSStoreError> {
                              VORLAP_TRY_LET(plist, binaryPlistViaPlutil(icvpProperties(icvp.iconSize, icvp.backgroundType,
                                                                                        icvp.backgroundImageAlias)));
                              VORLAP_TRY(appendBlob(out, plist));
                              return out;
                          },
                          [&](const Iloc& iloc) -> Expected<QByteArray, DSStoreError> {
                              out.append("blob", 4);
                              bigendian::append32(out, 16);
                              bigendian::append32(out, iloc.x);
                              bigendian::append32(out, iloc.y);
                              bigendian::append32(out, 0xFFFFFFFFu);
                              bigendian::append32(out, 0xFFFF0000u);
                              return out;
                          },
                          [&](const VSrn&) -> Expected<QByteArray, DSStoreError> {
                              out.append("long", 4);
                              bigendian::append32(out, 1);
                              return out;
                          },
                          [&](const Icvl&) -> Expected<QByteArray, DSStoreError> {
                              out.append("type", 4);
                              out.append("icnv", 4);
                              return out;
                          },
                      },
                      m_payload);
}

int compareByScalarValues(const QString& a, const QString& b)
{
    const QList<uint> left = a.normalized(QString::NormalizationForm_C).toUcs4();
    const QList<uint> right = b.normalized(QString::NormalizationForm_C).toUcs4();
    const auto [l, r] = std::mismatch(left.cbegin(), left.cend(), right.cbegin(), right.cend());
    if (l != left.cend() && r != right.cend())
        return *l < *r ? -1 : 1;
    if (l == left.cend() && r == right.cend())
        return 0;
    return l == left.cend() ? -1 : 1;
}

bool DSStoreRecord::operator<(const DSStoreRecord& other) const
{
    const int byName = compareByScalarValues(sortName(), other.sortName());
    if (byName != 0)
        return byName < 0;
    return code() < other.code();
}

bool DSStoreRecord::operator==(const DSStoreRecord& other) const
{
    return compareByScalarValues(sortName(), other.sortName()) == 0 && code() == other.code();
}

} // namespace vorlap
