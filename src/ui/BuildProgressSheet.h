#pragma once
// The panel the main window shows, modal and not dismissable, while a disk image
// is built: a spinner, the title "Building DMG" and the latest progress message.
// It has no buttons and no actions; the window feeds it messages.
#include <QStringList>
#include <QWidget>

#include <optional>

class QLabel;

namespace vorlap {

class ProgressSpinner;

class BuildProgressSheet : public QWidget {
    Q_OBJECT

public:
    static constexpr int kWidth = 340;
    static constexpr int kMargin = 28;
    static constexpr int kSpacing = 16;
    static constexpr int kMessageWidth = 260;
    static constexpr int kMessageLines = 2;

    explicit BuildProgressSheet(QWidget* parent = nullptr);

    // The latest progress message; none before the first one ("Starting..." shows).
    void setMessage(const std::optional<QString>& message);
    const std::optional<QString>& message() const { return m_message; }

    // What the sheet shows, for the window and for tests.
    QString title() const;
    QString messageLine() const; // lines joined by "\n"

    // `text` broken at word boundaries into lines at most `width` wide; when it needs
    // more than `maxLines`, the last line is cut short with an ellipsis at its end.
    static QStringList fitLines(const QString& text, const QFont& font, double width, int maxLines);

private:
    void refresh();

    std::optional<QString> m_message;
    ProgressSpinner* m_spinner = nullptr;
    QLabel* m_title = nullptr;
    QLabel* m_messageLabel = nullptr;
};

} // namespace vorlap
