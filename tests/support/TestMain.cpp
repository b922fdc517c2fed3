// The main() of every test executable: isolates the user folders in a temporary root, then
// runs GoogleTest inside a QApplication on the offscreen platform. The root goes after every
// static object: the shared settings, made during the tests, save their changes when they are
// destroyed after main() returns, and would otherwise make the root again.
#include "app/QuillonVersion.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

// The root to remove at exit; registered before any static object of the tests exists, so it
// runs after all of them were destroyed.
std::string &rootToRemove()
{
    static std::string path;
    return path;
}

void removeRoot()
{
    if (!rootToRemove().empty())
        QDir(QString::fromStdString(rootToRemove())).removeRecursively();
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir root(QDir::tempPath() + QStringLiteral("/quillonx-test-XXXXXX"));
    if (!root.isValid())
        return 2;
    root.setAutoRemove(false);
    rootToRemove() = root.path().toStdString();
    std::atexit(removeRoot);
    const QByteArray base = root.path().toUtf8();
    for (const char *sub : {"home", "config", "data", "cache", "runtime"})
        QDir().mkpath(root.path() + QLatin1Char('/') + QLatin1String(sub));
    setenv("QUILLONX_TEST_ROOT", base.constData(), 1);
    setenv("HOME", (base + "/home").constData(), 1);
    setenv("XDG_CONFIG_HOME", (base + "/config").constData(), 1);
    setenv("XDG_DATA_HOME", (base + "/data").constData(), 1);
    setenv("XDG_CACHE_HOME", (base + "/cache").constData(), 1);
    setenv("XDG_RUNTIME_DIR", (base + "/runtime").constData(), 1);
    QFile::setPermissions(root.path() + QStringLiteral("/runtime"), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                                       QFileDevice::ExeOwner);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // This build's resources, plug-ins and fixtures, unless the caller chose others.
    setenv("QUILLONX_RESOURCES", QUILLON_TEST_RESOURCES, 0);
    setenv("QUILLONX_PLUGINS", QUILLON_TEST_PLUGINS, 0);
    setenv("QUILLONX_TEST_DATA", QUILLON_TEST_DATA_DIR, 0);

    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    quillon::setApplicationIdentity();
    return RUN_ALL_TESTS();
}
