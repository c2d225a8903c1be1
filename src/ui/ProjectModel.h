#pragma once
// The two pieces of editing state that the main window owns and shares with its
// views: the project being designed and the chosen application bundle. Views hold
// a pointer to the window's model, read it when they draw and write through the
// setters; every change is announced so that all views follow it.
#include "project/VorlapProject.h"

#include <QObject>
#include <QUrl>

#include <optional>

namespace vorlap {

class ProjectModel : public QObject {
    Q_OBJECT

public:
    explicit ProjectModel(QObject* parent = nullptr);
    ProjectModel(VorlapProject project, QObject* parent = nullptr);

    const VorlapProject& project() const { return m_project; }
    // Replaces the project; emits projectChanged when any field differs.
    void setProject(const VorlapProject& project);

    // The application bundle to package; absent until one is chosen.
    const std::optional<QUrl>& appUrl() const { return m_appUrl; }
    void setAppUrl(const std::optional<QUrl>& url);

    // An application was chosen: the URL becomes `appUrl`, then the bundle's file
    // name without its extension becomes the project's `appName`. Nothing else changes.
    void chooseApplication(const QUrl& bundleUrl);

signals:
    void projectChanged();
    void appUrlChanged();

private:
    VorlapProject m_project;
    std::optional<QUrl> m_appUrl;
};

} // namespace vorlap
