#pragma once
// The desktop application: one window of fixed size whose content is a ContentView over a
// fresh design, brought to the front once the application has started.
#include <QString>

class QWidget;

namespace vorlap {

// What the application does when launching has finished.
class AppDelegate {
public:
    // Brings `window` and the application to the front, even when it was started from
    // another application.
    void applicationDidFinishLaunching(QWidget& window);
};

class VorlapApp {
public:
    // Runs the application until its window is closed; returns the exit status. A
    // non-empty `projectPath` is opened in the window as the Open command would.
    static int run(int& argc, char** argv, const QString& projectPath = {});

private:
    AppDelegate appDelegate;
};

} // namespace vorlap
