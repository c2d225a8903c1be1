#pragma once
// Path-name rules for chosen application bundles, the way file URLs name them: a trailing
// slash (folders) does not count, and a leading dot starts no extension. The window and
// `vorlap build` accept and name bundles by these rules alike.
#include <QString>
#include <QUrl>

namespace vorlap::BundlePaths {

// "/Apps/Foo.app/" -> "Foo.app".
QString lastComponent(const QString& path);

// "Foo.app" -> "app"; "My.Tool.app" -> "app"; ".app", "Foo", "Foo." -> "".
QString extension(const QString& name);

// "My.Tool.app" -> "My.Tool"; a name without extension is returned unchanged.
QString deletingExtension(const QString& name);

// True when the last component of `path` ends in exactly ".app" ("Foo.app", "Foo.app/";
// not ".app", "Foo.APP" or "Foo.app.zip").
bool isApplicationBundlePath(const QString& path);

// True when the URL is a local file whose path is an application bundle's.
bool isApplicationBundle(const QUrl& url);

// The name a project and its volume take from the bundle: "/Apps/My.Tool.app/" -> "My.Tool".
QString applicationName(const QString& bundlePath);

} // namespace vorlap::BundlePaths
