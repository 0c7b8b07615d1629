#pragma once
// The loudness of the listed files: each file's integrated loudness and true peak (EBU R128),
// measured by the ffmpeg program's ebur128 filter over the file's first sound stream, in the
// background, a few files at a time, and remembered while the file stays the same.

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

class QProcess;

// What the measure of one file found.
struct LoudnessFacts
{
    enum class Kind {
        Measured, // integrated and truePeak hold the figures
        NoSound, // the file has no sound stream, or only silence
        Unmeasurable, // the sound could not be read
    };
    Kind kind = Kind::Unmeasurable;
    double integrated = 0; // LUFS
    double truePeak = 0; // dBTP

    bool IsMeasured() const { return kind == Kind::Measured; }
    friend bool operator==(const LoudnessFacts &, const LoudnessFacts &) = default;
};

// The facts in ffmpeg's output of LoudnessArguments: the "Summary:" of the ebur128 filter, its
// "I:" in LUFS and the "Peak:" under "True peak:" in dBFS (which, measured at four times the
// rate, is the true peak). An integrated loudness at or below -70 LUFS (the gate's floor) is
// silence; a stream map that matches nothing is a file without sound; anything else without a
// summary could not be measured.
LoudnessFacts ParseLoudnessOutput(const QString &output);

// The ffmpeg arguments that measure the first sound stream of path and write nothing.
QStringList LoudnessArguments(const QString &path);

// The line of a row's tooltip that tells its loudness ("-23.1 LUFS, true peak -3.2 dBTP").
QString LoudnessText(const LoudnessFacts &facts);

class LoudnessMeter : public QObject
{
    Q_OBJECT

public:
    static constexpr int kAtOnce = 2;

    explicit LoudnessMeter(QObject *parent = nullptr);
    ~LoudnessMeter() override;

    // The ffmpeg program ("ffmpeg", found on the PATH, unless set).
    void SetProgram(const QString &program) { m_program = program; }

    // Queues the paths whose file has not been measured as it is now; a path queued or being
    // measured is not asked twice.
    void Measure(const QStringList &paths);
    // The facts of path, when its file has been measured as it is now.
    std::optional<LoudnessFacts> Facts(const QString &path) const;
    // Whether every path given has been measured (nothing of them queued or running).
    bool AllMeasured(const QStringList &paths) const;
    // Drops the queue and ends the measures under way; what was measured is kept.
    void Cancel();
    int Running() const { return int(m_running.size()); }

Q_SIGNALS:
    // The file of path has been measured.
    void measured(const QString &path);
    // Nothing is queued or running any more.
    void idle();

private:
    struct Known
    {
        qint64 size = -1;
        qint64 modifiedMs = 0;
        LoudnessFacts facts;
    };
    static std::optional<Known> StampOf(const QString &path);
    void StartNext();
    void Finished(QProcess *process);
    void EndProcess(QProcess *process);

    QString m_program = QStringLiteral("ffmpeg");
    QStringList m_queue;
    QHash<QProcess *, QString> m_running;
    QHash<QString, Known> m_known;
};
