#pragma once
// The settings column on the left of the main window: the icon size, the background
// picture (chosen, dropped, pasted or picked from the recent list, or removed), the
// fixed window size, and the window's Open, Save and Build commands.
//
// The project and the application URL live in the window's ProjectModel; the sidebar
// reads them on every change and writes the icon size and the background through it.
// Its own state is the list of recent backgrounds.
#include "project/RecentBackgrounds.h"

#include <QStringList>
#include <QWidget>

#include <functional>
#include <optional>

class QLabel;
class QVBoxLayout;

namespace vorlap {

class ImageDropButton;
class ProjectModel;
class SymbolButton;
class TintedSlider;

class SidebarView : public QWidget {
    Q_OBJECT

public:
    static constexpr int kWidth = 244;

    // The window's commands, called without arguments.
    struct Actions {
        std::function<void()> onBuild;
        std::function<void()> onSave;
        std::function<void()> onOpen;
    };

    // Asks the user for one picture file; none when cancelled.
    using ImageChooser = std::function<std::optional<QString>(QWidget* parent)>;

    // `model` is owned by the window and must outlive the sidebar. `recentBackgrounds`
    // is the list to start from (the window passes loadRecentBackgrounds()).
    SidebarView(ProjectModel* model, QStringList recentBackgrounds, Actions actions,
                SettingsOpener recentStore = openUserPreferences, QWidget* parent = nullptr);

    // The window's build state, shown on the Build button and the progress line.
    void setBuildState(bool isBuilding, const std::optional<QString>& buildProgress);
    void setImageChooser(ImageChooser chooser);

    const QStringList& recentBackgrounds() const { return m_recentBackgrounds; }

    // The background operations behind the controls.
    void chooseBackgroundImage();
    void pasteBackground();
    void applyBackground(const QString& path);
    void removeBackground();

    // "128 px": the icon size truncated toward zero, then " px".
    static QString iconSizeText(double iconSize);
    // "Fixed canvas · 540×380".
    static QString fixedCanvasCaption();

    // The controls, as the window and tests see them.
    QLabel* iconSizeLabel() const { return m_iconSizeLabel; }
    TintedSlider* iconSizeSlider() const { return m_slider; }
    ImageDropButton* chooseButton() const { return m_chooseButton; }
    SymbolButton* pasteButton() const { return m_pasteButton; }
    SymbolButton* removeButton() const { return m_removeButton; }
    QWidget* recentSection() const { return m_recentSection; }
    QList<SymbolButton*> recentRows() const { return m_recentRows; }
    QLabel* canvasCaption() const { return m_caption; }
    SymbolButton* openButton() const { return m_openButton; }
    SymbolButton* saveButton() const { return m_saveButton; }
    SymbolButton* buildButton() const { return m_buildButton; }
    QLabel* progressLine() const { return m_progressLine; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* makeScrollContent();
    QWidget* makeBackgroundControls();
    QWidget* makeCommands();
    void projectChanged();
    void sliderMoved(int value);
    void refreshBackground();
    void refreshCommands();
    void setRecentBackgrounds(const QStringList& paths);

    ProjectModel* m_model;
    Actions m_actions;
    SettingsOpener m_recentStore;
    ImageChooser m_imageChooser;
    QStringList m_recentBackgrounds;
    bool m_isBuilding = false;
    std::optional<QString> m_buildProgress;
    // The icon size last seen, and whether the sidebar has been shown: a change of the
    // size after the first showing pulls both icons inside the canvas.
    double m_lastIconSize = 0;
    bool m_appeared = false;

    QLabel* m_iconSizeLabel = nullptr;
    TintedSlider* m_slider = nullptr;
    ImageDropButton* m_chooseButton = nullptr;
    SymbolButton* m_pasteButton = nullptr;
    SymbolButton* m_removeButton = nullptr;
    QWidget* m_recentSection = nullptr;
    QVBoxLayout* m_recentLayout = nullptr;
    QList<SymbolButton*> m_recentRows;
    QLabel* m_caption = nullptr;
    SymbolButton* m_openButton = nullptr;
    SymbolButton* m_saveButton = nullptr;
    SymbolButton* m_buildButton = nullptr;
    QLabel* m_progressLine = nullptr;
};

} // namespace vorlap
