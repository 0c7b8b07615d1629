#include "tasks/TaskOrder.h"

#include <algorithm>
#include <numeric>

namespace {

bool IsDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// The end of the run of digits that starts at i.
qsizetype DigitsEnd(QStringView text, qsizetype i)
{
    while (i < text.size() && IsDigit(text[i]))
        ++i;
    return i;
}

// Two runs of digits by value, however long they are: without their leading zeros, the
// shorter is the smaller, and runs of one length compare digit by digit.
int CompareNumbers(QStringView a, QStringView b)
{
    const auto strip = [](QStringView run) {
        qsizetype zeros = 0;
        while (zeros + 1 < run.size() && run[zeros] == QLatin1Char('0'))
            ++zeros;
        return run.mid(zeros);
    };
    const QStringView x = strip(a);
    const QStringView y = strip(b);
    if (x.size() != y.size())
        return x.size() < y.size() ? -1 : 1;
    return x.compare(y);
}

int Sign(qsizetype value)
{
    return value < 0 ? -1 : value > 0 ? 1 : 0;
}

QStringView FileNameOf(const QString &path)
{
    return QStringView(path).mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

bool NameLess(const QString &a, const QString &b)
{
    const int byName = NaturalCompare(FileNameOf(a), FileNameOf(b));
    return byName != 0 ? byName < 0 : NaturalCompare(a, b) < 0;
}

QList<int> Identity(int count)
{
    QList<int> order(count);
    std::iota(order.begin(), order.end(), 0);
    return order;
}

} // namespace

int NaturalCompare(QStringView a, QStringView b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    int zerosTie = 0; // "clip01" and "clip1" are equal in value; the one with fewer zeros first
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            const qsizetype endA = DigitsEnd(a, i);
            const qsizetype endB = DigitsEnd(b, j);
            const QStringView runA = a.mid(i, endA - i);
            const QStringView runB = b.mid(j, endB - j);
            if (const int byValue = CompareNumbers(runA, runB))
                return byValue;
            if (zerosTie == 0)
                zerosTie = Sign(runA.size() - runB.size());
            i = endA;
            j = endB;
            continue;
        }
        const char32_t x = a[i].toCaseFolded().unicode();
        const char32_t y = b[j].toCaseFolded().unicode();
        if (x != y)
            return x < y ? -1 : 1;
        ++i;
        ++j;
    }
    if (const int byLength = Sign((a.size() - i) - (b.size() - j)))
        return byLength;
    if (zerosTie != 0)
        return zerosTie;
    return Sign(a.compare(b));
}

QList<int> NameOrder(const QStringList &paths)
{
    QList<int> order = Identity(int(paths.size()));
    std::stable_sort(order.begin(), order.end(),
                     [&](int x, int y) { return NameLess(paths[x], paths[y]); });
    return order;
}

QList<int> TimeOrder(const QStringList &paths, const std::vector<std::optional<QDateTime>> &times)
{
    QList<int> order = NameOrder(paths);
    const auto timeOf = [&](int row) {
        return size_t(row) < times.size() && times[size_t(row)] && times[size_t(row)]->isValid()
            ? std::optional<qint64>(times[size_t(row)]->toMSecsSinceEpoch())
            : std::nullopt;
    };
    // Stable over the name order: equal times stay in name order.
    std::stable_sort(order.begin(), order.end(), [&](int x, int y) {
        const std::optional<qint64> tx = timeOf(x);
        const std::optional<qint64> ty = timeOf(y);
        if (!tx || !ty)
            return tx.has_value() && !ty.has_value();
        return *tx < *ty;
    });
    return order;
}

QList<int> MovedOrder(int count, const QList<int> &rows, int destination)
{
    std::vector<bool> moved(size_t(std::max(count, 0)), false);
    for (const int row : rows)
        if (row >= 0 && row < count)
            moved[size_t(row)] = true;
    destination = std::clamp(destination, 0, std::max(count, 0));
    // Dropped onto its own block: the rows after the block's first row stay in place.
    while (destination < count && moved[size_t(destination)])
        ++destination;
    QList<int> order;
    QList<int> block;
    for (int row = 0; row < count; ++row)
        if (moved[size_t(row)])
            block.append(row);
    for (int row = 0; row <= count; ++row) {
        if (row == destination)
            order.append(block);
        if (row < count && !moved[size_t(row)])
            order.append(row);
    }
    return order;
}

bool IsPermutation(const QList<int> &order, int count)
{
    if (order.size() != count)
        return false;
    std::vector<bool> seen(size_t(count), false);
    for (const int row : order) {
        if (row < 0 || row >= count || seen[size_t(row)])
            return false;
        seen[size_t(row)] = true;
    }
    return true;
}

QList<int> PositionsAfter(const QList<int> &order, const QList<int> &rows)
{
    std::vector<bool> wanted(size_t(order.size()), false);
    for (const int row : rows)
        if (row >= 0 && row < order.size())
            wanted[size_t(row)] = true;
    QList<int> positions;
    for (int at = 0; at < order.size(); ++at)
        if (order[at] >= 0 && order[at] < order.size() && wanted[size_t(order[at])])
            positions.append(at);
    return positions;
}
