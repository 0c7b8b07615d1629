#pragma once
// Progress from the encoder's console output: the "Pos:" position of each chunk and the two
// progress bars (current file, whole job) it drives, for the conversion and the joining
// stage.

#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <optional>

// The nearest whole number, halves to the even neighbour; nothing for a value that is not
// finite or does not fit 64 bits.
std::optional<int64_t> RoundHalfEven(double value);

// A bar value held within 0..100.
int ClampBar(int64_t value);

// The position text of a chunk: the text after the first "Pos:" up to the first lower-case
// "s" after it (empty when no "s" follows); previous when the chunk holds no "Pos:".
QString ExtractPositionText(const QString &chunk, const QString &previous);

// The position text as a decimal number with "." as separator in every locale: blanks
// around it, an optional sign, digits with an optional fraction, an optional exponent.
std::optional<double> ParsePosition(const QString &text);

// The chunk text the position is looked for in: the bytes up to the first zero byte.
QString ChunkText(QByteArrayView chunk);

// Copying is the only stage of a join without re-encoding: it runs like the joining stage,
// with the total bar over the whole range.
enum class StageKind { Conversion, Joining, Copying };

struct ProgressBars
{
    int current = 0; // pgbCurrent
    int total = 0; // pgbTotal
    friend bool operator==(const ProgressBars &, const ProgressBars &) = default;
};

// The progress state of one stage. Each run begins with BeginRun; every chunk of its output
// goes to Feed. The first chunks of a run are never examined; after that the position of each
// chunk updates the bars by the stage's formulas.
class ProgressTracker
{
public:
    // Chunks 0 to 19 of every run are skipped.
    static constexpr int SkippedChunks = 20;

    // totalSeconds: the sum of the lengths of all rows (the total bar's measure).
    ProgressTracker(StageKind kind, double totalSeconds);

    // A new run. denominator: the current bar's measure (the row's length when converting,
    // the total when joining); secondsDone: the lengths of the rows already converted. The
    // position value starts at 0; the position text carries over from the previous run.
    // pace: the share of the total bar's measure a second of this run's position weighs when
    // converting (a run that takes less time than others of its length weighs less).
    void BeginRun(double denominator, double secondsDone = 0, double pace = 1);

    // One chunk of output. True when the bars were computed again from it.
    bool Feed(QByteArrayView chunk);

    // The run ended well: the bars as at its last position, which a short run may never have
    // shown, since its first chunks are not examined.
    void CompleteRun();

    const ProgressBars &Bars() const { return m_bars; }
    void SetBars(ProgressBars bars) { m_bars = bars; }
    double Position() const { return m_position; }
    const QString &PositionText() const { return m_positionText; }
    int ChunkNumber() const { return m_chunkNumber; }

private:
    bool Update();

    StageKind m_kind;
    double m_totalSeconds;
    double m_denominator = 0;
    double m_secondsDone = 0;
    double m_pace = 1;
    double m_position = 0;
    QString m_positionText;
    int m_chunkNumber = 0;
    ProgressBars m_bars;
};

// The percent label of a bar: "42%".
QString PercentText(int bar);
