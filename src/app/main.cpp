#include "Filvane.h"
#include "TextTable.h"
#include "Windows.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(filvane::ApplicationTitle.data()));
    // Lets desktops match the window to the installed filvane.desktop entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("filvane"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/images/filvane.png")));
    Windows windows = createWindows();
    windows.main->show();
    return QApplication::exec();
}
