#include "Filvane.h"
#include "TextTable.h"
#include "Windows.h"

#include <QApplication>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(filvane::ApplicationTitle.data()));
    Windows windows = createWindows();
    windows.main->show();
    return QApplication::exec();
}
