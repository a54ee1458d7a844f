// QL Tester: the program starts as its main window.
#include "app/mainwindow.h"
#include "app/prompter.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("QL Tester"));
    // Lets the desktop match the window to the installed qltester.desktop and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("qltester"));
    QApplication::setWindowIcon(ql::ProgramIcon());
    ql::QtPrompter ask;
    ql::setPrompter(&ask);
    ql::frmMain w;
    w.show();
    return app.exec();
}
