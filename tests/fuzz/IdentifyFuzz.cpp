// The encoder's answer to "-identify" as the program reads it, and ffprobe's answer as the
// encoder reads it: any text gives facts (or a refusal) without a fault, and the comparison of
// whatever facts came out names every file at most once.
#include "FuzzTarget.h"
#include "encoder/Identify.h"
#include "pipeline/SourceFit.h"

#include <QString>

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = FuzzBytes(data, size);
    const std::vector<SourceFacts> facts = ParseIdentifyOutput(QString::fromUtf8(bytes));
    QStringList names;
    for (size_t i = 0; i < facts.size(); ++i)
        names << QStringLiteral("f%1").arg(i);
    for (const char *extension : {".mp4", ".mkv"})
        FUZZ_CHECK(SourceMisfits(facts, names, QString::fromLatin1(extension)).size()
                   <= qsizetype(facts.size()));
    QString error;
    const auto file = ParseIdentifyProbe(QStringLiteral("/v/x.mp4"), bytes, &error);
    if (file) {
        const std::vector<SourceFacts> again
            = ParseIdentifyOutput(IdentifyLines(*file).join(QLatin1Char('\n')));
        // What the encoder says, the program reads back.
        FUZZ_CHECK(again.size() == 1 && again.front().width == file->width);
    } else {
        FUZZ_CHECK(!error.isEmpty()); // a refusal always says why
    }
    return 0;
}
