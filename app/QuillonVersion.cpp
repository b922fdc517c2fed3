#include "app/QuillonVersion.h"

#include <QCoreApplication>

namespace quillon {

QString applicationName() { return QStringLiteral("Quillon X"); }

QString applicationVersion() { return QStringLiteral(QUILLON_VERSION_STRING); }

void setApplicationIdentity()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Quillon"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("quillon.app"));
    QCoreApplication::setApplicationName(applicationName());
    QCoreApplication::setApplicationVersion(applicationVersion());
}

} // namespace quillon
