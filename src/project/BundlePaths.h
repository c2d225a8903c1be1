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

// The name the volume and the proposed image take: `appName`, or the bundle's name when
// `appName` is empty (a hidden ".dmg" and a nameless volume otherwise).
QString effectiveApplicationName(const QString& appName, const QString& bundlePath);

// True when `path` lies inside the bundle (or is the bundle itself), with symbolic links in
// the existing part of either path resolved: an image written there would be packed into
// the next image made from the bundle.
bool isInsideBundle(const QString& path, const QString& bundlePath);

} // namespace vorlap::BundlePaths
