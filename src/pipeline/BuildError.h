#pragma once
// Every way a build can fail: its own errors, the background renderer's, the layout
// file's, and the platform's (file system, process launch) with the platform's description.
#include "pipeline/BackgroundImageRenderer.h"
#include "pipeline/DMGBuilderError.h"
#include "pipeline/SystemError.h"
#include "dsstore/DSStoreError.h"

#include <QString>

#include <variant>

namespace vorlap {

struct BuildError {
    using Value = std::variant<DMGBuilderError, BackgroundImageRendererError, DSStoreError, SystemError>;

    Value value;

    BuildError(DMGBuilderError error) : value(std::move(error)) {}
    BuildError(BackgroundImageRendererError error) : value(std::move(error)) {}
    BuildError(DSStoreError error) : value(std::move(error)) {}
    BuildError(SystemError error) : value(std::move(error)) {}

    // The text the user sees, exactly as the held error describes itself.
    QString description() const;

    // The held error when it is a T, otherwise null.
    template <class T>
    const T* as() const { return std::get_if<T>(&value); }

    bool operator==(const BuildError&) const = default;
};

} // namespace vorlap
