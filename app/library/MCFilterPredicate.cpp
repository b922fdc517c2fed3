#include "app/library/MCFilterPredicate.h"

#include "app/library/MCFile.h"

#include <QLocale>
#include <QRegularExpression>

#include <cmath>

namespace {

bool isStringOperator(unsigned op)
{
    return op == MCMatchesPredicateOperatorType || op == MCLikePredicateOperatorType ||
           op == MCBeginsWithPredicateOperatorType || op == MCEndsWithPredicateOperatorType ||
           op == MCContainsPredicateOperatorType;
}

QString foldedString(const QString &text, unsigned options)
{
    if (!(options & MCDiacriticInsensitivePredicateOption))
        return text;
    const QString decomposed = text.normalized(QString::NormalizationForm_D);
    QString folded;
    folded.reserve(decomposed.size());
    for (QChar c : decomposed)
        if (c.category() != QChar::Mark_NonSpacing && c.category() != QChar::Mark_Enclosing &&
            c.category() != QChar::Mark_SpacingCombining)
            folded.append(c);
    return folded;
}

bool compareStrings(const QString &rawValue, unsigned op, const QString &rawConstant, unsigned options)
{
    const QString value = foldedString(rawValue, options);
    const QString constant = foldedString(rawConstant, options);
    const Qt::CaseSensitivity cs = options & MCCaseInsensitivePredicateOption ? Qt::CaseInsensitive : Qt::CaseSensitive;
    switch (op) {
    case MCBeginsWithPredicateOperatorType: return value.startsWith(constant, cs);
    case MCEndsWithPredicateOperatorType: return value.endsWith(constant, cs);
    case MCContainsPredicateOperatorType: return value.contains(constant, cs);
    case MCMatchesPredicateOperatorType:
    case MCLikePredicateOperatorType: {
        const QString pattern =
            op == MCLikePredicateOperatorType
                ? QRegularExpression::wildcardToRegularExpression(constant, QRegularExpression::UnanchoredWildcardConversion)
                : constant;
        QRegularExpression expression(QRegularExpression::anchoredPattern(pattern),
                                      cs == Qt::CaseInsensitive ? QRegularExpression::CaseInsensitiveOption
                                                                : QRegularExpression::NoPatternOption);
        return expression.isValid() && expression.match(value).hasMatch();
    }
    default: break;
    }
    const int order = QString::compare(value, constant, cs);
    switch (op) {
    case MCLessThanPredicateOperatorType: return order < 0;
    case MCLessThanOrEqualToPredicateOperatorType: return order <= 0;
    case MCGreaterThanPredicateOperatorType: return order > 0;
    case MCGreaterThanOrEqualToPredicateOperatorType: return order >= 0;
    case MCEqualToPredicateOperatorType: return order == 0;
    case MCNotEqualToPredicateOperatorType: return order != 0;
    default: return false;
    }
}

template <typename T> bool compareOrdered(const T &value, unsigned op, const T &constant)
{
    switch (op) {
    case MCLessThanPredicateOperatorType: return value < constant;
    case MCLessThanOrEqualToPredicateOperatorType: return value <= constant;
    case MCGreaterThanPredicateOperatorType: return value > constant;
    case MCGreaterThanOrEqualToPredicateOperatorType: return value >= constant;
    case MCEqualToPredicateOperatorType: return value == constant;
    case MCNotEqualToPredicateOperatorType: return value != constant;
    default: return false;
    }
}

bool isNumber(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Long:
    case QMetaType::ULong: return true;
    default: return false;
    }
}

QString operatorName(unsigned op)
{
    switch (op) {
    case MCLessThanPredicateOperatorType: return QStringLiteral("<");
    case MCLessThanOrEqualToPredicateOperatorType: return QStringLiteral("<=");
    case MCGreaterThanPredicateOperatorType: return QStringLiteral(">");
    case MCGreaterThanOrEqualToPredicateOperatorType: return QStringLiteral(">=");
    case MCEqualToPredicateOperatorType: return QStringLiteral("==");
    case MCNotEqualToPredicateOperatorType: return QStringLiteral("!=");
    case MCMatchesPredicateOperatorType: return QStringLiteral("MATCHES");
    case MCLikePredicateOperatorType: return QStringLiteral("LIKE");
    case MCBeginsWithPredicateOperatorType: return QStringLiteral("BEGINSWITH");
    case MCEndsWithPredicateOperatorType: return QStringLiteral("ENDSWITH");
    case MCContainsPredicateOperatorType: return QStringLiteral("CONTAINS");
    default: return QStringLiteral("op%1").arg(op);
    }
}

} // namespace

