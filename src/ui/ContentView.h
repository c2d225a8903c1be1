#pragma once
// The main window's content: the sidebar, a 1-point divider and the preview canvas in a
// fixed 785 × 382 row. It owns the editing state (the project and the chosen application,
// through its ProjectModel; the build status; the last error) and carries out the three
// commands the sidebar offers: build a disk image, save the project, open a project.
// While a build runs, a progress panel the user cannot dismiss covers the window; every
// failure of a command is shown in one alert, "Build Error".
#include "project/RecentBackgrounds.h"
#include "ui/FilePanels.h"

#include <QUrl>
#include <QWidget>

#include <optional>

class QMessageBox;

namespace vorlap {

class BuildProgressSheet;
class EditHistory;
class PreviewCanvasView;
class ProjectModel;
class SheetDialog;
class SidebarView;

class ContentView : public QWidget {
    Q_OBJECT

public:
    static constexpr int kWidth = 785;
    static constexpr int kHeight = 382;
    static constexpr int kDividerWidth = 1;

    // The platform's file dialogs and the user's preferences.
    explicit ContentView(QWidget* parent = nullptr);
    ContentView(FilePanels panels, SettingsOpener recentStore, QWidget* parent = nullptr);
    ~ContentView() override;

    ProjectModel* model() const { return m_model; }
    SidebarView* sidebar() const { return m_sidebar; }
    PreviewCanvasView* canvas() const { return m_canvas; }

    bool isBuilding() const { return m_isBuilding; }
    const std::optional<QString>& buildProgress() const { return m_buildProgress; }
    const std::optional<QString>& buildError() const { return m_buildError; }
    bool showAlert() const { return m_showAlert; }
    const std::optional<QUrl>& projectFileUrl() const { return m_projectFileUrl; }

    // The progress panel while a build runs (null otherwise) and its content.
    SheetDialog* progressPanel() const { return m_progressPanel; }
    BuildProgressSheet* progressSheet() const { return m_progressSheet; }
    // The error alert while it is shown (null otherwise).
    QMessageBox* alert() const { return m_alert; }
    // The alert's message: the last error, or "Unknown error".
    QString alertMessage() const;

    EditHistory* history() const { return m_history; }

    // The sidebar's commands (and their shortcuts). Save writes to the file opened or last
    // saved, and asks only the first time; Save As always asks.
    void buildDMG();
    void saveProject();
    void saveProjectAs();
    void openProject();
    // Opens the project at `path` (from the command line or a file manager).
    void openProjectFile(const QString& path);

signals:
    // The build status or its progress text changed (the panel shows it already).
    void buildStateChanged();
    // The error alert was presented.
    void alertPresented();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void addShortcuts();
    // Writes the design to `path`, which becomes the document's file. False when it failed.
    bool writeProjectTo(const QString& path);
    // Before unsaved changes would be lost: true when the caller may go on.
    bool settleUnsavedChanges();
    // "Sample.vorlap — Vorlap" with the platform's unsaved marker.
    void updateTitle();
    // Where the image goes and in which format; the panel starts beside the app.
    std::optional<ImageSaveChoice> askForImagePath(const QString& appPath);
    void setBuildProgress(const QString& message);
    void buildEnded();
    // Keeps the message and shows it in the alert: a build, save or open that failed.
    void fail(const QString& message);
    void updatePresentations();
    void syncBuildState();

    FilePanels m_panels;
    SettingsOpener m_recentStore;
    ProjectModel* m_model = nullptr;
    EditHistory* m_history = nullptr;
    SidebarView* m_sidebar = nullptr;
    PreviewCanvasView* m_canvas = nullptr;

    bool m_isBuilding = false;
    std::optional<QString> m_buildProgress;
    std::optional<QString> m_buildError;
    bool m_showAlert = false;
    std::optional<QUrl> m_projectFileUrl;

    SheetDialog* m_progressPanel = nullptr;
    BuildProgressSheet* m_progressSheet = nullptr;
    QMessageBox* m_alert = nullptr;
};

} // namespace vorlap
