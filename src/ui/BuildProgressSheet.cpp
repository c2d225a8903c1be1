#include "ui/BuildProgressSheet.h"

#include "ui/Palette.h"
#include "ui/ProgressSpinner.h"
#include "ui/SystemFont.h"
#include "ui/VorlapStyle.h"

#include <QFontMetricsF>
#include <QLabel>
#include <QTextLayout>
#include <QVBoxLayout>

namespace vorlap {

namespace {

QLabel* makeLabel(const QFont& font, VorlapStyle::Text colour, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setFont(font);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    VorlapStyle::setText(label, colour);
    return label;
}

} // namespace

BuildProgressSheet::BuildProgressSheet(QWidget* parent) : QWidget(parent)
{
    VorlapStyle::setSurface(this, VorlapStyle::Surface::window);

    m_spinner = new ProgressSpinner(this);
    m_spinner->setColor(Palette::primaryText());
    m_title = makeLabel(SystemFont::headline(), VorlapStyle::Text::primary, this);
    m_title->setText(QStringLiteral("Building DMG"));
    m_messageLabel = makeLabel(SystemFont::caption(), VorlapStyle::Text::secondary, this);
    m_messageLabel->setFixedWidth(kMessageWidth);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    layout->setSpacing(kSpacing);
    layout->addWidget(m_spinner, 0, Qt::AlignHCenter);
    layout->addWidget(m_title, 0, Qt::AlignHCenter);
    layout->addWidget(m_messageLabel, 0, Qt::AlignHCenter);

    setFixedWidth(kWidth);
    refresh();
}

void BuildProgressSheet::setMessage(const std::optional<QString>& message)
{
    m_message = message;
    refresh();
}

QString BuildProgressSheet::title() const { return m_title->text(); }

QString BuildProgressSheet::messageLine() const { return m_messageLabel->text(); }

void BuildProgressSheet::refresh()
{
    const QString text = m_message.value_or(QStringLiteral("Starting..."));
    m_messageLabel->setText(fitLines(text, m_messageLabel->font(), kMessageWidth, kMessageLines).join(u'\n'));
    // The width is fixed; the height follows the content.
    layout()->activate();
    setFixedHeight(layout()->sizeHint().height());
}

QStringList BuildProgressSheet::fitLines(const QString& text, const QFont& font, double width, int maxLines)
{
    QString prepared = text;
    prepared.replace(u'\n', QChar::LineSeparator);
    QTextLayout layout(prepared, font);
    QTextOption option(Qt::AlignHCenter);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);

    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        if (lines.size() == maxLines - 1) {
            // The last line allowed takes the rest of the text, shortened at its end.
            QString rest = prepared.mid(line.textStart());
            rest.replace(QChar::LineSeparator, u' ');
            lines << QFontMetricsF(font).elidedText(rest.trimmed(), Qt::ElideRight, width);
            break;
        }
        lines << prepared.mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    return lines;
}

} // namespace vorlap
