// QL Tester: the program starts as its main window.
#include "app/mainwindow.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("QL Tester"));
    ql::frmMain w;
    w.show();
    return app.exec();
}
