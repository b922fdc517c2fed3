#pragma once

// The local record of how the application is used: one session per run with the version, the
// start and end time and how many files (and bytes) were converted, metadata-edited and renamed.
// The record is the property list "Statistics.plist" in the application's support folder;
// nothing is sent anywhere.
#include <QDateTime>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class MCFile;

// Keys of the file.
extern const QString kMCStatisticsSessionsKey;        // "Sessions"
extern const QString kMCStatisticsAppRateClickedKey;  // "AppRateClicked"
extern const QString kMCStatisticsAppRateIgnoredKey;  // "AppRateIgnored"

// One run of the application as stored in "Sessions".
struct MCStatisticsSession
{
    quint64 convertedCount = 0;
    quint64 convertedSize = 0;
    quint64 metadataEditedCount = 0;
    quint64 metadataEditedSize = 0;
    quint64 renamedCount = 0;
    quint64 renamedSize = 0;
    QString sessionAppVersion;                   // omitted from the file when empty
    std::optional<QDateTime> sessionStartDate;   // omitted when not set
    std::optional<QDateTime> sessionEndDate;     // omitted when the session never ended

    // Missing counters read 0; the dates are seconds since 2001-01-01 00:00:00 UTC.
    static MCStatisticsSession fromDictionary(const QVariantMap &dictionary);
    // The six counters always, then the version and the dates when set.
    QVariantMap dictionaryRepresentation() const;
};

// The seconds since 2001-01-01 00:00:00 UTC the file stores dates as, and back.
double statisticsIntervalFromDate(const QDateTime &date);
QDateTime statisticsDateFromInterval(double seconds);

class MCStatisticsManager
{
public:
    // The shared manager on "Statistics.plist" in the application's support folder, made and
    // loaded on first use.
    static MCStatisticsManager &sharedInstance();

    // A manager on the file at `filePath`, loaded at once. A missing file starts an empty
    // record. A file that cannot be read or parsed is moved aside (to a name beside it that
    // ends in ".damaged") and logged, so the next write does not replace it with an empty
    // record; when it cannot be moved aside, nothing is ever written to its place.
    explicit MCStatisticsManager(const QString &filePath);

    QString filePath() const { return m_filePath; }
    // Where a damaged file was moved at load, or empty.
    QString damagedFilePath() const { return m_damagedFilePath; }

    // The clock sessions are dated with (the current time unless replaced).
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }

    // "%@ %@ (%@)": the application's name, its version and its build version.
    static QString applicationVersionString();

    void startSession();
    void endSession();

    // Counting a run: the files' number and the sum of their sizes are added to the current
    // session and kept as the last run's; the file is then rewritten (also for no files).
    void noteItemsWereConverted(const std::vector<std::shared_ptr<MCFile>> &files);
    void noteItemsWereMetadataEdited(const std::vector<std::shared_ptr<MCFile>> &files);
    void noteItemsWereRenamed(const std::vector<std::shared_ptr<MCFile>> &files);
    // Adds `count` shared items to the converted count (sizes unchanged).
    void noteURLsWereShared(qsizetype count);

    quint64 lastConvertedCount() const { return m_lastConvertedCount; }
    quint64 lastConvertedSize() const { return m_lastConvertedSize; }
    quint64 lastMetadataEditedCount() const { return m_lastMetadataEditedCount; }
    quint64 lastMetadataEditedSize() const { return m_lastMetadataEditedSize; }
    quint64 lastRenamedCount() const { return m_lastRenamedCount; }
    quint64 lastRenamedSize() const { return m_lastRenamedSize; }

    bool appRateClicked() const { return m_appRateClicked; }
    bool appRateIgnored() const { return m_appRateIgnored; }
    // A change of value is stored and written; the same value does nothing.
    void setAppRateClicked(bool clicked);
    void setAppRateIgnored(bool ignored);
    // The rating prompt is never offered.
    bool shouldAskToRateApp() const { return false; }

    const std::vector<MCStatisticsSession> &previousSessions() const { return m_previousSessions; }
    const MCStatisticsSession &currentSession() const { return m_currentSession; }

    // Writes the whole record atomically (a temporary file moved into place). A failure is
    // logged and the counts stay in memory. Answers whether the file was written.
    bool synchronize();

private:
    void load();
    QDateTime now() const { return m_clock ? m_clock() : QDateTime::currentDateTimeUtc(); }

    QString m_filePath;
    QString m_damagedFilePath;
    bool m_writable = true;
    std::function<QDateTime()> m_clock;
    QVariantMap m_container;
    std::vector<MCStatisticsSession> m_previousSessions;
    MCStatisticsSession m_currentSession;
    quint64 m_lastConvertedCount = 0, m_lastConvertedSize = 0;
    quint64 m_lastMetadataEditedCount = 0, m_lastMetadataEditedSize = 0;
    quint64 m_lastRenamedCount = 0, m_lastRenamedSize = 0;
    bool m_appRateClicked = false;
    bool m_appRateIgnored = false;
};
