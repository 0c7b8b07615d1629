// The command-line splitter with the "Pos:" reader: any text splits; a quoted path splits back
// to exactly itself; any chunks of encoder output move the bars only within 0..100.
#include "FuzzTarget.h"
#include "pipeline/runs/CommandLine.h"
#include "pipeline/runs/Progress.h"

#include <QStringList>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = FuzzBytes(data, size);
    const QString text = QString::fromUtf8(bytes);
    (void)SplitCommandLine(text);
    // The program name comes first and is not part of the result.
    const QString path = QString(text).remove(QChar(0));
    FUZZ_CHECK(SplitCommandLine(QStringLiteral("x ") + QuotePath(path)) == QStringList {path});

    // The same bytes as the encoder's output, in chunks cut at every line feed.
    for (const StageKind kind : {StageKind::Conversion, StageKind::Joining}) {
        ProgressTracker tracker(kind, 125.5);
        tracker.BeginRun(kind == StageKind::Conversion ? 60.25 : 125.5, 10);
        QString previous;
        for (const QByteArray &chunk : bytes.split('\n')) {
            for (int i = 0; i < 3; ++i) // past the chunks that are skipped
                tracker.Feed(chunk);
            previous = ExtractPositionText(ChunkText(chunk), previous);
            (void)ParsePosition(previous);
            const ProgressBars bars = tracker.Bars();
            FUZZ_CHECK(bars.current >= 0 && bars.current <= 100);
            FUZZ_CHECK(bars.total >= 0 && bars.total <= 100);
        }
    }
    return 0;
}
