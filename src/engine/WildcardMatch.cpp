#include "engine/WildcardMatch.h"

namespace veridon {
namespace {

// Upper case unit by unit, so positions in pattern and text keep their meaning
// (QString::toUpper would turn one unit into two for some letters).
QString upperUnits(const QString& text)
{
    QString upper(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        upper[i] = text[i].toUpper();
    return upper;
}

enum class SetResult
{
    Match,
    NoMatch,
    Malformed,
};

// The set starting at pattern[p] == '[' tested against `c`; `end` receives the
// position after its "]".
SetResult matchSet(const QString& pattern, qsizetype p, QChar c, qsizetype& end)
{
    const qsizetype close = pattern.indexOf(QLatin1Char(']'), p + 1);
    if (close < 0 || close == p + 1 || pattern[p + 1] == QLatin1Char('['))
        return SetResult::Malformed;
    end = close + 1;
    qsizetype i = p + 1;
    bool negated = false;
    if (pattern[i] == QLatin1Char('^')) {
        negated = true;
        ++i;
    }
    bool inSet = false;
    while (i < close) {
        if (i + 2 < close && pattern[i + 1] == QLatin1Char('-')) {
            if (c.unicode() >= pattern[i].unicode() && c.unicode() <= pattern[i + 2].unicode())
                inSet = true;
            i += 3;
        } else {
            if (c == pattern[i])
                inSet = true;
            ++i;
        }
    }
    return inSet != negated ? SetResult::Match : SetResult::NoMatch;
}

// Returns false for no match; `malformed` is set when a bad set was met.
bool matchFrom(const QString& pattern, qsizetype p, const QString& text, qsizetype t,
               bool& malformed)
{
    while (p < pattern.size()) {
        const QChar c = pattern[p];
        if (c == QLatin1Char('*')) {
            if (p + 1 == pattern.size())
                return true;
            for (qsizetype from = t; from < text.size(); ++from) {
                if (matchFrom(pattern, p + 1, text, from, malformed))
                    return true;
                if (malformed)
                    return false;
            }
            // The rest of the pattern at the end of the text.
            ++p;
            t = text.size();
            continue;
        }
        if (c == QLatin1Char('?')) {
            if (t >= text.size())
                return false;
            ++p;
            ++t;
            continue;
        }
        if (c == QLatin1Char('[')) {
            qsizetype end = 0;
            const SetResult result =
                matchSet(pattern, p, t < text.size() ? text[t] : QChar(), end);
            if (result == SetResult::Malformed) {
                malformed = true;
                return false;
            }
            if (t >= text.size() || result == SetResult::NoMatch)
                return false;
            p = end;
            ++t;
            continue;
        }
        if (t >= text.size() || text[t] != c)
            return false;
        ++p;
        ++t;
    }
    return t == text.size();
}

} // namespace

bool WildcardMatch(const QString& pattern, const QString& text)
{
    bool malformed = false;
    return matchFrom(upperUnits(pattern), 0, upperUnits(text), 0, malformed);
}

} // namespace veridon
