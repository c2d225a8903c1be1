#include "dsstore/ViewProperties.h"

#include <plist/plist.h>

#include <memory>

namespace vorlap {

namespace {

struct PlistDeleter {
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistNode = std::unique_ptr<void, PlistDeleter>;

Expected<PlistNode, DSStoreError> toPlist(const QString& key, const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return PlistNode(plist_new_bool(value.toBool() ? 1 : 0));
    case QMetaType::Int:
    case QMetaType::LongLong:
        // The writer stores the two's-complement bits as an 8-byte integer, which
        // readers take as signed.
        return PlistNode(plist_new_uint(static_cast<uint64_t>(value.toLongLong())));
    case QMetaType::Double:
        return PlistNode(plist_new_real(value.toDouble()));
    case QMetaType::QString:
        return PlistNode(plist_new_string(value.toString().toUtf8().constData()));
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        return PlistNode(plist_new_data(bytes.constData(), static_cast<uint64_t>(bytes.size())));
    }
    default:
        return unexpected(DSStoreError{QStringLiteral("Property list value for \"%1\" has an unsupported type (%2)")
                                           .arg(key, QString::fromLatin1(value.typeName()))});
    }
}

} // namespace

QVariantMap bwspProperties(const QString& windowBounds)
{
    return {
        {QStringLiteral("WindowBounds"), windowBounds},
        {QStringLiteral("ShowSidebar"), false},
        {QStringLiteral("ContainerShowSidebar"), false},
        {QStringLiteral("ShowStatusBar"), false},
        {QStringLiteral("ShowPathbar"), false},
        {QStringLiteral("ShowToolbar"), false},
        {QStringLiteral("ShowTabView"), false},
        {QStringLiteral("SidebarWidth"), qint64(0)},
        {QStringLiteral("PreviewPaneVisibility"), false},
    };
}

QVariantMap icvpProperties(double iconSize, int64_t backgroundType,
                           const std::optional<QByteArray>& backgroundImageAlias)
{
    QVariantMap properties{
        {QStringLiteral("viewOptionsVersion"), qint64(1)},
        {QStringLiteral("backgroundType"), qint64(backgroundType)},
        {QStringLiteral("backgroundColorRed"), 1.0},
        {QStringLiteral("backgroundColorGreen"), 1.0},
        {QStringLiteral("backgroundColorBlue"), 1.0},
        {QStringLiteral("gridOffsetX"), 0.0},
        {QStringLiteral("gridOffsetY"), 0.0},
        {QStringLiteral("gridSpacing"), 100.0},
        {QStringLiteral("iconSize"), iconSize},
        {QStringLiteral("textSize"), 12.0},
        {QStringLiteral("labelOnBottom"), true},
        {QStringLiteral("showIconPreview"), true},
        {QStringLiteral("showItemInfo"), false},
        {QStringLiteral("arrangeBy"), QStringLiteral("none")},
        {QStringLiteral("scrollPositionX"), 0.0},
        {QStringLiteral("scrollPositionY"), 0.0},
    };
    if (backgroundImageAlias)
        properties.insert(QStringLiteral("backgroundImageAlias"), *backgroundImageAlias);
    return properties;
}

Expected<QByteArray, DSStoreError> binaryPlistDirect(const QVariantMap& dictionary)
{
    PlistNode root(plist_new_dict());
    for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it) {
        VORLAP_TRY_LET(node, toPlist(it.key(), it.value()));
        plist_dict_set_item(root.get(), it.key().toUtf8().constData(), node.release());
    }
    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(root.get(), &bytes, &length);
    if (!bytes)
        return unexpected(DSStoreError{QStringLiteral("Could not encode a binary property list")});
    QByteArray result(bytes, static_cast<qsizetype>(length));
    plist_to_bin_free(bytes);
    return result;
}

Expected<QByteArray, DSStoreError> binaryPlistViaPlutil(const QVariantMap& dictionary)
{
    return binaryPlistDirect(dictionary);
}

} // namespace vorlap
