#include "halvard/system/MCStringExtensions.h"

#include <algorithm>

namespace MCStringExtensions {

namespace {

int sign(qint64 value) { return value < 0 ? -1 : (value > 0 ? 1 : 0); }

// Drops combining marks after canonical decomposition: "é" compares as "e".
QString withoutDiacritics(const QString &text)
{
    const QString decomposed = text.normalized(QString::NormalizationForm_D);
    QString result;
    result.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        if (c.category() != QChar::Mark_NonSpacing && c.category() != QChar::Mark_SpacingCombining &&
            c.category() != QChar::Mark_Enclosing)
            result.append(c);
    }
    return result;
}

// Walks both strings; runs of ASCII digits compare by value (leading zeros ignored, then the
// longer run of equal value orders later so that "01" and "1" still differ).
int compareNumeric(const QString &a, const QString &b, Qt::CaseSensitivity cs)
{
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const QChar ca = a.at(i), cb = b.at(j);
        if (ca.isDigit() && cb.isDigit() && ca.unicode() < 128 && cb.unicode() < 128) {
            qsizetype ei = i, ej = j;
            while (ei < a.size() && a.at(ei).unicode() >= '0' && a.at(ei).unicode() <= '9')
                ++ei;
            while (ej < b.size() && b.at(ej).unicode() >= '0' && b.at(ej).unicode() <= '9')
                ++ej;
            qsizetype si = i, sj = j;
            while (si + 1 < ei && a.at(si) == QLatin1Char('0'))
                ++si;
            while (sj + 1 < ej && b.at(sj) == QLatin1Char('0'))
                ++sj;
            const qsizetype la = ei - si, lb = ej - sj;
            if (la != lb)
                return la < lb ? -1 : 1;
            for (qsizetype k = 0; k < la; ++k) {
                if (a.at(si + k) != b.at(sj + k))
                    return a.at(si + k) < b.at(sj + k) ? -1 : 1;
            }
            if ((ei - i) != (ej - j))
                return (ei - i) < (ej - j) ? -1 : 1;
            i = ei;
            j = ej;
            continue;
        }
        if (ca != cb) {
            const int c = QStringView(&ca, 1).compare(QStringView(&cb, 1), cs);
            if (c != 0)
                return sign(c);
        }
        ++i;
        ++j;
    }
    return sign(qint64(a.size() - i) - qint64(b.size() - j));
}

// Splits a path into its components; an absolute path starts with the component "/".
QStringList pathComponents(const QString &path)
{
    QStringList components = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (path.startsWith(QLatin1Char('/')))
        components.prepend(QStringLiteral("/"));
    return components;
}

QString pathWithComponents(const QStringList &components)
{
    if (components.isEmpty())
        return {};
    if (components.first() == QLatin1String("/"))
        return QLatin1Char('/') + components.mid(1).join(QLatin1Char('/'));
    return components.join(QLatin1Char('/'));
}

} // namespace

int compareString(const QString &first, const QString &second) { return compareString(first, second, 0); }

int compareString(const QString &first, const QString &second, unsigned options)
{
    if (first.isNull() || second.isNull())
        return first.isNull() == second.isNull() ? 0 : (first.isNull() ? -1 : 1);
    const Qt::CaseSensitivity cs = (options & CaseInsensitiveSearch) ? Qt::CaseInsensitive : Qt::CaseSensitive;
    const QString a = (options & DiacriticInsensitiveSearch) ? withoutDiacritics(first) : first;
    const QString b = (options & DiacriticInsensitiveSearch) ? withoutDiacritics(second) : second;
    if (options & NumericSearch)
        return compareNumeric(a, b, cs);
    return sign(QString::compare(a, b, cs));
}

bool isEqualString(const QString &first, const QString &second)
{
    if (first.isNull() || second.isNull())
        return first.isNull() == second.isNull();
    return first == second;
}

bool isEqualString(const QString &first, const QString &second, unsigned options)
{
    if (first.isNull() || second.isNull())
        return first.isNull() == second.isNull();
    return compareString(first, second, options) == 0;
}

QString pathFromDate(const QDateTime &date, const QString &fileName)
{
    const QDate day = date.toLocalTime().date();
    return QStringLiteral("%1/%2/%3/%4").arg(day.year()).arg(day.month()).arg(day.day()).arg(fileName);
}

QString commonPathForPaths(const QStringList &paths)
{
    if (paths.isEmpty())
        return {};
    if (paths.size() == 1)
        return paths.first();
    QStringList common = pathComponents(paths.first());
    for (qsizetype p = 1; p < paths.size() && !common.isEmpty(); ++p) {
        const QStringList components = pathComponents(paths.at(p));
        qsizetype kept = 0;
        const qsizetype limit = std::min(common.size(), components.size());
        while (kept < limit && common.at(kept) == components.at(kept))
            ++kept;
        common.resize(kept);
    }
    return pathWithComponents(common);
}

bool isDescendantOfPath(const QString &path, const QString &ancestor)
{
    const qsizetype a = path.size(), b = ancestor.size();
    if (a == 0 || b == 0)
        return false;
    if (a == b)
        return path == ancestor;
    if (b < a) {
        if (ancestor.at(b - 1) != QLatin1Char('/') && path.at(b) != QLatin1Char('/'))
            return false;
        return path.startsWith(ancestor);
    }
    return b == a + 1 && ancestor.at(b - 1) == QLatin1Char('/') && ancestor.startsWith(path);
}

} // namespace MCStringExtensions
