#pragma once
// The one way a picture becomes the project's background, whether it was chosen in a
// dialog, dropped, pasted or picked from the recent list.
#include "project/RecentBackgrounds.h"
#include "project/VorlapProject.h"

#include <QString>
#include <QStringList>

class QMimeData;

namespace vorlap {

// When a picture loads from `path`: sets the project's background to the path as given
// (nothing else in the project changes), records it with addRecentBackground and sets
// `recentBackgrounds` to the new list; returns true. Otherwise leaves the project alone,
// sets `recentBackgrounds` to loadRecentBackgrounds() and returns false.
bool applyBackground(const QString& path, VorlapProject& project, QStringList& recentBackgrounds,
                     const SettingsOpener& recentStore = openUserPreferences);

// Applies what the clipboard holds: a picture file it names (used where it lies), else its
// picture data stored with storePastedImage. Anything else changes nothing. Returns true
// when a background was applied.
bool pasteBackground(const QMimeData* contents, VorlapProject& project, QStringList& recentBackgrounds,
                     const SettingsOpener& recentStore = openUserPreferences);

// The same with the system clipboard's contents.
bool pasteBackground(VorlapProject& project, QStringList& recentBackgrounds,
                     const SettingsOpener& recentStore = openUserPreferences);

} // namespace vorlap
