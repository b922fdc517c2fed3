#pragma once

// The filter of the photo browser as a value: a tree of comparisons of library-file values
// (the "filtered..." keys of MCFile::valueForKey) with constants, joined by AND and OR, plus the
// "always true" predicate and the keyword test (any keyword of the list compares). No text is
// parsed: the filter panel's rows build predicates with the functions of MCFilterRowPredicates.
//
// Evaluating against an item:
//
//     MCFilterPredicatePtr predicate = ...;                 // e.g. the filter panel's predicate()
//     bool passes = predicate->evaluate(*file);             // file: const MCFile &
//     bool alsoPasses = predicate->evaluateWithValues(      // any other item: a key -> value lookup
//         [&](const QString &key) { return values.value(key); });
//     MCSmartGroup::PredicatePtr forGroups = MCSmartGroupPredicate(predicate); // null stays null
//
// A missing value (a null QVariant) satisfies only "not equal". Predicates are immutable and
// may be evaluated from any number of threads at once.
#include "app/library/MCSmartGroup.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>

class MCFile;
class MCFilterPredicate;
using MCFilterPredicatePtr = std::shared_ptr<const MCFilterPredicate>;

// Comparison operators, numbered as the platform's predicate operators.
enum MCPredicateOperatorType : unsigned {
    MCLessThanPredicateOperatorType = 0,
    MCLessThanOrEqualToPredicateOperatorType = 1,
    MCGreaterThanPredicateOperatorType = 2,
    MCGreaterThanOrEqualToPredicateOperatorType = 3,
    MCEqualToPredicateOperatorType = 4,
    MCNotEqualToPredicateOperatorType = 5,
    MCMatchesPredicateOperatorType = 6,    // regular expression, whole string
    MCLikePredicateOperatorType = 7,       // * and ? wildcards, whole string
    MCBeginsWithPredicateOperatorType = 8,
    MCEndsWithPredicateOperatorType = 9,
    MCContainsPredicateOperatorType = 99,
    MCBetweenPredicateOperatorType = 100,
};

// String comparison options (combinable).
enum MCComparisonPredicateOptions : unsigned {
    MCCaseInsensitivePredicateOption = 1,
    MCDiacriticInsensitivePredicateOption = 2,
};

class MCFilterPredicate
{
public:
    enum class Kind { True, Comparison, And, Or, AnyKeyword };

    // Every item satisfies it.
    static MCFilterPredicatePtr truePredicate();
    // `key`'s value compared with `constant` by `op` (not between; see between()).
    static MCFilterPredicatePtr comparison(const QString &key, unsigned op, const QVariant &constant,
                                           unsigned options = 0);
    // first <= value <= second, both ends included.
    static MCFilterPredicatePtr between(const QString &key, const QVariant &first, const QVariant &second);
    static MCFilterPredicatePtr andPredicate(const QList<MCFilterPredicatePtr> &subpredicates);
    static MCFilterPredicatePtr orPredicate(const QList<MCFilterPredicatePtr> &subpredicates);
    // At least one string of the list under `key` compares with `text` by `op`; an item
    // without strings never matches.
    static MCFilterPredicatePtr anyKeyword(const QString &key, unsigned op, const QString &text, unsigned options = 0);

    Kind kind() const { return m_kind; }
    const QString &key() const { return m_key; }
    unsigned operatorType() const { return m_operator; }
    const QVariant &constant() const { return m_constant; }
    unsigned options() const { return m_options; }
    const QList<MCFilterPredicatePtr> &subpredicates() const { return m_subpredicates; }

    bool evaluate(const MCFile &file) const;
    bool evaluateWithValues(const std::function<QVariant(const QString &)> &valueForKey) const;

    // Whether `value` compares with `constant` by `op` under `options`.
    static bool compareValues(const QVariant &value, unsigned op, const QVariant &constant, unsigned options);

    // A readable form for logs and test messages: filteredFileSize >= 1500000 AND ...
    QString description() const;
    bool operator==(const MCFilterPredicate &other) const;

private:
    static MCFilterPredicatePtr keyed(Kind kind, const QString &key, unsigned op, const QVariant &constant,
                                      unsigned options);
    static MCFilterPredicatePtr compound(Kind kind, const QList<MCFilterPredicatePtr> &subpredicates);
    MCFilterPredicate() = default;
    template <typename Lookup> bool evaluateWith(const Lookup &valueForKey) const;

