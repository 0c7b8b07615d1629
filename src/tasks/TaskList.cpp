#include "tasks/TaskList.h"

#include "platform/RawNames.h"

#include "platform/Desktop.h"
#include "tasks/TimeText.h"

#include <QCoreApplication>

#include <algorithm>

TaskListModel::TaskListModel(Desktop &desktop, QObject *parent)
    : TaskListModel(desktop, &ProbeMedia, parent)
{
}

TaskListModel::TaskListModel(Desktop &desktop, MediaProber prober, QObject *parent)
    : QAbstractTableModel(parent)
    , m_desktop(desktop)
    , m_prober(std::move(prober))
{
    connect(this, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) {
                if (!m_measureLoudness)
                    return;
                QStringList paths;
                for (int i = first; i <= last; ++i)
                    paths << m_rows[size_t(i)].caption;
                m_loudness.Measure(paths);
            });
    connect(&m_loudness, &LoudnessMeter::measured, this, [this](const QString &path) {
        for (int i = 0; i < Count(); ++i)
            if (m_rows[size_t(i)].caption == path)
                Q_EMIT dataChanged(index(i, InputFileColumn), index(i, InputFileColumn),
                                   {Qt::ToolTipRole});
    });
}

void TaskListModel::SetMeasureLoudness(bool on)
{
    if (std::exchange(m_measureLoudness, on) == on)
        return;
    if (on)
        m_loudness.Measure(InputFiles());
}

TaskListModel::~TaskListModel() = default;

int TaskListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : Count();
}

int TaskListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TaskListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= Count())
        return {};
    const Row &row = m_rows[static_cast<size_t>(index.row())];
    if (role == Qt::DecorationRole && index.column() == InputFileColumn && m_decoration)
        return m_decoration(row.caption);
    // What a screen reader adds to a cell's text: its column, and that the first shows a picture.
    if (role == Qt::AccessibleDescriptionRole)
        return index.column() == InputFileColumn && m_decoration
            ? QStringLiteral("Input File, with a picture from the video")
            : headerData(index.column(), Qt::Horizontal);
    if (role == Qt::ToolTipRole && index.column() == InputFileColumn) {
        const std::optional<LoudnessFacts> loudness = m_loudness.Facts(row.caption);
        return loudness ? QVariant(LoudnessText(*loudness)) : QVariant();
    }
    if (role == Qt::ToolTipRole && index.column() == LengthColumn && row.trim)
        return TrimToolTip(*row.trim, TimeTextToSeconds(row.subTexts[0]));
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case InputFileColumn:
        return ShownName(row.caption);
    case LengthColumn:
        // A trimmed row shows the length it keeps, marked as cut.
        return row.trim ? QCoreApplication::translate("TaskListModel", "%1 (trimmed)")
                              .arg(SecondsToTimeText(row.trim->Seconds()))
                        : row.subTexts[0];
    case SizeColumn:
        return row.subTexts[1];
    case StatusColumn:
        return row.subTexts[2];
    default:
        return {};
    }
}

void TaskListModel::SetDecoration(std::function<QVariant(const QString &)> decoration)
{
    m_decoration = std::move(decoration);
}

void TaskListModel::DecorationChanged(const QString &path)
{
    for (int i = 0; i < Count(); ++i) {
        if (m_rows[static_cast<size_t>(i)].caption == path)
            Q_EMIT dataChanged(index(i, InputFileColumn), index(i, InputFileColumn),
                               {Qt::DecorationRole});
    }
}

QVariant TaskListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case InputFileColumn:
        return QStringLiteral("Input File");
    case LengthColumn:
        return QStringLiteral("Length");
    case SizeColumn:
        return QStringLiteral("Size");
    case StatusColumn:
        return QStringLiteral("Status");
    default:
        return {};
    }
}

Qt::ItemFlags TaskListModel::flags(const QModelIndex &index) const
{
    // Rows are dragged to a new place; a drop goes between rows, never onto one.
    if (!index.isValid())
        return m_listEnabled ? Qt::ItemIsDropEnabled : Qt::NoItemFlags;
    const Qt::ItemFlags drag = m_listEnabled ? Qt::ItemIsDragEnabled : Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren | drag;
}

