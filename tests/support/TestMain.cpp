// Entry point of every test program: a QApplication (headless with
// QT_QPA_PLATFORM=offscreen) so that image, clipboard and widget tests share one.
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("VorlapTests"));
    QApplication::setApplicationName(QStringLiteral("VorlapTests"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
