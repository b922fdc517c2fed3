#include "app/shell/MCStatisticsManager.h"

#include "app/QuillonVersion.h"
#include "app/library/MCFile.h"
#include "app/library/MCLogQuillon.h"
#include "platform/core/MCBundle.h"
#include "platform/core/MCError.h"
#include "platform/core/MCPropertyList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <mutex>

const QString kMCStatisticsSessionsKey = QStringLiteral("Sessions");
const QString kMCStatisticsAppRateClickedKey = QStringLiteral("AppRateClicked");
const QString kMCStatisticsAppRateIgnoredKey = QStringLiteral("AppRateIgnored");

namespace {

const QString kConvertedCount = QStringLiteral("ConvertedCount");
const QString kConvertedSize = QStringLiteral("ConvertedSize");
const QString kMetadataEditedCount = QStringLiteral("MetadataEditedCount");
const QString kMetadataEditedSize = QStringLiteral("MetadataEditedSize");
const QString kRenamedCount = QStringLiteral("RenamedCount");
const QString kRenamedSize = QStringLiteral("RenamedSize");
const QString kSessionAppVersion = QStringLiteral("SessionAppVersion");
const QString kSessionStartDate = QStringLiteral("SessionStartDate");
const QString kSessionEndDate = QStringLiteral("SessionEndDate");

const QDateTime &referenceDate()
{
    static const QDateTime date(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
    return date;
}

quint64 unsignedValue(const QVariantMap &dictionary, const QString &key)
{
    const QVariant value = dictionary.value(key);
    if (!platform::isPropertyListNumber(value))
        return 0;
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float) {
        const double d = value.toDouble();
        return d > 0 && d < 18446744073709551616.0 ? quint64(d) : 0;
    }
    if (value.typeId() == QMetaType::ULongLong)
        return value.toULongLong();
    const qint64 v = value.toLongLong();
    return v > 0 ? quint64(v) : 0;
}

// Adds one run over `files` to a session's count and size, and keeps it as the last run.
void addRun(const std::vector<std::shared_ptr<MCFile>> &files, quint64 &sessionCount, quint64 &sessionSize,
            quint64 &lastCount, quint64 &lastSize)
{
    lastCount = files.size();
    lastSize = 0;
    for (const auto &file : files)
        if (file)
            lastSize += file->fileSize().value_or(0);
    sessionCount += lastCount;
    sessionSize += lastSize;
}

} // namespace

double statisticsIntervalFromDate(const QDateTime &date)
{
    return double(referenceDate().msecsTo(date)) / 1000.0;
}

QDateTime statisticsDateFromInterval(double seconds)
{
    return referenceDate().addMSecs(qint64(std::llround(seconds * 1000.0)));
}

MCStatisticsSession MCStatisticsSession::fromDictionary(const QVariantMap &dictionary)
{
    MCStatisticsSession s;
    s.convertedCount = unsignedValue(dictionary, kConvertedCount);
    s.convertedSize = unsignedValue(dictionary, kConvertedSize);
    s.metadataEditedCount = unsignedValue(dictionary, kMetadataEditedCount);
    s.metadataEditedSize = unsignedValue(dictionary, kMetadataEditedSize);
    s.renamedCount = unsignedValue(dictionary, kRenamedCount);
    s.renamedSize = unsignedValue(dictionary, kRenamedSize);
    const QVariant version = dictionary.value(kSessionAppVersion);
    if (version.typeId() == QMetaType::QString)
        s.sessionAppVersion = version.toString();
    const QVariant start = dictionary.value(kSessionStartDate);
    if (platform::isPropertyListNumber(start))
        s.sessionStartDate = statisticsDateFromInterval(start.toDouble());
    const QVariant end = dictionary.value(kSessionEndDate);
    if (platform::isPropertyListNumber(end))
        s.sessionEndDate = statisticsDateFromInterval(end.toDouble());
    return s;
}

QVariantMap MCStatisticsSession::dictionaryRepresentation() const
{
    QVariantMap d;
    d.insert(kConvertedCount, QVariant::fromValue(convertedCount));
    d.insert(kConvertedSize, QVariant::fromValue(convertedSize));
    d.insert(kMetadataEditedCount, QVariant::fromValue(metadataEditedCount));
    d.insert(kMetadataEditedSize, QVariant::fromValue(metadataEditedSize));
    d.insert(kRenamedCount, QVariant::fromValue(renamedCount));
    d.insert(kRenamedSize, QVariant::fromValue(renamedSize));
    if (!sessionAppVersion.isEmpty())
        d.insert(kSessionAppVersion, sessionAppVersion);
    if (sessionStartDate)
        d.insert(kSessionStartDate, statisticsIntervalFromDate(*sessionStartDate));
    if (sessionEndDate)
        d.insert(kSessionEndDate, statisticsIntervalFromDate(*sessionEndDate));
    return d;
}

