#include "platform/numfmt.h"

#include <QLocale>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace ql {
namespace {

// A non-negative decimal number: the value is 0.digits x 10^point, with no
// leading zeros in digits (an empty digit string is zero).
struct Decimal {
    bool negative = false;
    std::string digits;
    int point = 0;
};

// Parses the scientific text of std::to_chars ("d.ddde+XX") into a Decimal.
Decimal fromScientific(const char* begin, const char* end)
{
    Decimal d;
    const char* p = begin;
    if (p < end && *p == '-') {
        d.negative = true;
        ++p;
    }
    int exp = 0;
    for (; p < end && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9')
            d.digits.push_back(*p);
    if (p < end) {
        const char* e = p + 1;
        if (e < end && *e == '+')
            ++e;
        std::from_chars(e, end, exp);
    }
    d.point = exp + 1;
    // Strip leading and trailing zeros; zero becomes the empty digit string.
    std::size_t lead = 0;
    while (lead < d.digits.size() && d.digits[lead] == '0')
        ++lead;
    d.digits.erase(0, lead);
    d.point -= static_cast<int>(lead);
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
    if (d.digits.empty())
        d.point = 0;
    return d;
}

template <typename F>
Decimal shortestDecimal(F value)
{
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
    return fromScientific(buf, res.ptr);
}

// Exact signed integers as decimal digit strings, most significant first,
// without leading zeros (zero is the empty string).
struct BigInt {
    bool negative = false;
    std::string mag;
};

int compareMag(const std::string& x, const std::string& y)
{
    if (x.size() != y.size())
        return x.size() < y.size() ? -1 : 1;
    const int c = x.compare(y);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

std::string addMag(const std::string& x, const std::string& y)
{
    std::string out;
    int carry = 0;
    for (std::size_t i = 0; i < std::max(x.size(), y.size()) || carry; ++i) {
        const int dx = i < x.size() ? x[x.size() - 1 - i] - '0' : 0;
        const int dy = i < y.size() ? y[y.size() - 1 - i] - '0' : 0;
        const int d = dx + dy + carry;
        out.push_back(char('0' + d % 10));
        carry = d / 10;
    }
    std::reverse(out.begin(), out.end());
    return out;
}

std::string subMag(const std::string& x, const std::string& y)  // x >= y
{
    std::string out;
    int borrow = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        int d = (x[x.size() - 1 - i] - '0') - borrow - (i < y.size() ? y[y.size() - 1 - i] - '0' : 0);
        borrow = d < 0;
        out.push_back(char('0' + d + 10 * borrow));
    }
    while (!out.empty() && out.back() == '0')
        out.pop_back();
    std::reverse(out.begin(), out.end());
    return out;
}

BigInt add(const BigInt& x, const BigInt& y)
{
    if (x.negative == y.negative)
        return {x.negative, addMag(x.mag, y.mag)};
    const int c = compareMag(x.mag, y.mag);
    if (c == 0)
        return {};
    return c > 0 ? BigInt{x.negative, subMag(x.mag, y.mag)} : BigInt{y.negative, subMag(y.mag, x.mag)};
}

// The value of d times 10^-exponent as an integer; exponent is at least
// the count of d's digits after the point.
BigInt scaled(const Decimal& d, int exponent)
{
    if (d.digits.empty())
        return {};
    const long zeros = static_cast<long>(exponent) + d.point - static_cast<long>(d.digits.size());
    return {d.negative, d.digits + std::string(static_cast<std::size_t>(std::max(0L, zeros)), '0')};
}

template <typename F>
int decimalSumCompare(F a, F b, F c)
{
    if (!std::isfinite(a) || !std::isfinite(b) || !std::isfinite(c)) {
        const double l = double(a) + double(b), r = double(c);
        return l < r ? -1 : l > r ? 1 : 0;
    }
    const Decimal da = shortestDecimal(a), db = shortestDecimal(b), dc = shortestDecimal(c);
    int exponent = 0;  // digits after the point of the finest of the three
    for (const Decimal* d : {&da, &db, &dc})
        exponent = std::max(exponent, static_cast<int>(d->digits.size()) - d->point);
    BigInt minusC = scaled(dc, exponent);
    minusC.negative = !minusC.negative;
    const BigInt r = add(add(scaled(da, exponent), scaled(db, exponent)), minusC);
    return r.mag.empty() ? 0 : r.negative ? -1 : 1;
}

// Rounds to `decimals` digits after the point, half away from zero.
void roundTo(Decimal& d, int decimals)
{
    if (d.digits.empty())
        return;
    const long keep = static_cast<long>(d.point) + decimals;  // digits to keep
    if (keep >= static_cast<long>(d.digits.size()))
        return;
    if (keep < 0) {
        d.digits.clear();
        d.point = 0;
        return;
    }
    const bool up = d.digits[static_cast<std::size_t>(keep)] >= '5';
    d.digits.resize(static_cast<std::size_t>(keep));
    if (up) {
        int i = static_cast<int>(keep) - 1;
        while (i >= 0 && d.digits[static_cast<std::size_t>(i)] == '9') {
            d.digits[static_cast<std::size_t>(i)] = '0';
            --i;
        }
        if (i >= 0) {
            ++d.digits[static_cast<std::size_t>(i)];
        } else {
            d.digits.insert(d.digits.begin(), '1');
            ++d.point;
        }
    }
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
    if (d.digits.empty())
        d.point = 0;
}

char digitAt(const Decimal& d, long index)  // index 0 = first digit of `digits`
{
    if (index < 0 || index >= static_cast<long>(d.digits.size()))
        return '0';
    return d.digits[static_cast<std::size_t>(index)];
}

struct Pattern {
    QString prefix, suffix;
    int minInt = 0;       // "0" placeholders before the point
    int decimals = 0;     // placeholders after the point
    int minDecimals = 0;  // "0" placeholders after the point
    bool percent = false;
};

Pattern parsePattern(const QString& pattern)
{
    Pattern p;
    int i = 0;
    const int n = pattern.size();
    auto isPlace = [](QChar c) { return c == u'0' || c == u'#'; };
    while (i < n && !isPlace(pattern[i]) && !(pattern[i] == u'.' && i + 1 < n && isPlace(pattern[i + 1]))) {
        if (pattern[i] == u'%')
            p.percent = true;
        p.prefix += pattern[i++];
    }
    for (; i < n && isPlace(pattern[i]); ++i)
        if (pattern[i] == u'0')
            ++p.minInt;
    if (i < n && pattern[i] == u'.') {
        ++i;
        for (; i < n && isPlace(pattern[i]); ++i) {
            ++p.decimals;
            if (pattern[i] == u'0')
                p.minDecimals = p.decimals;
        }
    }
    for (; i < n; ++i) {
        if (pattern[i] == u'%')
            p.percent = true;
        p.suffix += pattern[i];
    }
    return p;
}

QString formatDecimal(Decimal d, const QString& pattern)
{
    if (pattern.isEmpty()) {
        // General form: every significant digit, no exponent.
        Pattern general;
        general.minInt = 1;
        general.decimals = std::max(0, static_cast<int>(d.digits.size()) - d.point);
        general.minDecimals = 0;
        QString out;
        const bool neg = d.negative && !d.digits.empty();
        QString intPart;
        for (long k = 0; k < d.point; ++k)
            intPart += QLatin1Char(digitAt(d, k));
        if (intPart.isEmpty())
            intPart = QStringLiteral("0");
        QString frac;
        for (int k = 0; k < general.decimals; ++k)
            frac += QLatin1Char(digitAt(d, d.point + k));
        out = (neg ? QStringLiteral("-") : QString()) + intPart;
        if (!frac.isEmpty())
            out += QLatin1Char('.') + frac;
        return out;
    }
    const Pattern p = parsePattern(pattern);
    if (p.percent && !d.digits.empty())
        d.point += 2;
    roundTo(d, p.decimals);

    QString intPart;
    for (long k = 0; k < d.point; ++k)
        intPart += QLatin1Char(digitAt(d, k));
    while (intPart.size() < p.minInt)
        intPart.prepend(QLatin1Char('0'));

    QString frac;
    for (int k = 0; k < p.decimals; ++k)
        frac += QLatin1Char(digitAt(d, static_cast<long>(d.point) + k));
    while (frac.size() > p.minDecimals && frac.endsWith(QLatin1Char('0')))
        frac.chop(1);

    QString out = p.prefix;
    if (d.negative && !d.digits.empty())
        out += QLatin1Char('-');
    out += intPart;
    if (p.decimals > 0 && (!frac.isEmpty() || p.minDecimals > 0))
        out += QLatin1Char('.') + frac;
    else if (p.decimals > 0)
        out += QLatin1Char('.');
    if (intPart.isEmpty() && frac.isEmpty() && p.decimals == 0)
        out += QLatin1Char('0');
    out += p.suffix;
    return out;
}

bool isTimePattern(const QString& pattern)
{
    const QString lower = pattern.toLower();
    return lower == QLatin1String("hh:mm:ss") || lower == QLatin1String("hh:nn:ss");
}

QString nonFinite(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NaN");
    return value < 0 ? QStringLiteral("-Inf") : QStringLiteral("Inf");
}

// The value of the ASCII text Val gathered (optional sign, digits with at
// most one ".", optional exponent "e", sign, digits). Past the range of a
// double it is infinite, or zero for a negative exponent.
double readAscii(const std::string& num)
{
    const char* b = num.data();
    const char* e = b + num.size();
    const bool negative = b < e && *b == '-';
    if (b < e && (*b == '-' || *b == '+'))
        ++b;
    double v = 0;
    const auto res = std::from_chars(b, e, v, std::chars_format::general);
    if (res.ec == std::errc::result_out_of_range)
        v = num.find("e-") != std::string::npos ? 0.0 : std::numeric_limits<double>::infinity();
    return negative ? -v : v;
}

QLocale withoutGroups(QLocale locale)
{
    locale.setNumberOptions(QLocale::RejectGroupSeparator);
    return locale;
}

const QLocale& cNumbers()
{
    static const QLocale c = withoutGroups(QLocale::c());
    return c;
}

// The number form of the user's locale: the environment's choice, looked up
// as Qt looks it up at start, at each call (only for a text that is no number
// in the program's form), so that nothing depends on which locale the C
// library was last set to.
QLocale userNumbers()
{
    for (const char* name : {"LC_ALL", "LC_NUMERIC", "LANG"}) {
        const QString chosen = qEnvironmentVariable(name);
        if (!chosen.isEmpty())
            return withoutGroups(QLocale(chosen));
    }
    return cNumbers();
}

std::optional<double> readIn(const QLocale& locale, const QString& text)
{
    bool ok = false;
    const double v = locale.toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

} // namespace

QString Format(double value, const QString& pattern)
{
    if (!std::isfinite(value))
        return nonFinite(value);
    if (isTimePattern(pattern))
        return FormatSeconds(value);
    return formatDecimal(shortestDecimal(value), pattern);
}

QString Format(float value, const QString& pattern)
{
    if (!std::isfinite(value))
        return nonFinite(value);
    if (isTimePattern(pattern))
        return FormatSeconds(value);
    return formatDecimal(shortestDecimal(value), pattern);
}

QString FormatSeconds(double seconds)
{
    if (!std::isfinite(seconds))
        return nonFinite(seconds);
    Decimal d = shortestDecimal(seconds);
    const bool negative = d.negative;
    roundTo(d, 0);
    if (d.point > 18) {
        // Beyond the range of an integer count of seconds: split in doubles.
        const double t = std::fabs(std::round(seconds));
        return (negative ? QStringLiteral("-") : QString()) + formatDecimal(shortestDecimal(std::floor(t / 3600)), QStringLiteral("00")) +
               QLatin1Char(':') + formatDecimal(shortestDecimal(std::fmod(std::floor(t / 60), 60.0)), QStringLiteral("00")) +
               QLatin1Char(':') + formatDecimal(shortestDecimal(std::fmod(t, 60.0)), QStringLiteral("00"));
    }
    long long total = 0;
    for (long k = 0; k < d.point; ++k)
        total = total * 10 + (digitAt(d, k) - '0');
    const long long h = total / 3600;
    const long long m = (total % 3600) / 60;
    const long long s = total % 60;
    QString out = QStringLiteral("%1:%2:%3")
                      .arg(h, 2, 10, QLatin1Char('0'))
                      .arg(m, 2, 10, QLatin1Char('0'))
                      .arg(s, 2, 10, QLatin1Char('0'));
    if (negative && total != 0)
        out.prepend(QLatin1Char('-'));
    return out;
}

double Val(const QString& text)
{
    std::string num;
    int i = 0;
    const int n = text.size();
    auto skipBlanks = [&] {
        while (i < n && (text[i] == u' ' || text[i] == u'\t' || text[i] == u'\n' || text[i] == u'\r'))
            ++i;
    };
    auto isDigit = [&](int k) { return k < n && text[k] >= u'0' && text[k] <= u'9'; };
    skipBlanks();
    if (i < n && (text[i] == u'-' || text[i] == u'+')) {
        num.push_back(static_cast<char>(text[i].unicode()));
        ++i;
    }
    bool any = false;
    bool point = false;
    for (;;) {
        skipBlanks();
        if (isDigit(i)) {
            num.push_back(static_cast<char>(text[i].unicode()));
            any = true;
            ++i;
        } else if (!point && i < n && text[i] == u'.') {
            num.push_back('.');
            point = true;
            ++i;
        } else {
            break;
        }
    }
    if (!any)
        return 0.0;
    // Exponent: E or D, an optional sign, at least one digit.
    if (i < n && (text[i] == u'E' || text[i] == u'e' || text[i] == u'D' || text[i] == u'd')) {
        int k = i + 1;
        std::string ex = "e";
        while (k < n && text[k] == u' ')
            ++k;
        if (k < n && (text[k] == u'-' || text[k] == u'+'))
            ex.push_back(static_cast<char>(text[k++].unicode()));
        bool expDigits = false;
        for (;;) {
            while (k < n && text[k] == u' ')
                ++k;
            if (!isDigit(k))
                break;
            ex.push_back(static_cast<char>(text[k++].unicode()));
            expDigits = true;
        }
        if (expDigits)
            num += ex;
    }
    return readAscii(num);
}

std::optional<double> ReadNumber(const QString& text) { return readIn(cNumbers(), text); }

std::optional<double> ParseNumber(const QString& text)
{
    if (const auto v = ReadNumber(text))
        return v;
    return readIn(userNumbers(), text);
}

QString PointForm(const QString& text)
{
    if (ReadNumber(text))
        return text;
    const QLocale user = userNumbers();
    const auto v = readIn(user, text);
    if (!v)
        return text;
    QString point = text;
    point.replace(user.decimalPoint(), QStringLiteral("."));
    const auto back = ReadNumber(point);
    return back && *back == *v ? point : Format(*v, QString());
}

std::optional<QString> FileNumberText(const QString& text)
{
    if (ReadNumber(text))
        return text;
    if (text.count(QLatin1Char(',')) != 1 || text.contains(QLatin1Char('.')))
        return std::nullopt;
    QString point = text;
    point.replace(QLatin1Char(','), QLatin1Char('.'));
    if (ReadNumber(point))
        return point;
    return std::nullopt;
}

int DecimalSumCompare(double a, double b, double c) { return decimalSumCompare(a, b, c); }
int DecimalSumCompare(float a, float b, float c) { return decimalSumCompare(a, b, c); }

} // namespace ql
