#include "ui/SidebarView.h"

#include "project/BackgroundChoice.h"
#include "project/BundlePaths.h"
#include "project/IconRules.h"
#include "ui/FilePanels.h"
#include "ui/ImageDropButton.h"
#include "ui/Palette.h"
#include "ui/ProjectModel.h"
#include "ui/SymbolButton.h"
#include "ui/SystemFont.h"
#include "ui/TintedSlider.h"
#include "ui/VorlapStyle.h"

#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <cmath>
#include <utility>

namespace vorlap {

namespace {

constexpr int kSpacing = 12;
constexpr int kBackgroundSpacing = 10;
constexpr int kCommandSpacing = 10;
constexpr int kRowSpacing = 8;
constexpr int kRecentSpacing = 4;
constexpr int kRecentTopMargin = 2;
constexpr int kPasteButtonWidth = 28;
constexpr QMargins kMargins{14, 18, 14, 14};

QLabel* makeLabel(const QString& text, const QFont& font, VorlapStyle::Text colour, QWidget* parent = nullptr)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    VorlapStyle::setText(label, colour);
    return label;
}

QWidget* makeDivider()
{
    auto* line = new QWidget;
    line->setFixedHeight(1);
    VorlapStyle::setSurface(line, VorlapStyle::Surface::separator);
    return line;
}

SymbolButton* makeButton(SymbolButton::Style style, std::optional<SymbolImages::Symbol> symbol, const QString& text,
                         const QFont& font)
{
    auto* button = new SymbolButton(style);
    button->setSymbol(symbol);
    button->setLabel(text);
    button->setLabelFont(font);
    return button;
}

// A row of the Recent list: the clock and the picture's file name.
SymbolButton* makeRecentRow(const QString& path)
{
    auto* row = makeButton(SymbolButton::Style::plain, SymbolImages::clock, BundlePaths::lastComponent(path),
                           SystemFont::ofSize(12));
    row->setSpacing(5);
    row->setContentColor(Palette::secondaryText());
    row->setContentAlignment(Qt::AlignLeft);
    row->setToolTip(path);
    return row;
}

} // namespace

SidebarView::SidebarView(ProjectModel* model, QStringList recentBackgrounds, Actions actions,
                         SettingsOpener recentStore, QWidget* parent)
    : QWidget(parent),
      m_model(model),
      m_actions(std::move(actions)),
      m_recentStore(std::move(recentStore)),
      m_imageChooser(&FileDialogs::openImage),
      m_recentBackgrounds(std::move(recentBackgrounds)),
      m_lastIconSize(model->project().iconSize)
{
    Q_ASSERT(model);
    setFixedWidth(kWidth);
    VorlapStyle::setSurface(this, VorlapStyle::Surface::sidebar);

    auto* scroll = new QScrollArea;
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidgetResizable(true);
    scroll->viewport()->setAutoFillBackground(false);
    scroll->setAutoFillBackground(false);
    scroll->setWidget(makeScrollContent());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kMargins);
    layout->setSpacing(kSpacing);
    layout->addWidget(scroll, 1);
    layout->addWidget(makeCommands());

    connect(m_model, &ProjectModel::projectChanged, this, &SidebarView::projectChanged);
    connect(m_model, &ProjectModel::appUrlChanged, this, &SidebarView::refreshCommands);
    projectChanged();
    refreshCommands();
}

QWidget* SidebarView::makeScrollContent()
{
    auto* content = new QWidget;
    content->setAutoFillBackground(false);
    auto* stack = new QVBoxLayout(content);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(kSpacing);

    const QFont sectionFont = SystemFont::ofSize(13, QFont::DemiBold);
    auto* header = new QHBoxLayout;
    header->setSpacing(0);
    header->addWidget(makeLabel(QStringLiteral("ICON SIZE"), sectionFont, VorlapStyle::Text::secondary));
    header->addStretch(1);
    // The system font's digits are of equal width already; the number does not jitter.
    m_iconSizeLabel = makeLabel(QString(), sectionFont, VorlapStyle::Text::value);
    header->addWidget(m_iconSizeLabel);
    stack->addLayout(header);

    m_slider = new TintedSlider;
    m_slider->setRange(smallestIconSize, largestIconSize);
    m_slider->setSingleStep(iconSizeStep);
    m_slider->setPageStep(4 * iconSizeStep);
    m_slider->setFocusPolicy(Qt::TabFocus);
    m_slider->setTint(Palette::accent());
    connect(m_slider, &QSlider::valueChanged, this, &SidebarView::sliderMoved);
    stack->addWidget(m_slider);

    stack->addWidget(makeDivider());
    stack->addWidget(makeLabel(QStringLiteral("BACKGROUND"), sectionFont, VorlapStyle::Text::secondary));
    stack->addWidget(makeBackgroundControls());
    stack->addWidget(makeDivider());

    m_caption = makeLabel(fixedCanvasCaption(), SystemFont::ofSize(12, QFont::Medium), VorlapStyle::Text::caption);
    stack->addWidget(m_caption);
    stack->addStretch(1);
    return content;
}

