#pragma once
// The window and icon-view settings the Finder reads from the layout file, and their
// encoding as binary property lists.
#include "common/Expected.h"
#include "dsstore/DSStoreError.h"

#include <QByteArray>
#include <QString>
#include <QVariantMap>

#include <cstdint>
#include <optional>

namespace vorlap {

// The browser-window dictionary (nine entries): bounds, no sidebar, toolbar, status or path bar.
QVariantMap bwspProperties(const QString& windowBounds);

// The icon-view dictionary: sixteen entries, plus "backgroundImageAlias" when alias bytes are given.
QVariantMap icvpProperties(double iconSize, int64_t backgroundType,
                           const std::optional<QByteArray>& backgroundImageAlias);

// A dictionary whose values are bool, integer, double, string or bytes, as a binary
// property list ("bplist00"). Fails on a value of any other type.
Expected<QByteArray, DSStoreError> binaryPlistDirect(const QVariantMap& dictionary);

// The same bytes. Where macOS would convert an XML property list with plutil, we use the
// one binary writer directly: no XML step, no temporary files.
Expected<QByteArray, DSStoreError> binaryPlistViaPlutil(const QVariantMap& dictionary);

} // namespace vorlap
