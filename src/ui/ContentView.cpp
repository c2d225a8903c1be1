#include "ui/ContentView.h"

#include "pipeline/BuildConfig.h"
#include "project/BundlePaths.h"
#include "project/ProjectFile.h"
#include "ui/BuildProgressSheet.h"
#include "ui/BuildTask.h"
#include "ui/EditHistory.h"
#include "ui/PreviewCanvasView.h"
#include "ui/ProjectModel.h"
#include "ui/SheetDialog.h"
#include "ui/SidebarView.h"
#include "ui/VorlapStyle.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QShortcut>

#include <utility>

namespace vorlap {

ContentView::ContentView(QWidget* parent) : ContentView(FilePanels::platform(), openUserPreferences, parent) {}

ContentView::ContentView(FilePanels panels, SettingsOpener recentStore, QWidget* parent)
    : QWidget(parent), m_panels(std::move(panels)), m_recentStore(std::move(recentStore))
{
    VorlapStyle::setSurface(this, VorlapStyle::Surface::window);

    m_model = new ProjectModel(VorlapProject{}, this);
    m_history = new EditHistory(m_model, this);
    connect(m_history, &EditHistory::modifiedChanged, this, &ContentView::updateTitle);
    SidebarView::Actions actions{[this] { buildDMG(); }, [this] { saveProject(); }, [this] { openProject(); }};
    m_sidebar = new SidebarView(m_model, loadRecentBackgrounds(m_recentStore), std::move(actions), m_recentStore);

    auto* divider = new QWidget;
    divider->setFixedWidth(kDividerWidth);
    VorlapStyle::setSurface(divider, VorlapStyle::Surface::separator);

    m_canvas = new PreviewCanvasView(m_model);
    m_canvas->setFixedSize(PreviewCanvasView::kWidth, PreviewCanvasView::kHeight);
    connect(m_canvas, &PreviewCanvasView::iconDragStarted, m_history, &EditHistory::beginGesture);
    connect(m_canvas, &PreviewCanvasView::iconDragEnded, m_history, &EditHistory::endGesture);
    connect(m_canvas, &PreviewCanvasView::projectFileDropped, this, [this](const QString& path) {
        if (!m_isBuilding && settleUnsavedChanges())
            openProjectFile(path);
    });

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(m_sidebar);
    row->addWidget(divider);
    row->addWidget(m_canvas, 0, Qt::AlignVCenter);
    setFixedSize(kWidth, kHeight);
    addShortcuts();
    updateTitle();
}

ContentView::~ContentView() = default;

void ContentView::addShortcuts()
{
    // Qt reads Ctrl as Command on macOS.
    const std::pair<QKeySequence, void (ContentView::*)()> commands[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_O), &ContentView::openProject},
        {QKeySequence(Qt::CTRL | Qt::Key_S), &ContentView::saveProject},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), &ContentView::saveProjectAs},
        {QKeySequence(Qt::CTRL | Qt::Key_B), &ContentView::buildDMG},
    };
    for (const auto& [keys, command] : commands)
        connect(new QShortcut(keys, this), &QShortcut::activated, this, command);
    QUndoStack* stack = m_history->stack();
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z), this), &QShortcut::activated, stack, &QUndoStack::undo);
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), this), &QShortcut::activated, stack,
            &QUndoStack::redo);
}

void ContentView::updateTitle()
{
    const QString name = m_projectFileUrl ? m_projectFileUrl->fileName() : QStringLiteral("Untitled");
    setWindowTitle(name + QStringLiteral("[*] \u2014 Vorlap"));
    setWindowModified(m_history->isModified());
}

QString ContentView::alertMessage() const { return m_buildError.value_or(QStringLiteral("Unknown error")); }

// ---- Build ----

void ContentView::buildDMG()
{
    const std::optional<QUrl> appUrl = m_model->appUrl();
    if (!appUrl || m_isBuilding || (!m_panels.save && !m_panels.saveImage))
        return;
    const QString appPath = appUrl->isLocalFile() ? appUrl->toLocalFile() : appUrl->path();
    const std::optional<ImageSaveChoice> output = askForImagePath(appPath);
    if (!output)
        return;

    VorlapProject project = m_model->project().normalized();
    project.format = output->format;
    m_model->setProject(project);
    m_isBuilding = true;
    m_buildProgress = QStringLiteral("Starting...");
    syncBuildState();

    BuildTaskCallbacks callbacks;
    callbacks.progress = [this](const QString& message) { setBuildProgress(message); };
    callbacks.failed = [this](const QString& description) { fail(description); };
    callbacks.ended = [this] { buildEnded(); };
    startBuildTask(BuildConfig::forProject(m_model->project(), appPath, output->path), this, std::move(callbacks));
}

