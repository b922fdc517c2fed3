#include "app/library/MCStringQuillon.h"

#include <QCoreApplication>

#include <algorithm>

namespace MCStringQuillon {

QString stringFromFileSize(quint64 byteCount, quint64 precision)
{
    static const char *const kUnits[] = {QT_TRANSLATE_NOOP("MCFileSize", "B"), QT_TRANSLATE_NOOP("MCFileSize", "KB"),
                                         QT_TRANSLATE_NOOP("MCFileSize", "MB"), QT_TRANSLATE_NOOP("MCFileSize", "GB"),
                                         QT_TRANSLATE_NOOP("MCFileSize", "TB")};
    double value = double(byteCount);
    int unit = 0;
    while (unit < 4 && value >= 1000.0) {
        value /= 1000.0;
        ++unit;
    }
    // More decimals than a double holds only print noise.
    const int decimals = int(std::min<quint64>(precision, 17));
    return QString::number(value, 'f', decimals) + QLatin1Char(' ')
        + QCoreApplication::translate("MCFileSize", kUnits[unit]);
}

QStringList pathComponents(const QString &path)
{
    QStringList components = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (path.startsWith(QLatin1Char('/')))
        components.prepend(QStringLiteral("/"));
    return components;
}

bool hasPrefixPath(const QString &path, const QString &prefix)
{
    if (!path.startsWith(prefix))
        return false;
    const QStringList prefixComponents = pathComponents(prefix);
    if (prefixComponents.isEmpty())
        return false;
    const QStringList components = pathComponents(path);
    const qsizetype last = prefixComponents.size() - 1;
    return components.size() > last && components.at(last) == prefixComponents.at(last);
}

bool containsSubPath(const QString &path, const QString &other)
{
    const QStringList a = pathComponents(path);
    const QStringList b = pathComponents(other);
    const qsizetype count = std::min(a.size(), b.size());
    if (count == 0)
        return false;
    return std::equal(a.cbegin(), a.cbegin() + count, b.cbegin());
}

QString indexStringFromName(const QString &name, QString *nameWithoutIndex, QString *nameSuffix)
{
    qsizetype end = name.size(); // one past the last digit of the run
    while (end > 0 && !name.at(end - 1).isDigit())
        --end;
    qsizetype start = end;
    while (start > 0 && name.at(start - 1).isDigit())
        --start;
    if (start == end) {
        if (nameWithoutIndex)
            *nameWithoutIndex = name;
        if (nameSuffix)
            *nameSuffix = QString();
        return {};
    }
    if (nameWithoutIndex)
        *nameWithoutIndex = name.left(start);
    if (nameSuffix)
        *nameSuffix = name.mid(end);
    return name.mid(start, end - start);
}

} // namespace MCStringQuillon
