#include "halvard/system/MCLog.h"

#include "halvard/system/MCStringExtensions.h"

#include "platform/core/MCBundle.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimeZone>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

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

// The writer's private serial queue: one thread that writes the queued lines in order.
struct MCLogWriter::Worker
{
    struct Line
    {
        QString subsystem, category, message;
    };

    int fd = -1;
    std::mutex lock; // guards lines, queued, written and stopping
    std::condition_variable wake;
    std::condition_variable drained;
    std::deque<Line> lines;
    quint64 queued = 0;
    quint64 written = 0;
    bool stopping = false;
    std::thread thread;

    void run()
    {
        std::unique_lock<std::mutex> guard(lock);
        for (;;) {
            wake.wait(guard, [this] { return stopping || !lines.empty(); });
            if (lines.empty())
                return; // stopping, and everything is written
            Line line = std::move(lines.front());
            lines.pop_front();
            guard.unlock();
            write(line);
            guard.lock();
            ++written;
            drained.notify_all();
        }
    }

    void write(const Line &line) const
    {
        if (fd < 0)
            return;
        const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy:MM:dd HH:mm:ss.zzz"));
        const QByteArray data = QStringLiteral("%1 [%2, %3] : %4\n")
                                    .arg(stamp, line.subsystem, line.category, line.message)
                                    .toUtf8();
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
};

MCLogWriter::MCLogWriter(const QString &path) : m_path(path), m_worker(std::make_unique<Worker>())
{
    if (!path.isEmpty())
        m_worker->fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    m_worker->thread = std::thread([worker = m_worker.get()] { worker->run(); });
}

MCLogWriter::~MCLogWriter()
{
    {
        std::lock_guard<std::mutex> guard(m_worker->lock);
        m_worker->stopping = true;
    }
    m_worker->wake.notify_all();
    if (m_worker->thread.joinable())
        m_worker->thread.join();
    if (m_worker->fd >= 0)
        ::close(m_worker->fd);
}

bool MCLogWriter::isOpen() const { return m_worker->fd >= 0; }

void MCLogWriter::log(const QString &subsystem, const QString &category, const QString &message)
{
    {
        std::lock_guard<std::mutex> guard(m_worker->lock);
        m_worker->lines.push_back({subsystem, category, message});
        ++m_worker->queued;
    }
    m_worker->wake.notify_one();
}

void MCLogWriter::flush()
{
    std::unique_lock<std::mutex> guard(m_worker->lock);
    const quint64 target = m_worker->queued;
    m_worker->drained.wait(guard, [&] { return m_worker->written >= target; });
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
