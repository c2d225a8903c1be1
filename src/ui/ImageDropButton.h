#pragma once
// A SymbolButton that takes a dropped picture file: of the files dropped on it only the
// first counts, and only when it is a picture. It shows no drop highlight.
#include "ui/SymbolButton.h"

namespace vorlap {

class ImageDropButton : public SymbolButton {
    Q_OBJECT

public:
    explicit ImageDropButton(Style style, QWidget* parent = nullptr);

signals:
    // A picture file was dropped; emitted after the drop has been answered.
    void pictureDropped(const QString& path);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

} // namespace vorlap
