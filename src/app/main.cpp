#include "app/CommandLine.h"
#include "app/Filvane.h"
#include "app/Startup.h"
#include "app/Windows.h"
#include "core/texts/TextTable.h"

#include <QApplication>
#include <QIcon>

#include <cstdio>

int main(int argc, char *argv[]) {
    // Read before the application object exists, which would need a display: --help and
    // --version answer on any terminal.
    const CommandLineOutcome commandLine =
        parseCommandLine(std::vector<std::string>(argv, argv + argc));
    std::fputs(commandLine.standardOutput.toLocal8Bit().constData(), stdout);
    std::fputs(commandLine.standardError.toLocal8Bit().constData(), stderr);
    if (commandLine.exitNow)
        return commandLine.exitCode;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(filvane::ApplicationTitle.data()));
    QApplication::setApplicationVersion(programVersion());
    // Lets desktops match the window to the installed desktop entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.orvessa.Filvane"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/images/filvane.png")));
    Windows windows = createWindows();
    TMainForm &mainForm = *windows.main;
    runAfterFirstActivation(mainForm, [&mainForm, request = commandLine.request] {
        mainForm.restoreSettings();
        mainForm.recoverInterruptedRuns();
        mainForm.openRequest(request);
    });
    mainForm.show();
    return QApplication::exec();
}
