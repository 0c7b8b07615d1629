// A file's tags as the recording facts of a join: any keys and values give options that only
// ever state known keys, and a recording time that is a UTC time read back as itself.
#include "FuzzTarget.h"
#include "encoder/plan/RecordingTags.h"

#include <QDateTime>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The first line names the output's format; each further line is a tag "key=value".
    const QList<QByteArray> lines = FuzzBytes(data, size).split('\n');
    const QString muxer = QString::fromUtf8(lines.value(0));
    FileTags tags;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype equals = lines[i].indexOf('=');
        tags.push_back({QString::fromUtf8(lines[i].left(equals)),
                        QString::fromUtf8(equals < 0 ? QByteArray() : lines[i].mid(equals + 1))});
    }

    const QString time = RecordingTime(tags);
    if (!time.isEmpty()) {
        FUZZ_CHECK(time.endsWith(u'Z'));
        FUZZ_CHECK(QDateTime::fromString(time, Qt::ISODateWithMs).isValid());
        FUZZ_CHECK(RecordingTime({{QStringLiteral("creation_time"), time}}) == time);
    }
    static const QStringList known {QStringLiteral("creation_time"),
                                    QStringLiteral("date"),
                                    QStringLiteral("location"),
                                    QStringLiteral("make"),
                                    QStringLiteral("model"),
                                    QStringLiteral("com.apple.quicktime.creationdate"),
                                    QStringLiteral("com.apple.quicktime.location.ISO6709"),
                                    QStringLiteral("com.apple.quicktime.make"),
                                    QStringLiteral("com.apple.quicktime.model")};
    const QStringList args = RecordingArguments(tags, muxer);
    for (qsizetype i = 0; i < args.size(); i += 2) {
        FUZZ_CHECK(i + 1 < args.size());
        if (args[i] == u"-movflags")
            continue;
        FUZZ_CHECK(args[i] == u"-metadata");
        FUZZ_CHECK(known.contains(args[i + 1].section(u'=', 0, 0)));
        FUZZ_CHECK(!args[i + 1].section(u'=', 1).isEmpty());
    }
    return 0;
}
