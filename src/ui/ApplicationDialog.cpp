#include "ui/ApplicationDialog.h"

#include <QFileDialog>

namespace vorlap::ApplicationDialog {

std::optional<QUrl> run(QWidget* parent)
{
    QFileDialog dialog(parent);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setNameFilter(QStringLiteral("Applications (*.app)"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QList<QUrl> urls = dialog.selectedUrls();
    if (urls.isEmpty())
        return std::nullopt;
    return urls.first();
}

} // namespace vorlap::ApplicationDialog