MCStatisticsManager &MCStatisticsManager::sharedInstance()
{
    static std::once_flag once;
    static MCStatisticsManager *shared = nullptr;
    std::call_once(once, [] {
        shared = new MCStatisticsManager(QDir(platform::applicationSupportPath()).filePath(QStringLiteral("Statistics.plist")));
    });
    return *shared;
}

MCStatisticsManager::MCStatisticsManager(const QString &filePath) : m_filePath(filePath)
{
    load();
}

QString MCStatisticsManager::applicationVersionString()
{
    const QString version = quillon::applicationVersion();
    return QStringLiteral("%1 %2 (%3)").arg(quillon::applicationName(), version, version);
}

void MCStatisticsManager::load()
{
    if (QFileInfo::exists(m_filePath) || QFileInfo(m_filePath).isSymLink()) {
        MCError error;
        if (std::optional<QVariantMap> root = platform::readPropertyListDictionary(m_filePath, &error)) {
            m_container = *root;
        } else {
            // Keep what is there for the user to recover: move it aside rather than overwrite it.
            QString aside = m_filePath + QStringLiteral(".damaged");
            for (int n = 2; QFileInfo::exists(aside) || QFileInfo(aside).isSymLink(); ++n)
                aside = m_filePath + QStringLiteral(".damaged-%1").arg(n);
            if (QFile::rename(m_filePath, aside)) {
                m_damagedFilePath = aside;
                MCLogQuillon::application().error(QStringLiteral("The statistics file %1 could not be read (%2); it was moved to %3")
                                                      .arg(m_filePath, error.localizedDescription(), aside));
            } else {
                m_writable = false;
                MCLogQuillon::application().error(QStringLiteral("The statistics file %1 could not be read (%2) nor moved aside; "
                                                                 "statistics are kept in memory only")
                                                      .arg(m_filePath, error.localizedDescription()));
            }
        }
    }
    const QVariantList sessions = m_container.value(kMCStatisticsSessionsKey).toList();
    for (const QVariant &session : sessions)
        m_previousSessions.push_back(MCStatisticsSession::fromDictionary(session.toMap()));
    m_appRateClicked = m_container.value(kMCStatisticsAppRateClickedKey).toBool();
    m_appRateIgnored = m_container.value(kMCStatisticsAppRateIgnoredKey).toBool();
}

void MCStatisticsManager::startSession()
{
    m_currentSession = MCStatisticsSession{};
    m_currentSession.sessionStartDate = now();
    m_currentSession.sessionAppVersion = applicationVersionString();
    synchronize();
}

void MCStatisticsManager::endSession()
{
    m_currentSession.sessionEndDate = now();
    synchronize();
}

void MCStatisticsManager::noteItemsWereConverted(const std::vector<std::shared_ptr<MCFile>> &files)
{
    addRun(files, m_currentSession.convertedCount, m_currentSession.convertedSize, m_lastConvertedCount, m_lastConvertedSize);
    synchronize();
}

void MCStatisticsManager::noteItemsWereMetadataEdited(const std::vector<std::shared_ptr<MCFile>> &files)
{
    addRun(files, m_currentSession.metadataEditedCount, m_currentSession.metadataEditedSize, m_lastMetadataEditedCount, m_lastMetadataEditedSize);
    synchronize();
}

void MCStatisticsManager::noteItemsWereRenamed(const std::vector<std::shared_ptr<MCFile>> &files)
{
    addRun(files, m_currentSession.renamedCount, m_currentSession.renamedSize, m_lastRenamedCount, m_lastRenamedSize);
    synchronize();
}

void MCStatisticsManager::noteURLsWereShared(qsizetype count)
{
    const quint64 n = count > 0 ? quint64(count) : 0;
    m_currentSession.convertedCount += n;
    m_lastConvertedCount = n;
    synchronize();
}

void MCStatisticsManager::setAppRateClicked(bool clicked)
{
    if (clicked == m_appRateClicked)
        return;
    m_appRateClicked = clicked;
    synchronize();
}

void MCStatisticsManager::setAppRateIgnored(bool ignored)
{
    if (ignored == m_appRateIgnored)
        return;
    m_appRateIgnored = ignored;
    synchronize();
}

bool MCStatisticsManager::synchronize()
{
    QVariantList sessions;
    for (const MCStatisticsSession &session : m_previousSessions)
        sessions.append(session.dictionaryRepresentation());
    sessions.append(m_currentSession.dictionaryRepresentation());
    m_container.insert(kMCStatisticsSessionsKey, sessions);
    m_container.insert(kMCStatisticsAppRateClickedKey, m_appRateClicked);
    m_container.insert(kMCStatisticsAppRateIgnoredKey, m_appRateIgnored);
    if (!m_writable)
        return false;
    QDir().mkpath(QFileInfo(m_filePath).absolutePath());
    MCError error;
    if (!platform::writePropertyList(m_container, m_filePath, &error)) {
        MCLogQuillon::application().error(
            QStringLiteral("The statistics file %1 could not be written: %2").arg(m_filePath, error.localizedDescription()));
        return false;
    }
    return true;
}