QWidget* SidebarView::makeBackgroundControls()
{
    auto* controls = new QWidget;
    auto* stack = new QVBoxLayout(controls);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(kBackgroundSpacing);

    const QFont buttonFont = SystemFont::ofSize(13, QFont::DemiBold);
    auto* row = new QHBoxLayout;
    row->setSpacing(kRowSpacing);
    m_chooseButton = new ImageDropButton(SymbolButton::Style::bordered);
    m_chooseButton->setSymbol(SymbolImages::photo);
    m_chooseButton->setLabelFont(buttonFont);
    m_chooseButton->setSpacing(8);
    m_chooseButton->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(m_chooseButton, &QAbstractButton::clicked, this, &SidebarView::chooseBackgroundImage);
    connect(m_chooseButton, &ImageDropButton::pictureDropped, this, &SidebarView::applyBackground);
    row->addWidget(m_chooseButton, 1);

    m_pasteButton = makeButton(SymbolButton::Style::bordered, SymbolImages::docOnClipboard, QString(), buttonFont);
    m_pasteButton->setPadding({0, 4, 0, 4});
    m_pasteButton->setFixedWidth(kPasteButtonWidth);
    m_pasteButton->setToolTip(QStringLiteral("Paste Background"));
    m_pasteButton->setAccessibleName(QStringLiteral("Paste Background"));
    // Ctrl+V, which is Command-V on macOS.
    m_pasteButton->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    connect(m_pasteButton, &QAbstractButton::clicked, this, &SidebarView::pasteBackground);
    row->addWidget(m_pasteButton);
    stack->addLayout(row);

    m_removeButton = makeButton(SymbolButton::Style::plain, SymbolImages::xmarkCircle, QStringLiteral("Remove"), buttonFont);
    m_removeButton->setSpacing(5);
    m_removeButton->setContentColor(Palette::secondaryText());
    connect(m_removeButton, &QAbstractButton::clicked, this, &SidebarView::removeBackground);
    stack->addWidget(m_removeButton, 0, Qt::AlignLeft);

    m_recentSection = new QWidget;
    m_recentLayout = new QVBoxLayout(m_recentSection);
    m_recentLayout->setContentsMargins(0, kRecentTopMargin, 0, 0);
    m_recentLayout->setSpacing(kRecentSpacing);
    m_recentLayout->addWidget(
        makeLabel(QStringLiteral("Recent"), SystemFont::ofSize(12, QFont::Medium), VorlapStyle::Text::subheading));
    stack->addWidget(m_recentSection);
    setRecentBackgrounds(m_recentBackgrounds);
    return controls;
}

QWidget* SidebarView::makeCommands()
{
    auto* commands = new QWidget;
    auto* stack = new QVBoxLayout(commands);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(kCommandSpacing);

    const QFont commandFont = SystemFont::ofSize(12, QFont::DemiBold);
    auto* row = new QHBoxLayout;
    row->setSpacing(kRowSpacing);
    m_openButton = makeButton(SymbolButton::Style::bordered, SymbolImages::folder, QStringLiteral("Open"), commandFont);
    m_openButton->setToolTip(QStringLiteral("Open .vorlap Project"));
    m_saveButton = makeButton(SymbolButton::Style::bordered, SymbolImages::squareAndArrowDown, QStringLiteral("Save"),
                              commandFont);
    m_saveButton->setToolTip(QStringLiteral("Save .vorlap Project"));
    for (SymbolButton* button : {m_openButton, m_saveButton}) {
        button->setSpacing(5);
        button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        row->addWidget(button, 1);
    }
    connect(m_openButton, &QAbstractButton::clicked, this, [this] {
        if (m_actions.onOpen)
            m_actions.onOpen();
    });
    connect(m_saveButton, &QAbstractButton::clicked, this, [this] {
        if (m_actions.onSave)
            m_actions.onSave();
    });
    stack->addLayout(row);

    m_buildButton = makeButton(SymbolButton::Style::prominent, std::nullopt, QStringLiteral("Build DMG"),
                               SystemFont::ofSize(15, QFont::DemiBold));
    m_buildButton->setTint(Palette::accent());
    m_buildButton->setSpacing(6);
    m_buildButton->setPadding({12, 8 + 3, 12, 8 + 3});
    m_buildButton->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    connect(m_buildButton, &QAbstractButton::clicked, this, [this] {
        if (m_actions.onBuild)
            m_actions.onBuild();
    });
    stack->addWidget(m_buildButton);

    m_progressLine = makeLabel(QString(), SystemFont::ofSize(12), VorlapStyle::Text::secondary);
    m_progressLine->setAlignment(Qt::AlignHCenter);
    m_progressLine->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_progressLine->hide();
    stack->addWidget(m_progressLine);
    return commands;
}

void SidebarView::setBuildState(bool isBuilding, const std::optional<QString>& buildProgress)
{
    m_isBuilding = isBuilding;
    m_buildProgress = buildProgress;
    refreshCommands();
}

