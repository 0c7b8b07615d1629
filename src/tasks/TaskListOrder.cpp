// The task list put in another order: the sorts of the popup menu and rows dragged to a new
// place. The orders themselves are TaskOrder's.
#include "tasks/TaskList.h"
#include "tasks/TaskOrder.h"

#include <QCoreApplication>
#include <QMimeData>

namespace {

// Rows dragged inside one list: the list they come from and their numbers.
const QString kRowsMime = QStringLiteral("application/x-quintor-task-rows");

QByteArray Origin(const TaskListModel *model)
{
    return QByteArray::number(QCoreApplication::applicationPid()) + ':'
        + QByteArray::number(quintptr(model), 16);
}

// The dragged rows when they come from this list, else nothing.
std::optional<QList<int>> DraggedRows(const QMimeData *data, const TaskListModel *model)
{
    if (!data || !data->hasFormat(kRowsMime))
        return std::nullopt;
    const QList<QByteArray> parts = data->data(kRowsMime).split('\n');
    if (parts.size() != 2 || parts[0] != Origin(model))
        return std::nullopt;
    QList<int> rows;
    for (const QByteArray &number : parts[1].split(',')) {
        bool ok = false;
        const int row = number.toInt(&ok);
        if (!ok || row < 0 || row >= model->Count())
            return std::nullopt;
        rows.append(row);
    }
    return rows;
}

} // namespace

QList<int> TaskListModel::Reorder(const QList<int> &order, const QList<int> &selectedRows)
{
    if (!m_listEnabled || !IsPermutation(order, Count()))
        return selectedRows;
    // Views keep their selection and current row: their indexes follow the rows.
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newPlace(m_rows.size());
    std::vector<Row> rows;
    rows.reserve(m_rows.size());
    for (int at = 0; at < order.size(); ++at) {
        rows.push_back(std::move(m_rows[size_t(order[at])]));
        newPlace[size_t(order[at])] = at;
    }
    m_rows = std::move(rows);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex &index : before)
        after.append(this->index(newPlace[size_t(index.row())], index.column()));
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    return PositionsAfter(order, selectedRows);
}

QList<int> TaskListModel::SortByName(const QList<int> &selectedRows)
{
    return Reorder(NameOrder(InputFiles()), selectedRows);
}

QList<int> TaskListModel::SortByTime(const QList<int> &selectedRows,
                                     const std::vector<std::optional<QDateTime>> &times)
{
    return Reorder(TimeOrder(InputFiles(), times), selectedRows);
}

QStringList TaskListModel::mimeTypes() const
{
    return {kRowsMime};
}

QMimeData *TaskListModel::mimeData(const QModelIndexList &indexes) const
{
    QList<int> rows;
    for (const QModelIndex &index : indexes)
        if (index.isValid() && !rows.contains(index.row()))
            rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    QByteArrayList numbers;
    for (const int row : rows)
        numbers.append(QByteArray::number(row));
    auto *data = new QMimeData;
    data->setData(kRowsMime, Origin(this) + '\n' + numbers.join(','));
    return data;
}

Qt::DropActions TaskListModel::supportedDragActions() const
{
    return Qt::MoveAction;
}

Qt::DropActions TaskListModel::supportedDropActions() const
{
    return Qt::MoveAction;
}

bool TaskListModel::canDropMimeData(const QMimeData *data, Qt::DropAction action, int, int,
                                    const QModelIndex &) const
{
    return m_listEnabled && action == Qt::MoveAction && DraggedRows(data, this).has_value();
}

bool TaskListModel::dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int,
                                 const QModelIndex &parent)
{
    const std::optional<QList<int>> rows = DraggedRows(data, this);
    if (!m_listEnabled || action != Qt::MoveAction || !rows)
        return false;
    // Dropped onto a row: before it; below the last row: at the end.
    const int destination = parent.isValid() ? parent.row() : row < 0 ? Count() : row;
    Reorder(MovedOrder(Count(), *rows, destination), {});
    // The rows are in place already: the view has nothing left to remove.
    return true;
}
