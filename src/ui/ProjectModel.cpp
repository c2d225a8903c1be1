#include "ui/ProjectModel.h"

#include "project/BundlePaths.h"

#include <utility>

namespace vorlap {

ProjectModel::ProjectModel(QObject* parent) : QObject(parent) {}

ProjectModel::ProjectModel(VorlapProject project, QObject* parent)
    : QObject(parent), m_project(std::move(project))
{
}

void ProjectModel::setProject(const VorlapProject& project)
{
    // The project's own equality treats canonically equivalent names as equal; a
    // view that shows the name must still hear about a change of its spelling.
    if (project == m_project && project.appName == m_project.appName)
        return;
    m_project = project;
    emit projectChanged();
}

void ProjectModel::setAppUrl(const std::optional<QUrl>& url)
{
    if (url == m_appUrl)
        return;
    m_appUrl = url;
    emit appUrlChanged();
}

void ProjectModel::chooseApplication(const QUrl& bundleUrl)
{
    setAppUrl(bundleUrl);
    VorlapProject project = m_project;
    project.appName = BundlePaths::applicationName(bundleUrl.isLocalFile() ? bundleUrl.toLocalFile() : bundleUrl.path());
    setProject(project);
}

} // namespace vorlap
