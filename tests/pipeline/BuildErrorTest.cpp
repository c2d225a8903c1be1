// The texts the user sees for every build failure.
#include "pipeline/BuildError.h"

#include <gtest/gtest.h>

using namespace vorlap;

TEST(BuildError, EveryCaseHasItsFixedPrefix)
{
    const QString d = QStringLiteral("/x/Demo.app");
    EXPECT_EQ(DMGBuilderError::appNotFound(d).description(), "App not found: /x/Demo.app");
    EXPECT_EQ(DMGBuilderError::backgroundImageNotFound(d).description(), "Background image not found: /x/Demo.app");
    EXPECT_EQ(DMGBuilderError::backgroundImageInvalid(d).description(), "Background image is invalid: /x/Demo.app");
    EXPECT_EQ(DMGBuilderError::backgroundImageResizeFailed(d).description(),
              "Failed to resize background image: /x/Demo.app");
    EXPECT_EQ(DMGBuilderError::hdiutilFailed(d).description(), "hdiutil failed: /x/Demo.app");
    EXPECT_EQ(DMGBuilderError::buildFailed(d).description(), "Build failed: /x/Demo.app");
}

TEST(BuildError, PassesEachHeldErrorsDescriptionThrough)
{
    const BuildError builder = DMGBuilderError::appNotFound("/a");
    const BuildError renderer = BackgroundImageRendererError::resizeFailed("/b.png");
    const BuildError system = SystemError::fromErrno(ENOENT, "/c");
    EXPECT_EQ(builder.description(), "App not found: /a");
    EXPECT_EQ(renderer.description(), "Failed to resize background image: /b.png");
    EXPECT_EQ(system.description(), "/c: No such file or directory");
    ASSERT_NE(renderer.as<BackgroundImageRendererError>(), nullptr);
    EXPECT_EQ(renderer.as<DMGBuilderError>(), nullptr);
    EXPECT_EQ(renderer.as<BackgroundImageRendererError>()->kind, BackgroundImageRendererError::Case::resizeFailed);
}