std::optional<ImageSaveChoice> ContentView::askForImagePath(const QString& appPath)
{
    const VorlapProject& project = m_model->project();
    const QString fileName = BundlePaths::effectiveApplicationName(project.appName, appPath) + QStringLiteral(".dmg");
    if (m_panels.saveImage)
        return m_panels.saveImage(this, QFileInfo(appPath).absolutePath() + QLatin1Char('/') + fileName,
                                  project.format);
    const std::optional<QString> path = m_panels.save(this, fileName, QStringLiteral("dmg"));
    if (!path)
        return std::nullopt;
    return ImageSaveChoice{*path, project.format};
}

void ContentView::setBuildProgress(const QString& message)
{
    m_buildProgress = message;
    syncBuildState();
}

void ContentView::buildEnded()
{
    m_isBuilding = false;
    syncBuildState();
}

void ContentView::syncBuildState()
{
    m_sidebar->setBuildState(m_isBuilding, m_buildProgress);
    updatePresentations();
    if (m_progressSheet)
        m_progressSheet->setMessage(m_buildProgress);
    emit buildStateChanged();
}

// ---- Save and Open ----

void ContentView::saveProject()
{
    if (m_projectFileUrl)
        writeProjectTo(m_projectFileUrl->toLocalFile());
    else
        saveProjectAs();
}

void ContentView::saveProjectAs()
{
    if (!m_panels.save || m_isBuilding)
        return;
    const std::optional<QString> path =
        m_panels.save(this, m_model->project().appName + QStringLiteral(".vorlap"), QStringLiteral("vorlap"));
    if (path)
        writeProjectTo(*path);
}

bool ContentView::writeProjectTo(const QString& path)
{
    // The file gets the normalised design; the window keeps the one being edited.
    const auto written = writeProjectFile(m_model->project().normalized(), path);
    if (!written) {
        fail(QStringLiteral("Failed to save: ") + written.error().description());
        return false;
    }
    m_projectFileUrl = QUrl::fromLocalFile(path);
    m_history->markSaved();
    updateTitle();
    return true;
}

void ContentView::openProject()
{
    if (!m_panels.open || m_isBuilding || !settleUnsavedChanges())
        return;
    const std::optional<QString> path = m_panels.open(this, QStringLiteral("vorlap"));
    if (path)
        openProjectFile(*path);
}

void ContentView::openProjectFile(const QString& path)
{
    const auto project = readProjectFile(path);
    if (!project)
        return fail(QStringLiteral("Failed to open: ") + project.error().description());
    m_model->setProject(project->normalized());
    m_projectFileUrl = QUrl::fromLocalFile(path);
    m_history->startOver();
    updateTitle();
}

bool ContentView::settleUnsavedChanges()
{
    if (!m_history->isModified() || !m_panels.unsavedChanges)
        return true;
    const QString name = m_projectFileUrl ? m_projectFileUrl->fileName() : QStringLiteral("Untitled");
    switch (m_panels.unsavedChanges(this, name)) {
    case UnsavedChoice::discard: return true;
    case UnsavedChoice::cancel: return false;
    case UnsavedChoice::save: saveProject(); return !m_history->isModified();
    }
    return false;
}

// ---- Presentations ----

void ContentView::fail(const QString& message)
{
    m_buildError = message;
    m_showAlert = true;
    updatePresentations();
}

void ContentView::updatePresentations()
{
    if (m_isBuilding && !m_progressPanel) {
        m_progressSheet = new BuildProgressSheet;
        m_progressSheet->setMessage(m_buildProgress);
        m_progressPanel = new SheetDialog(m_progressSheet, this);
        m_progressPanel->present();
    } else if (!m_isBuilding && m_progressPanel) {
        m_progressPanel->finish();
        m_progressPanel->deleteLater();
        m_progressPanel = nullptr;
        m_progressSheet = nullptr;
    }

    // An alert asked for while the panel is up appears once the panel has gone.
    if (m_showAlert && !m_isBuilding && !m_alert) {
        m_alert = new QMessageBox(QMessageBox::Critical, QStringLiteral("Build Error"), QStringLiteral("Build Error"),
                                  QMessageBox::Ok, this);
        m_alert->setTextFormat(Qt::PlainText);
        m_alert->setInformativeText(alertMessage());
        // Tool output may hold angle brackets: the message is shown as plain text.
        if (auto* message = m_alert->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
            message->setTextFormat(Qt::PlainText);
        m_alert->setWindowModality(Qt::WindowModal);
        connect(m_alert, &QDialog::finished, this, [this] {
            m_showAlert = false;
            m_alert->deleteLater();
            m_alert = nullptr;
        });
        m_alert->open();
        emit alertPresented();
    }
}

void ContentView::closeEvent(QCloseEvent* event)
{
    // A running build is not abandoned: its volume and work folder must be cleaned up.
    if (m_isBuilding || !settleUnsavedChanges())
        return event->ignore();
    QWidget::closeEvent(event);
}

} // namespace vorlap