void SidebarView::setImageChooser(ImageChooser chooser) { m_imageChooser = std::move(chooser); }

QString SidebarView::iconSizeText(double iconSize)
{
    // Whole numbers only ("128", never "128.0"); adding 0 turns a truncated -0 into 0.
    const QString number = std::isfinite(iconSize) ? QString::number(std::trunc(iconSize) + 0.0, 'f', 0)
                                                   : QStringLiteral("–");
    return number + QStringLiteral(" px");
}

QString SidebarView::fixedCanvasCaption()
{
    return QStringLiteral("Fixed canvas \u00b7 %1\u00d7%2").arg(int(fixedCanvasSize.width)).arg(int(fixedCanvasSize.height));
}

// ---- Following the project ----

void SidebarView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_appeared) {
        m_appeared = true;
        m_lastIconSize = m_model->project().iconSize;
    }
}

void SidebarView::projectChanged()
{
    const double iconSize = m_model->project().iconSize;
    if (iconSize != m_lastIconSize && !(std::isnan(iconSize) && std::isnan(m_lastIconSize))) {
        m_lastIconSize = iconSize;
        if (m_appeared) {
            VorlapProject clamped = m_model->project();
            clampIconsToCanvas(clamped);
            m_model->setProject(clamped); // announced only when an icon moved
        }
    }

    const VorlapProject& project = m_model->project();
    m_iconSizeLabel->setText(iconSizeText(project.iconSize));
    {
        const QSignalBlocker blocker(m_slider);
        if (std::isfinite(project.iconSize))
            m_slider->setValue(int(std::lround(std::clamp(project.iconSize, double(smallestIconSize),
                                                          double(largestIconSize)))));
    }
    refreshBackground();
}

void SidebarView::sliderMoved(int value)
{
    // The slider stops only at the offered sizes.
    const int snapped = nearestOfferedIconSize(value);
    if (snapped != value) {
        m_slider->setValue(snapped);
        return;
    }
    VorlapProject project = m_model->project();
    if (project.iconSize == value)
        return;
    project.iconSize = value;
    m_model->setProject(project);
}

void SidebarView::refreshBackground()
{
    const std::optional<QString>& path = m_model->project().backgroundImagePath;
    m_chooseButton->setLabel(path ? BundlePaths::lastComponent(*path) : QStringLiteral("Choose image"));
    m_chooseButton->setToolTip(path ? *path : QString());
    m_removeButton->setVisible(path.has_value());
}

void SidebarView::refreshCommands()
{
    const bool haveApp = m_model->appUrl().has_value();
    m_openButton->setEnabled(true);
    m_saveButton->setEnabled(haveApp);
    m_buildButton->setEnabled(haveApp && !m_isBuilding);
    m_buildButton->setBusy(m_isBuilding);
    m_buildButton->setLabel(m_isBuilding ? QStringLiteral("Building") : QStringLiteral("Build DMG"));

    const bool showProgress = m_isBuilding && m_buildProgress.has_value();
    if (showProgress) {
        const QFontMetricsF metrics(m_progressLine->font());
        const double width = kWidth - kMargins.left() - kMargins.right();
        m_progressLine->setText(metrics.elidedText(*m_buildProgress, Qt::ElideMiddle, width));
        m_progressLine->setToolTip(*m_buildProgress);
    }
    m_progressLine->setVisible(showProgress);
}

void SidebarView::setRecentBackgrounds(const QStringList& paths)
{
    m_recentBackgrounds = paths;
    // A row may be the sender of the click that got here: it goes once the click is over.
    for (SymbolButton* row : std::as_const(m_recentRows)) {
        m_recentLayout->removeWidget(row);
        row->hide();
        row->deleteLater();
    }
    m_recentRows.clear();
    for (const QString& path : paths) {
        SymbolButton* row = makeRecentRow(path);
        connect(row, &QAbstractButton::clicked, this, [this, path] { applyBackground(path); });
        m_recentLayout->addWidget(row, 0, Qt::AlignLeft);
        m_recentRows << row;
    }
    m_recentSection->setVisible(!paths.isEmpty());
}

// ---- Background operations ----

void SidebarView::chooseBackgroundImage()
{
    if (!m_imageChooser)
        return;
    if (const std::optional<QString> path = m_imageChooser(this))
        applyBackground(*path);
}

void SidebarView::pasteBackground()
{
    VorlapProject project = m_model->project();
    QStringList recent = m_recentBackgrounds;
    if (vorlap::pasteBackground(project, recent, m_recentStore))
        m_model->setProject(project);
    if (recent != m_recentBackgrounds)
        setRecentBackgrounds(recent);
}

void SidebarView::applyBackground(const QString& path)
{
    VorlapProject project = m_model->project();
    QStringList recent;
    if (vorlap::applyBackground(path, project, recent, m_recentStore))
        m_model->setProject(project);
    setRecentBackgrounds(recent);
}

void SidebarView::removeBackground()
{
    VorlapProject project = m_model->project();
    project.backgroundImagePath.reset();
    m_model->setProject(project);
}

} // namespace vorlap
