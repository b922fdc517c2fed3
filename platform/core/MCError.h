#pragma once

#include <QString>
#include <QVariantMap>

#include <memory>

// The error object of failures a user can meet. Functions that can fail return bool (or a
// null result) and fill an optional MCError* out-argument; they never throw for these.
extern const QString MCErrorDomain;            // "MCErrorDomain": the system's own domain
extern const QString MCPOSIXErrorDomain;       // errno values
extern const QString MCCocoaErrorDomain;       // file-system failures (exists, read-corrupt ...)

// Keys of the user-info map, as the platform names them.
extern const QString MCLocalizedDescriptionKey;
extern const QString MCLocalizedFailureReasonErrorKey;
extern const QString MCLocalizedRecoverySuggestionErrorKey;
extern const QString MCUnderlyingErrorKey;
extern const QString MCFilePathErrorKey;

// Codes of the file-system domain that callers test for.
enum MCCocoaErrorCode : qint64 {
    MCFileNoSuchFileError = 4,
    MCFileLockingError = 255,
    MCFileReadUnknownError = 256,
    MCFileReadNoPermissionError = 257,
    MCFileReadCorruptFileError = 259,
    MCFileReadTooLargeError = 263,
    MCFileReadNoSuchFileError = 260,
    MCFileWriteUnknownError = 512,
    MCFileWriteNoPermissionError = 513,
    MCFileWriteFileExistsError = 516,
    MCFileWriteOutOfSpaceError = 640,
    MCFileWriteVolumeReadOnlyError = 642,
    MCUserCancelledError = 3072,
};

class MCError
{
public:
    MCError() = default;
    MCError(QString domain, qint64 code, QVariantMap userInfo = {});
    MCError(QString domain, qint64 code, const QString &description, const QString &failureReason = {},
            const QString &recoverySuggestion = {});

    static MCError errorWithPOSIXCode(int errnoValue, const QString &path = {});

    bool isNull() const { return m_domain.isEmpty(); }
    explicit operator bool() const { return !isNull(); }

    QString domain() const { return m_domain; }
    qint64 code() const { return m_code; }
    QVariantMap userInfo() const { return m_userInfo; }

    // The description falls back to a generic text naming domain and code, as the platform does.
    QString localizedDescription() const;
    QString localizedFailureReason() const;
    QString localizedRecoverySuggestion() const;
    const MCError *underlyingError() const { return m_underlying.get(); }

    void setLocalizedDescription(const QString &text);
    void setLocalizedFailureReason(const QString &text);
    void setLocalizedRecoverySuggestion(const QString &text);
    void setUnderlyingError(const MCError &error);
    void setUserInfoValue(const QString &key, const QVariant &value);

    bool is(const QString &domain, qint64 code) const { return m_domain == domain && m_code == code; }
    bool operator==(const MCError &other) const;

    // Description, reason and suggestion joined for logs and test failures.
    QString toString() const;

private:
    QString m_domain;
    qint64 m_code = 0;
    QVariantMap m_userInfo;
    std::shared_ptr<const MCError> m_underlying;
};

// Fills *error when the caller asked for it; the usual last line of a failing function.
inline bool MCSetError(MCError *error, const MCError &value)
{
    if (error)
        *error = value;
    return false;
}