    Kind m_kind = Kind::True;
    QString m_key;
    unsigned m_operator = MCEqualToPredicateOperatorType;
    QVariant m_constant;
    unsigned m_options = 0;
    QList<MCFilterPredicatePtr> m_subpredicates;
};

// The smart groups' form of a predicate; a null predicate gives null (every file passes).
MCSmartGroup::PredicatePtr MCSmartGroupPredicate(const MCFilterPredicatePtr &predicate);

// What the filter panel's rows turn their values into. An empty value always gives the
// always-true predicate.
namespace MCFilterRowPredicates {

// A number typed as "2.8", "1/250" (0.004) or "1/0" (1: no division by zero); text that does
// not begin with a number gives 0.
double numberFromString(const QString &text);
// The leading integer of the text (whitespace and a sign allowed), else 0.
qint64 integerFromString(const QString &text);
// The leading decimal number of the text, else 0.
double doubleFromString(const QString &text);

// `key` compared with the text itself.
MCFilterPredicatePtr stringPredicate(const QString &key, unsigned op, const QString &text, unsigned options);
// "filteredParentFolderName" compared with the text.
MCFilterPredicatePtr parentFolderPredicate(unsigned op, const QString &text, unsigned options);
// `key` compared with numberFromString(text).
MCFilterPredicatePtr numberPredicate(const QString &key, unsigned op, const QString &text, unsigned options);
// `key` compared with the constant's number (an empty constant: always true).
MCFilterPredicatePtr constantNumberPredicate(const QString &key, unsigned op, const QString &constant,
                                             unsigned options);
// Any keyword compared with the text.
MCFilterPredicatePtr keywordsPredicate(unsigned op, const QString &text, unsigned options);
// `key` compared with the typed number times 1000 per unit step: 1 KB, 2 MB, 3 GB (another
// unit counts as bytes).
MCFilterPredicatePtr fileSizePredicate(const QString &key, unsigned op, const QString &text, int unitTag,
                                       unsigned options);
// `key` compared with the tag as an integer.
MCFilterPredicatePtr menuTagPredicate(const QString &key, unsigned op, int tag, unsigned options);
// "filteredImageColorMode" compared with "RGB" (0), "Gray" (1) or "CMYK" (2); another tag
// compares `key` with the tag.
MCFilterPredicatePtr colorModePredicate(const QString &key, unsigned op, int tag, unsigned options);
// The file-type flag of the tag compared with true; tag 2 is JPEG or RAW (both not, for "not
// equal"); another tag compares `key` with the tag.
MCFilterPredicatePtr fileTypePredicate(const QString &key, unsigned op, int tag, unsigned options);
// The key path of a file-type tag other than 2; empty for an unknown tag.
QString fileTypeKeyPath(int tag);

// Date rows. Types: 0 within the last N units (N from `intervalText`, unit tag 1 weeks,
// 2 months, 3 years, else days), 1 on the chosen day, 2 before it, 3 on or after it, 4 today,
// 5 yesterday, 6 this week, 7 this month, 8 this year. Ranges include both ends. `now` is
// the moment "today" is taken from; `chosenDay` the day of types 1-3. Another type compares
// `key` with the type number.
enum DateRowType : int {
    MCDateRowWithinLast = 0,
    MCDateRowOnDay = 1,
    MCDateRowBeforeDay = 2,
    MCDateRowOnOrAfterDay = 3,
    MCDateRowToday = 4,
    MCDateRowYesterday = 5,
    MCDateRowThisWeek = 6,
    MCDateRowThisMonth = 7,
    MCDateRowThisYear = 8,
};
MCFilterPredicatePtr datePredicate(const QString &key, int type, const QString &intervalText, int unitTag,
                                   const QDate &chosenDay, const QDateTime &now);
// The range [start, end] of types 0 and 4-8 (and 1 for the chosen day), as datePredicate uses it.
QPair<QDateTime, QDateTime> dateRange(int type, const QString &intervalText, int unitTag, const QDate &chosenDay,
                                      const QDateTime &now);

} // namespace MCFilterRowPredicates
