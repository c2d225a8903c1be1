#pragma once
// The build's own failures: six cases, each with one text detail.
#include <QString>

namespace vorlap {

struct DMGBuilderError {
    enum class Case {
        appNotFound,                 // detail: the application path
        backgroundImageNotFound,     // detail: the background path
        backgroundImageInvalid,      // detail: the background path
        backgroundImageResizeFailed, // detail: the background path
        hdiutilFailed,               // detail: "<command joined by blanks>: <tool output>"
        buildFailed,                 // detail: what went wrong
    };

    Case kind;
    QString detail;

    static DMGBuilderError appNotFound(const QString& path) { return {Case::appNotFound, path}; }
    static DMGBuilderError backgroundImageNotFound(const QString& path) { return {Case::backgroundImageNotFound, path}; }
    static DMGBuilderError backgroundImageInvalid(const QString& path) { return {Case::backgroundImageInvalid, path}; }
    static DMGBuilderError backgroundImageResizeFailed(const QString& path) { return {Case::backgroundImageResizeFailed, path}; }
    static DMGBuilderError hdiutilFailed(const QString& detail) { return {Case::hdiutilFailed, detail}; }
    static DMGBuilderError buildFailed(const QString& detail) { return {Case::buildFailed, detail}; }

    // The fixed prefix of the case followed directly by the detail, e.g. "App not found: /x.app".
    QString description() const;

    bool operator==(const DMGBuilderError&) const = default;
};

} // namespace vorlap