int TaskListModel::Count() const
{
    return static_cast<int>(m_rows.size());
}

QStringList TaskListModel::InputFiles() const
{
    QStringList files;
    for (const Row &row : m_rows)
        files.append(row.caption);
    return files;
}

void TaskListModel::ReadTaskRow(int index, int column, ltvItemData &rec) const
{
    if (index < 0 || index >= Count() || column < AllColumns || column > 9)
        return;
    const Row &row = m_rows[static_cast<size_t>(index)];
    QString *const texts[10]
        = {&rec.LengthText, &rec.SizeText,   &rec.StatusText, &rec.BaseName,   &rec.SpareText4,
           &rec.SpareText5, &rec.SpareText6, &rec.SpareText7, &rec.SpareText8, &rec.SpareText9};
    // Sub-texts 0 and 5 to 9 carry durations; the others have none.
    double *const seconds[10] = {&rec.LengthSeconds,
                                 nullptr,
                                 nullptr,
                                 nullptr,
                                 nullptr,
                                 &rec.SpareSeconds5,
                                 &rec.SpareSeconds6,
                                 &rec.SpareSeconds7,
                                 &rec.SpareSeconds8,
                                 &rec.SpareSeconds9};
    auto readSubText = [&](int k) {
        *texts[k] = row.subTexts[static_cast<size_t>(k)];
        if (seconds[k])
            *seconds[k] = TimeTextToSeconds(*texts[k]);
    };
    if (column == AllColumns) {
        rec.InputFile = row.caption;
        for (int k = 0; k < 10; ++k)
            readSubText(k);
        rec.Trim = row.trim;
        rec.Loudness = m_loudness.Facts(row.caption);
    } else if (column == CaptionOnly) {
        rec.InputFile = row.caption;
    } else {
        readSubText(column);
    }
}

void TaskListModel::WriteTaskRow(int index, int column, const ltvItemData &rec)
{
    if (index < 0 || index >= Count() || column < AllColumns || column > 9)
        return;
    Row &row = m_rows[static_cast<size_t>(index)];
    const QString *const texts[10]
        = {&rec.LengthText, &rec.SizeText,   &rec.StatusText, &rec.BaseName,   &rec.SpareText4,
           &rec.SpareText5, &rec.SpareText6, &rec.SpareText7, &rec.SpareText8, &rec.SpareText9};
    if (column == AllColumns) {
        row.caption = rec.InputFile;
        for (size_t k = 0; k < 10; ++k)
            row.subTexts[k] = *texts[k];
        row.trim = rec.Trim;
    } else if (column == CaptionOnly) {
        row.caption = rec.InputFile;
    } else {
        row.subTexts[static_cast<size_t>(column)] = *texts[column];
    }
    Q_EMIT dataChanged(this->index(index, 0), this->index(index, ColumnCount - 1));
}

std::optional<TaskTrim> TaskListModel::Trim(int index) const
{
    if (index < 0 || index >= Count())
        return std::nullopt;
    return m_rows[static_cast<size_t>(index)].trim;
}

QString TaskListModel::SetTrim(int index, std::optional<TaskTrim> trim)
{
    if (!m_listEnabled)
        return QCoreApplication::translate("TaskListModel",
                                           "A trim cannot be changed while a job runs.");
    if (index < 0 || index >= Count())
        return QCoreApplication::translate("TaskListModel", "There is no such row to trim.");
    Row &row = m_rows[static_cast<size_t>(index)];
    if (trim) {
        if (QString refusal = TrimRefusal(*trim, TimeTextToSeconds(row.subTexts[0]));
            !refusal.isEmpty())
            return refusal;
    }
    row.trim = trim;
    Q_EMIT dataChanged(this->index(index, 0), this->index(index, ColumnCount - 1));
    return QString();
}

void TaskListModel::Delete(const QList<int> &selectedRows)
{
    if (!m_listEnabled) // a job reads the rows by their number
        return;
    const std::vector<bool> selected = SelectionMask(selectedRows, Count());
    for (int i = Count() - 1; i >= 0; --i) {
        if (!selected[static_cast<size_t>(i)])
            continue;
        beginRemoveRows(QModelIndex(), i, i);
        m_rows.erase(m_rows.begin() + i);
        endRemoveRows();
    }
    if (m_rows.empty())
        SetListButtonsEnabled(false);
}

