#include "platform/core/MCError.h"

#include <cerrno>
#include <cstring>

const QString MCErrorDomain = QStringLiteral("MCErrorDomain");
const QString MCPOSIXErrorDomain = QStringLiteral("NSPOSIXErrorDomain");
const QString MCCocoaErrorDomain = QStringLiteral("NSCocoaErrorDomain");

const QString MCLocalizedDescriptionKey = QStringLiteral("NSLocalizedDescription");
const QString MCLocalizedFailureReasonErrorKey = QStringLiteral("NSLocalizedFailureReason");
const QString MCLocalizedRecoverySuggestionErrorKey = QStringLiteral("NSLocalizedRecoverySuggestion");
const QString MCUnderlyingErrorKey = QStringLiteral("NSUnderlyingError");
const QString MCFilePathErrorKey = QStringLiteral("NSFilePath");

MCError::MCError(QString domain, qint64 code, QVariantMap userInfo)
    : m_domain(std::move(domain)), m_code(code), m_userInfo(std::move(userInfo))
{
}

MCError::MCError(QString domain, qint64 code, const QString &description, const QString &failureReason,
                 const QString &recoverySuggestion)
    : m_domain(std::move(domain)), m_code(code)
{
    if (!description.isEmpty())
        m_userInfo.insert(MCLocalizedDescriptionKey, description);
    if (!failureReason.isEmpty())
        m_userInfo.insert(MCLocalizedFailureReasonErrorKey, failureReason);
    if (!recoverySuggestion.isEmpty())
        m_userInfo.insert(MCLocalizedRecoverySuggestionErrorKey, recoverySuggestion);
}

MCError MCError::errorWithPOSIXCode(int errnoValue, const QString &path)
{
    MCError error(MCPOSIXErrorDomain, errnoValue);
    QString text = QString::fromLocal8Bit(std::strerror(errnoValue));
    if (!path.isEmpty()) {
        error.setUserInfoValue(MCFilePathErrorKey, path);
        text = QStringLiteral("%1: %2").arg(path, text);
    }
    error.setLocalizedDescription(text);
    return error;
}

QString MCError::localizedDescription() const
{
    const QString text = m_userInfo.value(MCLocalizedDescriptionKey).toString();
    if (!text.isEmpty())
        return text;
    return QStringLiteral("The operation couldn’t be completed. (%1 error %2.)").arg(m_domain).arg(m_code);
}

QString MCError::localizedFailureReason() const
{
    return m_userInfo.value(MCLocalizedFailureReasonErrorKey).toString();
}

QString MCError::localizedRecoverySuggestion() const
{
    return m_userInfo.value(MCLocalizedRecoverySuggestionErrorKey).toString();
}

void MCError::setLocalizedDescription(const QString &text) { m_userInfo.insert(MCLocalizedDescriptionKey, text); }

void MCError::setLocalizedFailureReason(const QString &text)
{
    m_userInfo.insert(MCLocalizedFailureReasonErrorKey, text);
}

void MCError::setLocalizedRecoverySuggestion(const QString &text)
{
    m_userInfo.insert(MCLocalizedRecoverySuggestionErrorKey, text);
}

void MCError::setUnderlyingError(const MCError &error)
{
    m_underlying = error.isNull() ? nullptr : std::make_shared<const MCError>(error);
}

void MCError::setUserInfoValue(const QString &key, const QVariant &value) { m_userInfo.insert(key, value); }

bool MCError::operator==(const MCError &other) const
{
    if (m_domain != other.m_domain || m_code != other.m_code || m_userInfo != other.m_userInfo)
        return false;
    if (!m_underlying || !other.m_underlying)
        return !m_underlying && !other.m_underlying;
    return *m_underlying == *other.m_underlying;
}

QString MCError::toString() const
{
    if (isNull())
        return QStringLiteral("(no error)");
    QString text = QStringLiteral("%1 %2: %3").arg(m_domain).arg(m_code).arg(localizedDescription());
    if (!localizedFailureReason().isEmpty())
        text += QStringLiteral(" — ") + localizedFailureReason();
    if (!localizedRecoverySuggestion().isEmpty())
        text += QStringLiteral(" — ") + localizedRecoverySuggestion();
    if (m_underlying)
        text += QStringLiteral(" [") + m_underlying->toString() + QStringLiteral("]");
    return text;
}
