#pragma once

#include <QLoggingCategory>
#include <QMutex>
#include <QString>
#include <QVariant>

#include <memory>
#include <type_traits>

// Named log channels. A channel has a subsystem (a reverse-domain identifier) and a category;
// its messages go through Qt's logging under the category "<subsystem>.<category>" (stderr or
// the journal, filtered with QT_LOGGING_RULES), and on request are copied as lines into this
// run's log file (see MCLogWriter).
class MCSerialQueue;

class MCLog
{
public:
    MCLog(const QString &subsystem, const QString &category);
    ~MCLog();
    MCLog(const MCLog &) = delete;
    MCLog &operator=(const MCLog &) = delete;

    // The logging category made from the names given at creation; renaming the channel later
    // changes only the names written into log-file lines.
    const QLoggingCategory &os_log() const { return *m_category; }

    QString subsystem() const;
    void setSubsystem(const QString &subsystem);
    QString category() const;
    void setCategory(const QString &category);

    // Messages at the levels of the logging facility, written only when the level is enabled.
    void error(const QString &message) const;
    void info(const QString &message) const;
    void debug(const QString &message) const;

    // Copies the message as one line into this run's log file; nothing happens when there is
    // no log file (a folder that can't be written, for one).
    void logToFile(const QString &message) const;
    // The same with a format whose %1, %2 ... are filled with the arguments (anything a
    // QVariant can turn into text). Placeholders inside the arguments stay as they are.
    template<typename... Args>
    void logToFile(const QString &format, const Args &...args) const
    {
        logToFile(format.arg(argumentText(args)...));
    }

    // The framework's own channels, subsystem kMCHalvardBundleIdentifier.
    static MCLog &sdkFileSystem(); // "File System": bookmarks, volumes, interface files
    static MCLog &sdkGraphics();   // "Graphics"
    static MCLog &sdkImageCache(); // "Image Cache": the disk image cache

private:
    template<typename T>
    static QString argumentText(const T &value)
    {
        if constexpr (std::is_convertible_v<T, QString>)
            return QString(value);
        else
            return QVariant::fromValue(value).toString();
    }

    QByteArray m_categoryName; // must outlive m_category, which keeps a pointer to it
    std::unique_ptr<QLoggingCategory> m_category;
    mutable QMutex m_namesLock; // guards m_subsystem and m_categoryText
    QString m_subsystem;
    QString m_categoryText;
};

// The identifier of the framework, the subsystem of its own log channels.
extern const QString kMCHalvardBundleIdentifier; // "app.quillon.Halvard"

// The writer of the per-run log file. The file lives in the "Logs" folder of the
// application's support folder and is named after the run's start in UTC,
// "yyyy_MM_dd_HH_mm_ss.log"; each line reads
//   "<yyyy:MM:dd HH:mm:ss.SSS UTC> [<subsystem>, <category>] : <message>\n".
// When the writer is made, files of earlier runs beyond the three newest are removed. The
// file is opened for appending, so a second run starting in the same second adds its lines
// after those of the first. Writes run one at a time, in the order logged, on the writer's
// own serial queue; logging returns at once.
class MCLogWriter
{
public:
    explicit MCLogWriter(const QString &path);
    ~MCLogWriter(); // writes what is still queued
    MCLogWriter(const MCLogWriter &) = delete;
    MCLogWriter &operator=(const MCLogWriter &) = delete;

    // The process's one writer, made on the first call (thread-safely); null when no log file
    // could be prepared, then and for the rest of the process.
    static MCLogWriter *fileWriter();

    // Prepares `folder` for a new run: creates it when missing, otherwise removes every
    // "*.log" file but the three with the greatest names (digit runs compared by value); then
    // creates this run's empty file unless it exists. Answers the file's path, or a null
    // string when the file can't be created.
    static QString preparedLogsURLAtDirectoryURL(const QString &folder);

    // Queues one line and returns at once. The time stamp is taken when the line is written.
    void log(const QString &subsystem, const QString &category, const QString &message);

    QString fileURL() const { return m_path; }
    // Whether the file could be opened; when it couldn't, every line is dropped silently.
    bool isOpen() const { return m_fd >= 0; }

    // Blocks until every line queued so far is written.
    void flush();

private:
    QString m_path;
    int m_fd = -1;                          // opened for appending; written only on m_queue
    std::unique_ptr<MCSerialQueue> m_queue; // the writer's own queue: lines in order, one at a time
};