MCFilterPredicatePtr MCFilterPredicate::truePredicate()
{
    static const MCFilterPredicatePtr always(new MCFilterPredicate);
    return always;
}

MCFilterPredicatePtr MCFilterPredicate::comparison(const QString &key, unsigned op, const QVariant &constant,
                                                   unsigned options)
{
    return keyed(Kind::Comparison, key, op, constant, options);
}

MCFilterPredicatePtr MCFilterPredicate::keyed(Kind kind, const QString &key, unsigned op, const QVariant &constant,
                                              unsigned options)
{
    auto *predicate = new MCFilterPredicate;
    predicate->m_kind = kind;
    predicate->m_key = key;
    predicate->m_operator = op;
    predicate->m_constant = constant;
    predicate->m_options = options;
    return MCFilterPredicatePtr(predicate);
}

MCFilterPredicatePtr MCFilterPredicate::compound(Kind kind, const QList<MCFilterPredicatePtr> &subpredicates)
{
    auto *predicate = new MCFilterPredicate;
    predicate->m_kind = kind;
    predicate->m_subpredicates = subpredicates;
    return MCFilterPredicatePtr(predicate);
}

MCFilterPredicatePtr MCFilterPredicate::between(const QString &key, const QVariant &first, const QVariant &second)
{
    return andPredicate({comparison(key, MCGreaterThanOrEqualToPredicateOperatorType, first),
                         comparison(key, MCLessThanOrEqualToPredicateOperatorType, second)});
}

MCFilterPredicatePtr MCFilterPredicate::andPredicate(const QList<MCFilterPredicatePtr> &subpredicates)
{
    return compound(Kind::And, subpredicates);
}

MCFilterPredicatePtr MCFilterPredicate::orPredicate(const QList<MCFilterPredicatePtr> &subpredicates)
{
    return compound(Kind::Or, subpredicates);
}

MCFilterPredicatePtr MCFilterPredicate::anyKeyword(const QString &key, unsigned op, const QString &text,
                                                   unsigned options)
{
    return keyed(Kind::AnyKeyword, key, op, text, options);
}

bool MCFilterPredicate::compareValues(const QVariant &value, unsigned op, const QVariant &constant, unsigned options)
{
    if (value.isNull() || constant.isNull())
        return op == MCNotEqualToPredicateOperatorType && value.isNull() != constant.isNull();
    const bool strings = value.typeId() == QMetaType::QString || constant.typeId() == QMetaType::QString;
    if (isStringOperator(op) || (strings && !(isNumber(value) && isNumber(constant))))
        return compareStrings(value.toString(), op, constant.toString(), options);
    if (value.typeId() == QMetaType::QDateTime && constant.typeId() == QMetaType::QDateTime) {
        const QDateTime a = value.toDateTime(), b = constant.toDateTime();
        // Two local times compare by the wall clock, as the ranges are drawn (midnight to
        // midnight), and without the time-zone conversion that costs most of a filter pass.
        if (a.timeSpec() == Qt::LocalTime && b.timeSpec() == Qt::LocalTime)
            return compareOrdered(std::pair(a.date().toJulianDay(), a.time().msecsSinceStartOfDay()), op,
                                  std::pair(b.date().toJulianDay(), b.time().msecsSinceStartOfDay()));
        return compareOrdered(a.toMSecsSinceEpoch(), op, b.toMSecsSinceEpoch());
    }
    if (isNumber(value) && isNumber(constant))
        return compareOrdered(value.toDouble(), op, constant.toDouble());
    // Values of different kinds are only ever unequal.
    return op == MCNotEqualToPredicateOperatorType;
}

