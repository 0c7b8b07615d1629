#pragma once
// When a video was recorded: the time the file states for itself (a camera's recording date,
// the container's creation time), read with libmediainfo, or else its modification time. The
// task list is put in time order by it.

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

// A date as libmediainfo gives one ("2021-06-05 14:03:11 UTC", "UTC 2021-06-05 14:03:11",
// "2020-01-02 10:11:12+02:00", "2021-06-05T14:03:11.250Z", "2020-01-02", "Mon Jan 06 10:11:12
// 2020"). A time without a zone is local time. A text without a whole date, a date that does
// not exist, or a zero date of the containers (years before 1970, the first second of 1970)
// gives nothing.
std::optional<QDateTime> ParseStatedTime(const QString &text);

// The file's stated time: General "Recorded_Date", then "Encoded_Date"; else its modification
// time; nothing when the file cannot be read at all.
std::optional<QDateTime> ReadRecordingTime(const QString &path);

// The recording times of many files, read a few at a time on threads of their own and kept
// while the file's size and modification time stay the same.
class RecordingTimes
{
public:
    using Reader = std::function<std::optional<QDateTime>(const QString &path)>;

    explicit RecordingTimes(Reader reader = &ReadRecordingTime);

    // The times of the paths, in their order.
    std::vector<std::optional<QDateTime>> Times(const QStringList &paths);
    // Keeps the time of a file read elsewhere (its stated time, else its modification time),
    // while the file stays the same.
    void Remember(const QString &path, const std::optional<QDateTime> &stated);

private:
    struct Known
    {
        QDateTime modified;
        qint64 size = -1;
        std::optional<QDateTime> time;
    };

    Reader m_reader;
    QHash<QString, Known> m_known;
};
