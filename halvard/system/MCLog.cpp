#include "halvard/system/MCLog.h"

#include "halvard/system/MCStringExtensions.h"

#include "platform/core/MCBundle.h"
#include "platform/core/MCDispatch.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimeZone>

#include <algorithm>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

const QString kMCHalvardBundleIdentifier = QStringLiteral("app.quillon.Halvard");

// MARK: - MCLog

MCLog::MCLog(const QString &subsystem, const QString &category)
    : m_categoryName((subsystem + QLatin1Char('.') + category).toUtf8())
    , m_category(std::make_unique<QLoggingCategory>(m_categoryName.constData()))
    , m_subsystem(subsystem)
    , m_categoryText(category)
{
}

MCLog::~MCLog() = default;

QString MCLog::subsystem() const
{
    QMutexLocker locker(&m_namesLock);
    return m_subsystem;
}

void MCLog::setSubsystem(const QString &subsystem)
{
    QMutexLocker locker(&m_namesLock);
    m_subsystem = subsystem;
}

QString MCLog::category() const
{
    QMutexLocker locker(&m_namesLock);
    return m_categoryText;
}

void MCLog::setCategory(const QString &category)
{
    QMutexLocker locker(&m_namesLock);
    m_categoryText = category;
}

void MCLog::error(const QString &message) const
{
    if (m_category->isCriticalEnabled())
        QMessageLogger(nullptr, 0, nullptr, m_category->categoryName()).critical("%s", qUtf8Printable(message));
}

void MCLog::info(const QString &message) const
{
    if (m_category->isInfoEnabled())
        QMessageLogger(nullptr, 0, nullptr, m_category->categoryName()).info("%s", qUtf8Printable(message));
}

void MCLog::debug(const QString &message) const
{
    if (m_category->isDebugEnabled())
        QMessageLogger(nullptr, 0, nullptr, m_category->categoryName()).debug("%s", qUtf8Printable(message));
}

void MCLog::logToFile(const QString &message) const
{
    if (MCLogWriter *writer = MCLogWriter::fileWriter()) {
        QString subsystem, category;
        {
            QMutexLocker locker(&m_namesLock);
            subsystem = m_subsystem;
            category = m_categoryText;
        }
        writer->log(subsystem, category, message);
    }
}

MCLog &MCLog::sdkFileSystem()
{
    static MCLog channel(kMCHalvardBundleIdentifier, QStringLiteral("File System"));
    return channel;
}

MCLog &MCLog::sdkGraphics()
{
    static MCLog channel(kMCHalvardBundleIdentifier, QStringLiteral("Graphics"));
    return channel;
}

MCLog &MCLog::sdkImageCache()
{
    static MCLog channel(kMCHalvardBundleIdentifier, QStringLiteral("Image Cache"));
    return channel;
}

// MARK: - MCLogWriter

namespace {

// Writes one line at the end of the file.
void writeLine(int fd, const QString &subsystem, const QString &category, const QString &message)
{
    if (fd < 0)
        return;
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy:MM:dd HH:mm:ss.zzz"));
    const QByteArray data = QStringLiteral("%1 [%2, %3] : %4\n").arg(stamp, subsystem, category, message).toUtf8();
    // One write per line on a file opened for appending: lines of this and of any other
    // process appending to the same file never interleave or overwrite each other.
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return; // disk full or similar: the line is lost, the program goes on
        done += n;
    }
}

} // namespace

MCLogWriter::MCLogWriter(const QString &path) : m_path(path)
{
    if (!path.isEmpty())
        m_fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    m_queue = std::make_unique<MCSerialQueue>(QStringLiteral("app.quillon.Halvard.log-writer"));
}

MCLogWriter::~MCLogWriter()
{
    m_queue.reset(); // runs the lines still queued
    if (m_fd >= 0)
        ::close(m_fd);
}

void MCLogWriter::log(const QString &subsystem, const QString &category, const QString &message)
{
    // The time stamp is taken on the queue, when the line is written.
    m_queue->async([fd = m_fd, subsystem, category, message] { writeLine(fd, subsystem, category, message); });
}

void MCLogWriter::flush()
{
    m_queue->sync([] {});
}

MCLogWriter *MCLogWriter::fileWriter()
{
    // Made once; kept (and drained) until the process ends.
    static const std::unique_ptr<MCLogWriter> writer = []() -> std::unique_ptr<MCLogWriter> {
        const QString folder = platform::applicationSupportPath() + QStringLiteral("/Logs");
        const QString path = preparedLogsURLAtDirectoryURL(folder);
        if (path.isEmpty())
            return nullptr;
        return std::make_unique<MCLogWriter>(path);
    }();
    return writer.get();
}

QString MCLogWriter::preparedLogsURLAtDirectoryURL(const QString &folder)
{
    QDir dir(folder);
    if (!QFileInfo::exists(folder)) {
        QDir().mkpath(folder);
    } else {
        // Only plain, visible files count: a folder that happens to be named "x.log" is
        // neither counted nor removed.
        QStringList names;
        const QFileInfoList entries = dir.entryInfoList(QDir::Files | QDir::NoDotAndDotDot);
        for (const QFileInfo &entry : entries) {
            if (entry.suffix() == QLatin1String("log"))
                names.append(entry.fileName());
        }
        std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
            return MCStringExtensions::compareString(a, b, MCStringExtensions::NumericSearch) > 0;
        });
        for (qsizetype i = 3; i < names.size(); ++i)
            QFile::remove(dir.filePath(names.at(i)));
    }

    const QString name = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy_MM_dd_HH_mm_ss")) +
                         QStringLiteral(".log");
    const QString path = dir.filePath(name);
    if (!QFileInfo::exists(path)) {
        // Created without truncating, so a run that starts in the same second as another
        // never empties the other's file.
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0)
            return {};
        ::close(fd);
    }
    return path;
}
