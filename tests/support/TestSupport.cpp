#include "tests/support/TestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QThread>
#include <QUuid>

namespace testsupport {

QString temporaryRoot() { return qEnvironmentVariable("QUILLONX_TEST_ROOT"); }

QString makeTemporaryFolder(const QString &prefix)
{
    const QString path = temporaryRoot() + QLatin1Char('/') + prefix + QLatin1Char('-') +
                         QUuid::createUuid().toString(QUuid::Id128).left(12);
    QDir().mkpath(path);
    return path;
}

QString dataPath(const QString &relativePath)
{
    return qEnvironmentVariable("QUILLONX_TEST_DATA") + QLatin1Char('/') + relativePath;
}

bool processEventsUntil(const std::function<bool()> &condition, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::usleep(500);
    }
    return true;
}

} // namespace testsupport
