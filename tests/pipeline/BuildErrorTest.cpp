// The texts the user sees for every build failure.
#include "pipeline/PipelineError.h"

#include <gtest/gtest.h>

#include <cerrno>

using namespace vorlap;

TEST(PipelineError, EveryCodeGivesItsFixedText)
{
    const QString d = QStringLiteral("/x/Demo.app");
    const std::pair<PipelineError, const char*> cases[] = {
        {PipelineError::appNotFound(d), "App not found: /x/Demo.app"},
        {PipelineError::backgroundImageNotFound(d), "Background image not found: /x/Demo.app"},
        {PipelineError::backgroundImageInvalid(d), "Background image is invalid: /x/Demo.app"},
        {PipelineError::backgroundImageResizeFailed(d), "Failed to resize background image: /x/Demo.app"},
        {PipelineError::hdiutilFailed(d), "hdiutil failed: /x/Demo.app"},
        {PipelineError::buildFailed(d), "Build failed: /x/Demo.app"},
        // The layout writer's and the platform's texts pass through unchanged.
        {DSStoreError{QStringLiteral("A layout record's file name is too long")}, "A layout record's file name is too long"},
        {PipelineError::systemFailed(d), "/x/Demo.app"},
        {PipelineError::fromErrno(ENOENT, QStringLiteral("/c")), "/c: No such file or directory"},
    };
    for (const auto& [error, text] : cases)
        EXPECT_EQ(error.description(), text);
}

TEST(PipelineError, KeepsThePlatformsErrorNumber)
{
    const PipelineError error = PipelineError::fromErrno(EACCES, QString());
    EXPECT_EQ(error.code, PipelineError::Code::systemFailed);
    EXPECT_EQ(error.errnum, EACCES);
    EXPECT_EQ(error.description(), "Permission denied");
    EXPECT_EQ(PipelineError(DSStoreError{}).code, PipelineError::Code::layoutFailed);
}
