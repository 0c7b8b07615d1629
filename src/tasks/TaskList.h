#pragma once
// The task list: the ordered input files of a join with their Length, Size and Status texts,
// the row record through which every other part reads and writes a row, and the rules by
// which the list is filled and arranged. The main window's list view shows this model.

#include "tasks/InputTypes.h"
#include "tasks/Loudness.h"
#include "tasks/MediaProbe.h"
#include "tasks/RecordingTime.h"
#include "tasks/TaskTrim.h"

#include <QAbstractTableModel>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

class Desktop;

// One task row as a value: the caption, ten sub-texts and the durations computed from them.
struct ltvItemData
{
    QString InputFile; // caption: full path of the input file
    QString LengthText; // sub-text 0
    QString SizeText; // sub-text 1
    QString StatusText; // sub-text 2
    QString BaseName; // sub-text 3: file name without folder and extension
    QString SpareText4;
    QString SpareText5;
    QString SpareText6;
    QString SpareText7;
    QString SpareText8;
    QString SpareText9;
    double LengthSeconds = -1; // TimeTextToSeconds(LengthText)
    double SpareSeconds5 = -1; // the longest stream's length (see MediaProbeResult)
    double SpareSeconds6 = -1;
    double SpareSeconds7 = -1;
    double SpareSeconds8 = -1;
    double SpareSeconds9 = -1;
    // The part of the file the join keeps; none keeps the whole file. Read and written with
    // AllColumns only.
    std::optional<TaskTrim> Trim;
    // The file's loudness, once measured (LoudnessMeter); filled by AllColumns reads, never
    // written.
    std::optional<LoudnessFacts> Loudness;

    // The length the join takes from this row: the trim's, else LengthSeconds.
    double KeptSeconds() const { return Trim ? Trim->Seconds() : LengthSeconds; }
};

// Column selectors of ReadTaskRow and WriteTaskRow; 0 to 9 select one sub-text.
constexpr int AllColumns = -2;
constexpr int CaptionOnly = -1;

class ProbeAhead;

class TaskListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { InputFileColumn, LengthColumn, SizeColumn, StatusColumn, ColumnCount };
    enum class AddRule {
        Drop, // folders are added with their files, other paths when their extension fits
        StartUp // existing files of an input type, else existing folders; the rest is skipped
    };

    // Probes with ProbeMedia; questions and errors go to desktop.
    explicit TaskListModel(Desktop &desktop, QObject *parent = nullptr);
    TaskListModel(Desktop &desktop, MediaProber prober, QObject *parent = nullptr);
    ~TaskListModel() override;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // Rows dragged inside the list move there (TaskListOrder.cpp); nothing else is taken.
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    Qt::DropActions supportedDragActions() const override;
    Qt::DropActions supportedDropActions() const override;
    bool canDropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                         const QModelIndex &parent) const override;
    bool dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                      const QModelIndex &parent) override;

    int Count() const;
    // The picture beside a row's path: decoration(path) gives it (any value a view can draw;
    // the model never looks inside). DecorationChanged asks the view to draw it again for every
    // row of that path.
    void SetDecoration(std::function<QVariant(const QString &path)> decoration);
    void DecorationChanged(const QString &path);
    // The rows' input files, in the list's order.
    QStringList InputFiles() const;
    // Copies from row index into rec: AllColumns the caption, all sub-texts and all durations;
    // CaptionOnly the caption; 0 to 9 one sub-text (with its duration for 0 and 5 to 9).
    // Other fields of rec are left alone; an index or column out of range changes nothing.
    void ReadTaskRow(int index, int column, ltvItemData &rec) const;
    // Copies from rec into row index with the same selectors; durations are never written.
    void WriteTaskRow(int index, int column, const ltvItemData &rec);

    // The trim of a row, none when it keeps the whole file or the row does not exist.
    std::optional<TaskTrim> Trim(int index) const;
    // Sets (or with none removes) the trim of a row. Refused, with the reason, while the list
    // is disabled (a job runs), for a row that does not exist and for a trim that TrimRefusal
    // refuses against the row's length; an empty text means it was set. A trimmed row shows
    // its kept length with a mark in the Length column and its points in the tooltip.
    QString SetTrim(int index, std::optional<TaskTrim> trim);

    // Adds one file: asks "Already Listed" when the exact path is listed, probes it and
    // appends a row with status "OK". A file that cannot be probed is not added; its path and
    // the error are shown when the command that added it ends: one failure as the path with
    // the error under it, several in one box, one line each ("<path>: <error>").
    void AddTaskFile(const QString &path);
    // Adds the supported files of one folder (ListSupportedFiles) in order, letting pending
    // events run between files.
    void AddTaskDirectory(const QString &folder);
    // Adds each path by the rule.
    void AddTaskPaths(const QStringList &paths, AddRule rule);
    // The probe of added files, and the probes run ahead of them (ProbeAhead) that AddTaskFile
    // takes instead while they are set; SetProbeAhead gives the ones it replaces.
    const MediaProber &Prober() const { return m_prober; }
    ProbeAhead *SetProbeAhead(ProbeAhead *ahead) { return std::exchange(m_ahead, ahead); }

    // The commands of the main window, each with its effect on the list buttons.
    // Add Files: the files in the order the dialog gives them; an empty list is a cancelled
    // dialog.
    void AddChosenFiles(const QStringList &files);
    // Add Dir: the folder chosen in the browser, empty when none was chosen.
    void AddChosenDirectory(const QString &folder);
    // Files and folders dropped on the window, by the drop rule; ignored while the list is
    // disabled, though the welcome panel is hidden all the same.
    void DropPaths(const QStringList &paths);
    // The paths named at start-up, by the start-up rule.
    void AddStartUpPaths(const QStringList &paths);

    // Delete, Clear and the moves change nothing while the list is disabled (a job runs).
    // Deletes the selected rows (row numbers; order and repeats do not matter).
    void Delete(const QList<int> &selectedRows);
    // Deletes every row.
    void Clear();
    // Move each selected row up (down) by one, top (bottom) first, and give the new selection.
    // Nothing selected does nothing.
    QList<int> MoveUp(const QList<int> &selectedRows);
    QList<int> MoveDown(const QList<int> &selectedRows);
    // Opens the first selected row's file with the desktop.
    void Open(const QList<int> &selectedRows);
    // Puts the rows in order (TaskOrder.h: position i gets the row that was at order[i]) and
    // gives where the selected rows went. Each row keeps its texts; views keep their selection.
    // Nothing changes while the list is disabled or when order is not a permutation.
    QList<int> Reorder(const QList<int> &order, const QList<int> &selectedRows);
    // Sort by Name (natural order of the file names) and Sort by Recording Time (times in the
    // rows' order, as RecordingTimes gives them).
    QList<int> SortByName(const QList<int> &selectedRows);
    QList<int> SortByTime(const QList<int> &selectedRows,
                          const std::vector<std::optional<QDateTime>> &times);
    // The recording times of the rows, in their order: known from the add for files that did
    // not change since, read (a few at once) for the others.
    std::vector<std::optional<QDateTime>> RecordingTimesOfRows();

    // The loudness of the rows' files: while measuring is on, every listed file and every file
    // added is measured in the background; each row's tooltip tells what was found.
    LoudnessMeter &Loudness() const { return m_loudness; }
    void SetMeasureLoudness(bool on);
    bool MeasuresLoudness() const { return m_measureLoudness; }

    // Enabled state of "Delete", "Clear", "Move Up" and "Move Down".
    bool ListButtonsEnabled() const { return m_listButtonsEnabled; }
    void SetListButtonsEnabled(bool enabled);
    // Whether the list takes commands and drops (job control disables it during a job).
    bool ListEnabled() const { return m_listEnabled; }
    void SetListEnabled(bool enabled);
    // Whether the welcome panel still covers the list (until the first add or drop).
    bool WelcomePanelShown() const { return m_welcomePanelShown; }

Q_SIGNALS:
    // Every add of a file and every drop: the view hides its welcome panel.
    void hideWelcomePanel();
    void listButtonsEnabledChanged(bool enabled);
    void listEnabledChanged(bool enabled);

private:
    struct Row
    {
        QString caption;
        std::array<QString, 10> subTexts;
        std::optional<TaskTrim> trim;
    };
    class Command;

    void HideWelcomePanel();
    void AppendRow(Row row);
    void SwapRows(int a, int b);
    void EnableListButtonsWhenFilled();
    void ReportFailures();
    static std::vector<bool> SelectionMask(const QList<int> &selectedRows, int count);
    static QList<int> SelectedRows(const std::vector<bool> &mask);

    Desktop &m_desktop;
    MediaProber m_prober;
    ProbeAhead *m_ahead = nullptr;
    std::function<QVariant(const QString &)> m_decoration;
    std::vector<Row> m_rows;
    RecordingTimes m_recordingTimes;
    mutable LoudnessMeter m_loudness; // a cache of what the files hold
    bool m_measureLoudness = false;
    bool m_listButtonsEnabled = true;
    bool m_listEnabled = true;
    bool m_welcomePanelShown = true;
    int m_commandDepth = 0;
    // Each failed probe: its path, its error and the library's words behind it.
    struct Failure
    {
        QString path;
        QString error;
        QString details;
    };
    std::vector<Failure> m_failures;
};
