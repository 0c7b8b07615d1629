// Any bytes as an MP4 file's header: the tags read are bounded by the file, and whatever they
// are, the recording options made of them only state known keys.
#include "FuzzTarget.h"
#include "encoder/input/Mp4Tags.h"

#include <QBuffer>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray bytes = FuzzBytes(data, size);
    QBuffer file(&bytes);
    file.open(QIODevice::ReadOnly);
    const auto tags = ReadMp4Tags(file);
    if (!tags)
        return 0;
    for (const auto &[key, value] : *tags)
        FUZZ_CHECK(key.size() + value.size() <= qsizetype(size) * 2 + 64);
    const QStringList args = RecordingArguments(*tags, QStringLiteral("mp4"));
    FUZZ_CHECK(args.size() % 2 == 0);
    return 0;
}
