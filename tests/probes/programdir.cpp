// Prints the program folder this executable resolves, for the platform tests
// that run copies of it from folders of their own.
#include "platform/services.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::puts(QFile::encodeName(ql::ProgramDir()).constData());
    return 0;
}