template <typename Lookup> bool MCFilterPredicate::evaluateWith(const Lookup &valueForKey) const
{
    switch (m_kind) {
    case Kind::True: return true;
    case Kind::Comparison: return compareValues(valueForKey(m_key), m_operator, m_constant, m_options);
    case Kind::And:
        for (const MCFilterPredicatePtr &sub : m_subpredicates)
            if (!sub->evaluateWith(valueForKey))
                return false;
        return true;
    case Kind::Or:
        for (const MCFilterPredicatePtr &sub : m_subpredicates)
            if (sub->evaluateWith(valueForKey))
                return true;
        return false;
    case Kind::AnyKeyword: {
        const QStringList keywords = valueForKey(m_key).toStringList();
        const QString text = m_constant.toString();
        for (const QString &keyword : keywords)
            if (compareStrings(keyword, m_operator, text, m_options))
                return true;
        return false;
    }
    }
    return false;
}

bool MCFilterPredicate::evaluate(const MCFile &file) const
{
    return evaluateWith([&file](const QString &key) { return file.valueForKey(key); });
}

bool MCFilterPredicate::evaluateWithValues(const std::function<QVariant(const QString &)> &valueForKey) const
{
    return evaluateWith(valueForKey);
}

QString MCFilterPredicate::description() const
{
    switch (m_kind) {
    case Kind::True: return QStringLiteral("TRUEPREDICATE");
    case Kind::Comparison:
        return QStringLiteral("%1 %2 %3").arg(m_key, operatorName(m_operator), m_constant.toString());
    case Kind::AnyKeyword:
        return QStringLiteral("ANY %1 %2 \"%3\"").arg(m_key, operatorName(m_operator), m_constant.toString());
    case Kind::And:
    case Kind::Or: {
        QStringList parts;
        for (const MCFilterPredicatePtr &sub : m_subpredicates)
            parts.append(QStringLiteral("(%1)").arg(sub->description()));
        return parts.join(m_kind == Kind::And ? QStringLiteral(" AND ") : QStringLiteral(" OR "));
    }
    }
    return {};
}

bool MCFilterPredicate::operator==(const MCFilterPredicate &other) const
{
    if (m_kind != other.m_kind || m_key != other.m_key || m_operator != other.m_operator ||
        m_options != other.m_options || m_constant != other.m_constant ||
        m_subpredicates.size() != other.m_subpredicates.size())
        return false;
    for (qsizetype i = 0; i < m_subpredicates.size(); ++i)
        if (!(*m_subpredicates[i] == *other.m_subpredicates[i]))
            return false;
    return true;
}

MCSmartGroup::PredicatePtr MCSmartGroupPredicate(const MCFilterPredicatePtr &predicate)
{
    if (!predicate)
        return nullptr;
    return std::make_shared<const MCSmartGroup::Predicate>(
        [predicate](const MCSmartGroup::Item &item) { return item && predicate->evaluate(*item); });
}

// Row predicates --------------------------------------------------------------------------------

