#pragma once
// The background pictures the user chose most recently, kept in the user's preferences:
// at most five paths, newest first, no duplicates, and only files that still exist.
#include <QSettings>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace vorlap {

// The preferences key that holds the list, an array of path strings.
inline constexpr char recentBackgroundsKey[] = "recentBackgroundImagePaths";
inline constexpr int recentBackgroundsLimit = 5;

// Opens the settings store that holds the list. Every read and write opens it anew, so
// what is read is always what is stored; tests hand in a store of their own.
using SettingsOpener = std::function<std::unique_ptr<QSettings>()>;

// The user's own preferences: organisation and application "Vorlap".
std::unique_ptr<QSettings> openUserPreferences();

// The stored list, keeping only the paths at which something exists (a folder counts
// too), in stored order. A missing or malformed value reads as an empty list. The
// filtered list is not written back.
QStringList loadRecentBackgrounds(const SettingsOpener& open = openUserPreferences);

// Puts `path` (exactly as given, existing or not) at the front of the loaded list,
// drops other equal entries, keeps the first five, stores and returns the result.
QStringList addRecentBackground(const QString& path, const SettingsOpener& open = openUserPreferences);

} // namespace vorlap
