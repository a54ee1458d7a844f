#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "testutil.h"

#include <cstdlib>

int main(int argc, char** argv)
{
    // Before any thread: mounts a test makes stay this program's own.
    qltest::enterOwnMounts();

    // Headless by default; an X server under Xvfb can still be chosen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Silence Qt's complaint about a missing runtime folder.
    QTemporaryDir runtime;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && runtime.isValid()) {
        QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    }
    // Tests never touch a real program folder: QL_HOME points at a scratch folder
    // unless a test sets its own.
    QTemporaryDir home;
    if (home.isValid())
        qputenv("QL_HOME", home.path().toLocal8Bit());

    // Tests never open a real serial device of the machine: port names
    // resolve only through a test's own ports folder.
    if (qEnvironmentVariableIsEmpty("QL_SYSTEM_PORTS"))
        qputenv("QL_SYSTEM_PORTS", "0");

    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
