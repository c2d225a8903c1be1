// The application dialog never opens a bundle: entering one chooses it.
#include "ui/ApplicationDialog.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QTimer>

#include <gtest/gtest.h>

using namespace vorlap;
using namespace vorlap::test;

TEST(ApplicationDialog, EnteringABundleChoosesIt)
{
    BuildCorner corner{DiskTool::standIn};
    QDir().mkpath(corner.appPath() + QStringLiteral("/Contents/Resources"));
    for (const QString& entered : {corner.appPath(), corner.appPath() + QStringLiteral("/Contents/Resources")}) {
        SCOPED_TRACE(entered.toStdString());
        // A double-click on a folder makes the dialog enter it and say so.
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            emit dialog->directoryEntered(entered);
            if (dialog->isVisible())
                dialog->reject();
        });
        EXPECT_EQ(ApplicationDialog::run(nullptr), QUrl::fromLocalFile(corner.appPath()));
    }
}
