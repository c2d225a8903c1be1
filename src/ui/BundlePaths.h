#pragma once
// Path-name rules for chosen application bundles, the way file URLs name them:
// a trailing slash (folders) does not count, and a leading dot starts no extension.
#include <QString>
#include <QUrl>

namespace vorlap::BundlePaths {

// "/Apps/Foo.app/" -> "Foo.app".
QString lastComponent(const QString& path);

// "Foo.app" -> "app"; "My.Tool.app" -> "app"; ".app", "Foo", "Foo." -> "".
QString extension(const QString& name);

// "My.Tool.app" -> "My.Tool"; a name without extension is returned unchanged.
QString deletingExtension(const QString& name);

// True when the URL is a local file whose last component ends in exactly ".app".
bool isApplicationBundle(const QUrl& url);

} // namespace vorlap::BundlePaths