void TaskListModel::Clear()
{
    if (!m_listEnabled) // a job reads the rows by their number
        return;
    if (!m_rows.empty()) {
        beginResetModel();
        m_rows.clear();
        endResetModel();
    }
    SetListButtonsEnabled(false);
}

QList<int> TaskListModel::MoveUp(const QList<int> &selectedRows)
{
    if (!m_listEnabled) // a job reads the rows by their number
        return selectedRows;
    std::vector<bool> selected = SelectionMask(selectedRows, Count());
    if (std::none_of(selected.begin(), selected.end(), [](bool s) { return s; }))
        return {};
    for (int p = 1; p < Count(); ++p) {
        if (!selected[static_cast<size_t>(p)])
            continue;
        SwapRows(p - 1, p);
        selected[static_cast<size_t>(p - 1)] = true;
        selected[static_cast<size_t>(p)] = false;
    }
    return SelectedRows(selected);
}

QList<int> TaskListModel::MoveDown(const QList<int> &selectedRows)
{
    if (!m_listEnabled) // a job reads the rows by their number
        return selectedRows;
    std::vector<bool> selected = SelectionMask(selectedRows, Count());
    if (std::none_of(selected.begin(), selected.end(), [](bool s) { return s; }))
        return {};
    for (int p = Count() - 2; p >= 0; --p) {
        if (!selected[static_cast<size_t>(p)])
            continue;
        SwapRows(p, p + 1);
        selected[static_cast<size_t>(p + 1)] = true;
        selected[static_cast<size_t>(p)] = false;
    }
    return SelectedRows(selected);
}

void TaskListModel::Open(const QList<int> &selectedRows)
{
    const QList<int> rows = SelectedRows(SelectionMask(selectedRows, Count()));
    if (rows.isEmpty())
        return;
    ltvItemData rec;
    ReadTaskRow(rows.first(), CaptionOnly, rec);
    OpenOrSay(m_desktop, QStringLiteral("The file"), rec.InputFile);
}

void TaskListModel::SetListButtonsEnabled(bool enabled)
{
    if (m_listButtonsEnabled == enabled)
        return;
    m_listButtonsEnabled = enabled;
    Q_EMIT listButtonsEnabledChanged(enabled);
}

void TaskListModel::SetListEnabled(bool enabled)
{
    if (m_listEnabled == enabled)
        return;
    m_listEnabled = enabled;
    Q_EMIT listEnabledChanged(enabled);
}

void TaskListModel::HideWelcomePanel()
{
    m_welcomePanelShown = false;
    Q_EMIT hideWelcomePanel();
}

void TaskListModel::AppendRow(Row row)
{
    const int at = Count();
    beginInsertRows(QModelIndex(), at, at);
    m_rows.push_back(std::move(row));
    endInsertRows();
}

void TaskListModel::SwapRows(int a, int b)
{
    // Exchanging whole records moves the hidden sub-texts with the row.
    ltvItemData first;
    ltvItemData second;
    ReadTaskRow(a, AllColumns, first);
    ReadTaskRow(b, AllColumns, second);
    WriteTaskRow(a, AllColumns, second);
    WriteTaskRow(b, AllColumns, first);
}

void TaskListModel::EnableListButtonsWhenFilled()
{
    // A job started while the add let events run keeps the buttons off until it ends.
    if (m_listEnabled && !m_rows.empty())
        SetListButtonsEnabled(true);
}

std::vector<bool> TaskListModel::SelectionMask(const QList<int> &selectedRows, int count)
{
    std::vector<bool> mask(static_cast<size_t>(count), false);
    for (const int row : selectedRows)
        if (row >= 0 && row < count)
            mask[static_cast<size_t>(row)] = true;
    return mask;
}

QList<int> TaskListModel::SelectedRows(const std::vector<bool> &mask)
{
    QList<int> rows;
    for (size_t i = 0; i < mask.size(); ++i)
        if (mask[i])
            rows.append(static_cast<int>(i));
    return rows;
}
