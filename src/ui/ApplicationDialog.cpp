#include "ui/ApplicationDialog.h"

#include "project/BundlePaths.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace vorlap::ApplicationDialog {

namespace {

// The outermost application bundle on `folder`'s path, or an empty string.
QString enclosingBundle(const QString& folder)
{
    QString bundle;
    for (QDir dir(QFileInfo(folder).absoluteFilePath()); !dir.isRoot(); dir.cdUp())
        if (BundlePaths::isApplicationBundlePath(dir.path()) && QFileInfo(dir.path()).isDir())
            bundle = dir.path();
    return bundle;
}

} // namespace

std::optional<QUrl> run(QWidget* parent)
{
    QFileDialog dialog(parent);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setNameFilter(QStringLiteral("Applications (*.app)"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // A bundle is one item to the user: a folder reused from an earlier dialog inside one
    // starts beside it instead, and entering one (a double-click) chooses it.
    if (const QString bundle = enclosingBundle(dialog.directory().path()); !bundle.isEmpty())
        dialog.setDirectory(QFileInfo(bundle).absolutePath());
    QString entered;
    QObject::connect(&dialog, &QFileDialog::directoryEntered, &dialog, [&](const QString& folder) {
        entered = enclosingBundle(folder);
        if (!entered.isEmpty())
            static_cast<QDialog&>(dialog).done(QDialog::Accepted);
    });
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    if (!entered.isEmpty())
        return QUrl::fromLocalFile(entered);
    const QList<QUrl> urls = dialog.selectedUrls();
    if (urls.isEmpty())
        return std::nullopt;
    return urls.first();
}

} // namespace vorlap::ApplicationDialog
