// The widget tests run under the look the application installs, so that colour checks
// see what a user sees.
#include "ui/VorlapStyle.h"

#include <gtest/gtest.h>

namespace {

class StyleEnvironment : public ::testing::Environment {
public:
    void SetUp() override { vorlap::VorlapStyle::install(); }
};

const ::testing::Environment* const styleEnvironment = ::testing::AddGlobalTestEnvironment(new StyleEnvironment);

} // namespace