namespace MCFilterRowPredicates {

namespace {

// Reads a decimal number (sign, digits, point, exponent) at `i` after skipping whitespace.
std::optional<double> scanDouble(const QString &text, qsizetype &i)
{
    while (i < text.size() && text[i].isSpace())
        ++i;
    const qsizetype start = i;
    qsizetype j = i;
    if (j < text.size() && (text[j] == QLatin1Char('+') || text[j] == QLatin1Char('-')))
        ++j;
    qsizetype digits = 0;
    while (j < text.size() && text[j].isDigit() && text[j].unicode() < 128)
        ++j, ++digits;
    if (j < text.size() && text[j] == QLatin1Char('.')) {
        ++j;
        while (j < text.size() && text[j].isDigit() && text[j].unicode() < 128)
            ++j, ++digits;
    }
    if (digits == 0)
        return std::nullopt;
    if (j < text.size() && (text[j] == QLatin1Char('e') || text[j] == QLatin1Char('E'))) {
        qsizetype k = j + 1;
        if (k < text.size() && (text[k] == QLatin1Char('+') || text[k] == QLatin1Char('-')))
            ++k;
        if (k < text.size() && text[k].isDigit()) {
            while (k < text.size() && text[k].isDigit())
                ++k;
            j = k;
        }
    }
    bool ok = false;
    const double value = text.mid(start, j - start).toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    i = j;
    return value;
}

MCFilterPredicatePtr alwaysTrue()
{
    return MCFilterPredicate::truePredicate();
}

} // namespace

double doubleFromString(const QString &text)
{
    qsizetype i = 0;
    return scanDouble(text, i).value_or(0.0);
}

qint64 integerFromString(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        negative = text[i++] == QLatin1Char('-');
    qint64 value = 0;
    for (; i < text.size() && text[i].isDigit() && text[i].unicode() < 128; ++i) {
        if (value > (std::numeric_limits<qint64>::max() - 9) / 10)
            return negative ? std::numeric_limits<qint64>::min() : std::numeric_limits<qint64>::max();
        value = value * 10 + (text[i].unicode() - '0');
    }
    return negative ? -value : value;
}

double numberFromString(const QString &text)
{
    qsizetype i = 0;
    const std::optional<double> a = scanDouble(text, i);
    if (!a)
        return 0.0;
    qsizetype j = i;
    while (j < text.size() && text[j].isSpace())
        ++j;
    bool slash = false;
    while (j < text.size() && text[j] == QLatin1Char('/'))
        ++j, slash = true;
    if (!slash)
        return *a;
    const std::optional<double> b = scanDouble(text, j);
    return b && *b != 0.0 ? *a / *b : *a;
}

MCFilterPredicatePtr stringPredicate(const QString &key, unsigned op, const QString &text, unsigned options)
{
    if (text.isEmpty())
        return alwaysTrue();
    return MCFilterPredicate::comparison(key, op, text, options);
}

MCFilterPredicatePtr parentFolderPredicate(unsigned op, const QString &text, unsigned options)
{
    return stringPredicate(QStringLiteral("filteredParentFolderName"), op, text, options);
}

MCFilterPredicatePtr numberPredicate(const QString &key, unsigned op, const QString &text, unsigned options)
{
    if (text.isEmpty())
        return alwaysTrue();
    return MCFilterPredicate::comparison(key, op, numberFromString(text), options);
}

MCFilterPredicatePtr constantNumberPredicate(const QString &key, unsigned op, const QString &constant,
                                             unsigned options)
{
    if (constant.isEmpty())
        return alwaysTrue();
    return MCFilterPredicate::comparison(key, op, doubleFromString(constant), options);
}

MCFilterPredicatePtr keywordsPredicate(unsigned op, const QString &text, unsigned options)
{
    if (text.isEmpty())
        return alwaysTrue();
    return MCFilterPredicate::anyKeyword(QStringLiteral("filteredKeywords"), op, text, options);
}

MCFilterPredicatePtr fileSizePredicate(const QString &key, unsigned op, const QString &text, int unitTag,
                                       unsigned options)
{
    if (text.isEmpty())
        return alwaysTrue();
    double bytes = doubleFromString(text);
    for (int step = 0; step < unitTag && step < 3; ++step)
        bytes *= 1000.0; // decimal units, as sizes are shown
    return MCFilterPredicate::comparison(key, op, bytes, options);
}

MCFilterPredicatePtr menuTagPredicate(const QString &key, unsigned op, int tag, unsigned options)
{
    return MCFilterPredicate::comparison(key, op, qint64(tag), options);
}

MCFilterPredicatePtr colorModePredicate(const QString &key, unsigned op, int tag, unsigned options)
{
    static const QStringList models = {QStringLiteral("RGB"), QStringLiteral("Gray"), QStringLiteral("CMYK")};
    if (tag < 0 || tag >= models.size())
        return MCFilterPredicate::comparison(key, op, qint64(tag), options);
    return MCFilterPredicate::comparison(QStringLiteral("filteredImageColorMode"), op, models[tag], options);
}

QString fileTypeKeyPath(int tag)
{
    switch (tag) {
    case 0: return QStringLiteral("filteredIsJPEGFile");
    case 1: return QStringLiteral("filteredIsRAWFile");
    case 3: return QStringLiteral("filteredIsBMPFile");
    case 4: return QStringLiteral("filteredIsGIFFile");
    case 5: return QStringLiteral("filteredIsJPEG2000File");
    case 6: return QStringLiteral("filteredIsPDFFile");
    case 7: return QStringLiteral("filteredIsPNGFile");
    case 8: return QStringLiteral("filteredIsTIFFFile");
    case 9: return QStringLiteral("filteredIsHEICFile");
    default: return {};
    }
}

MCFilterPredicatePtr fileTypePredicate(const QString &key, unsigned op, int tag, unsigned options)
{
    if (tag == 2) {
        const QList<MCFilterPredicatePtr> both = {
            MCFilterPredicate::comparison(fileTypeKeyPath(0), op, true, options),
            MCFilterPredicate::comparison(fileTypeKeyPath(1), op, true, options)};
        // "Is JPEG or RAW"; "is not" must be neither.
        return op == MCNotEqualToPredicateOperatorType ? MCFilterPredicate::andPredicate(both)
                                                       : MCFilterPredicate::orPredicate(both);
    }
    const QString path = fileTypeKeyPath(tag);
    if (path.isEmpty())
        return MCFilterPredicate::comparison(key, op, qint64(tag), options);
    return MCFilterPredicate::comparison(path, op, true, options);
}

namespace {

QDate addUnits(const QDate &date, qint64 count, int unitTag)
{
    switch (unitTag) {
    case 1: return date.addDays(7 * count);
    case 2: return date.addMonths(int(std::clamp<qint64>(count, -120000, 120000)));
    case 3: return date.addYears(int(std::clamp<qint64>(count, -10000, 10000)));
    default: return date.addDays(count);
    }
}

QDate startOfWeek(const QDate &day)
{
    const int first = int(QLocale::system().firstDayOfWeek());
    return day.addDays(-((day.dayOfWeek() - first + 7) % 7));
}

} // namespace

QPair<QDateTime, QDateTime> dateRange(int type, const QString &intervalText, int unitTag, const QDate &chosenDay,
                                      const QDateTime &now)
{
    const QDate today = now.toLocalTime().date();
    QDate start, end;
    switch (type) {
    case MCDateRowWithinLast: {
        // Days far outside the calendar would give invalid dates: keep N to ten thousand years.
        const qint64 n = std::clamp<qint64>(integerFromString(intervalText), -3650000, 3650000);
        start = addUnits(today, -n, unitTag);
        end = addUnits(start, n + 1, unitTag);
        break;
    }
    case MCDateRowOnDay:
    case MCDateRowBeforeDay:
    case MCDateRowOnOrAfterDay: {
        const QDate day = chosenDay.isValid() ? chosenDay : today;
        start = day, end = day.addDays(1);
        break;
    }
    case MCDateRowToday: start = today, end = today.addDays(1); break;
    case MCDateRowYesterday: start = today.addDays(-1), end = today; break;
    case MCDateRowThisWeek: start = startOfWeek(today), end = start.addDays(7); break;
    case MCDateRowThisMonth: start = QDate(today.year(), today.month(), 1), end = start.addMonths(1); break;
    case MCDateRowThisYear: start = QDate(today.year(), 1, 1), end = start.addYears(1); break;
    default: return {};
    }
    return {start.startOfDay(), end.startOfDay()};
}

MCFilterPredicatePtr datePredicate(const QString &key, int type, const QString &intervalText, int unitTag,
                                   const QDate &chosenDay, const QDateTime &now)
{
    if (type < MCDateRowWithinLast || type > MCDateRowThisYear)
        return MCFilterPredicate::comparison(key, MCEqualToPredicateOperatorType, qint64(type));
    if (type == MCDateRowWithinLast && intervalText.isEmpty())
        return MCFilterPredicate::truePredicate();
    const auto [start, end] = dateRange(type, intervalText, unitTag, chosenDay, now);
    if (type == MCDateRowBeforeDay)
        return MCFilterPredicate::comparison(key, MCLessThanPredicateOperatorType, start);
    if (type == MCDateRowOnOrAfterDay)
        return MCFilterPredicate::comparison(key, MCGreaterThanOrEqualToPredicateOperatorType, start);
    return MCFilterPredicate::between(key, start, end);
}

} // namespace MCFilterRowPredicates
