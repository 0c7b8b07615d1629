#pragma once
// Orders of the task list that the user asks for: by name in natural order (clip2 before
// clip10), by the time each file was recorded, and the order a drag of rows gives. Each is a
// permutation: position i of the result holds the row that was at result[i] before.

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>
#include <vector>

// Natural order of two texts: runs of digits by their value (leading zeros only break ties),
// everything else without regard to case; the exact texts break the last tie. <0, 0 or >0.
int NaturalCompare(QStringView a, QStringView b);

// The rows by file name (the folder breaks ties), in natural order; equal names keep their
// order.
QList<int> NameOrder(const QStringList &paths);

// The rows by time, earliest first; equal times by NameOrder's rule, and rows without a time
// last, by name.
QList<int> TimeOrder(const QStringList &paths, const std::vector<std::optional<QDateTime>> &times);

// The order after the rows (any order, repeats ignored) are taken out and put, in their list
// order, before the row that was at destination (count: at the end). A destination inside the
// moved block leaves the block where it is.
QList<int> MovedOrder(int count, const QList<int> &rows, int destination);

// Whether order holds each of 0 .. count - 1 once.
bool IsPermutation(const QList<int> &order, int count);

// The new positions of the rows that were at rows, sorted, after order is applied.
QList<int> PositionsAfter(const QList<int> &order, const QList<int> &rows);
