#include "engine/WildcardMatch.h"

namespace veridon {
namespace {

enum class SetResult
{
    Match,
    NoMatch,
    Invalid, // the pattern's set is malformed: the whole match fails
};

// The set starting at pattern[p] == '['; on return `p` is past its "]".
SetResult matchSet(QStringView pattern, qsizetype& p, QChar c)
{
    const qsizetype close = pattern.indexOf(QLatin1Char(']'), p + 1);
    if (close < 0)
        return SetResult::Invalid;
    QStringView set = pattern.mid(p + 1, close - p - 1);
    p = close + 1;
    if (set.isEmpty() || set.front() == QLatin1Char('['))
        return SetResult::Invalid;
    const bool negated = set.front() == QLatin1Char('^');
    if (negated)
        set = set.mid(1);
    bool inSet = false;
    for (qsizetype i = 0; i < set.size() && !inSet; ++i) {
        if (i + 2 < set.size() && set[i + 1] == QLatin1Char('-')) {
            inSet = c.unicode() >= set[i].unicode() && c.unicode() <= set[i + 2].unicode();
            i += 2;
        } else {
            inSet = c == set[i];
        }
    }
    return inSet != negated ? SetResult::Match : SetResult::NoMatch;
}

// Returns 1 for a match, 0 for none, -1 when a malformed set ends everything.
int match(QStringView pattern, qsizetype p, QStringView text, qsizetype t)
{
    while (p < pattern.size()) {
        const QChar pc = pattern[p];
        if (pc == QLatin1Char('*')) {
            while (p < pattern.size() && pattern[p] == QLatin1Char('*'))
                ++p; // a run of stars matches what one star does
            if (p == pattern.size())
                return 1;
            for (qsizetype from = t; from <= text.size(); ++from) {
                const int r = match(pattern, p, text, from);
                if (r != 0)
                    return r;
            }
            return 0;
        }
        if (t >= text.size()) {
            // A set at the end of the text matches nothing, but a malformed one
            // still fails the whole match.
            if (pc == QLatin1Char('[')) {
                qsizetype probe = p;
                if (matchSet(pattern, probe, QChar()) == SetResult::Invalid)
                    return -1;
            }
            return 0;
        }
        if (pc == QLatin1Char('?')) {
            ++p;
        } else if (pc == QLatin1Char('[')) {
            const SetResult r = matchSet(pattern, p, text[t]);
            if (r != SetResult::Match)
                return r == SetResult::Invalid ? -1 : 0;
        } else {
            if (pc != text[t])
                return 0;
            ++p;
        }
        ++t;
    }
    return t == text.size() ? 1 : 0;
}

} // namespace

bool wildcardMatchUpper(QStringView pattern, QStringView text)
{
    return match(pattern, 0, text, 0) == 1;
}

QString wildcardUpper(QStringView text)
{
    // Unit by unit: QString::toUpper turns some letters into two units ("\u00df"
    // becomes "SS"), which would move every position after them.
    QString upper(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        upper[i] = text[i].toUpper();
    return upper;
}

bool WildcardMatch(const QString& pattern, const QString& text)
{
    return wildcardMatchUpper(wildcardUpper(pattern), wildcardUpper(text));
}

} // namespace veridon
