#pragma once
// Every way a build can fail, as one value: what went wrong (the code), the platform's
// error number where there is one, and the detail the user's text is made from.
#include "dsstore/DSStoreError.h"

#include <QString>

#include <utility>

namespace vorlap {

struct PipelineError {
    enum class Code {
        appNotFound,                 // detail: the application path
        backgroundImageNotFound,     // detail: the background path
        backgroundImageInvalid,      // detail: the background path
        backgroundImageResizeFailed, // detail: the background path
        hdiutilFailed,               // detail: "<command joined by blanks>: <tool output>"
        buildFailed,                 // detail: what went wrong
        layoutFailed,                // detail: why the layout file could not be made, the whole text
        systemFailed,                // detail: the platform's description, the whole text
    };

    Code code;
    QString detail;
    int errnum = 0; // the platform's error number behind a systemFailed error, 0 when unknown

    static PipelineError appNotFound(const QString& path) { return {Code::appNotFound, path}; }
    static PipelineError backgroundImageNotFound(const QString& path) { return {Code::backgroundImageNotFound, path}; }
    static PipelineError backgroundImageInvalid(const QString& path) { return {Code::backgroundImageInvalid, path}; }
    static PipelineError backgroundImageResizeFailed(const QString& path)
    {
        return {Code::backgroundImageResizeFailed, path};
    }
    static PipelineError hdiutilFailed(const QString& detail) { return {Code::hdiutilFailed, detail}; }
    static PipelineError buildFailed(const QString& detail) { return {Code::buildFailed, detail}; }
    static PipelineError systemFailed(const QString& message) { return {Code::systemFailed, message}; }

    // "<what>: <strerror(errnum)>", for example "/tmp/x: No such file or directory"; just the
    // reason when `what` is empty.
    static PipelineError fromErrno(int errnum, const QString& what);

    // The layout writer's failures pass up a build as they are.
    PipelineError(const DSStoreError& error) : code(Code::layoutFailed), detail(error.message) {}
    PipelineError(Code code, QString detail, int errnum = 0) : code(code), detail(std::move(detail)), errnum(errnum) {}

    // The text the user sees: the code's fixed prefix followed directly by the detail
    // ("App not found: /x.app"), or the detail alone for layout and platform failures.
    QString description() const;

    bool operator==(const PipelineError&) const = default;
};

} // namespace vorlap
