#pragma once
// The modal dialog in which the user picks an application bundle. Bundles are
// folders, so folders can be chosen; the list is filtered to names ending in ".app".
#include <QUrl>

#include <functional>
#include <optional>

class QWidget;

namespace vorlap {

// Shows a dialog and returns the chosen URL, or none when it was cancelled.
using ApplicationChooser = std::function<std::optional<QUrl>(QWidget* parent)>;

namespace ApplicationDialog {

std::optional<QUrl> run(QWidget* parent);

} // namespace ApplicationDialog

} // namespace vorlap
