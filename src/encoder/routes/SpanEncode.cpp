#include "encoder/routes/SpanEncode.h"

#include "encoder/plan/FfmpegArguments.h"
#include "encoder/plan/FilterGraph.h"
#include "encoder/plan/InputCut.h"
#include "encoder/run/OutputFile.h"
#include "platform/Mp4Boxes.h"
#include "platform/RawNames.h"

#include <QFile>
#include <QtEndian>

#include <fcntl.h>
#include <unistd.h>

SpanEncode EncodeSpanArguments(const FitSettings &fit, const QString &muxer,
                               const InputMedia &media, const QString &target,
                               const QStringList &outputOptions)
{
    const OutputPlan plan = FitPlan(fit, muxer, media);
    const InputChains chains = BuildInputChains(plan, media, 0);
    const bool sound = !fit.audioCodec.isEmpty();
    QString graph = chains.video + FitPictureTail(fit) + QStringLiteral("[vout]");
    if (sound)
        graph += QLatin1Char(';') + chains.audio + QStringLiteral("[aout]");
    QStringList args = ProgressRunArguments();
    args << InputCutArguments(media) << QStringLiteral("-i")
         << QStringLiteral("file:") + OpenablePath(media.path) << QStringLiteral("-filter_complex")
         << graph << QStringLiteral("-map") << QStringLiteral("[vout]");
    if (sound)
        args << QStringLiteral("-map") << QStringLiteral("[aout]");
    return {WithOutputOptions(args + FitEncodeArguments(fit, muxer, target), outputOptions),
            plan.totalSeconds};
}

// Writes the turn into the first track's header of an MP4 or MOV file (the picture's track,
// as the fit writes it): this ffmpeg writes no turn it is given for an encoded picture.
bool MarkTurn(const QByteArray &path, int rotation)
{
    // Opened by its bytes: the hidden file's name need not be UTF-8.
    const int fd = ::open(path.constData(), O_RDWR | O_CLOEXEC);
    QFile file;
    if (fd < 0 || !file.open(fd, QIODevice::ReadWrite, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    const auto moov = FindMp4Box(file, 0, file.size(), "moov");
    const auto trak = moov ? FindMp4Box(file, moov->at + 8, moov->End(), "trak") : std::nullopt;
    const auto tkhd = trak ? FindMp4Box(file, trak->at + 8, trak->End(), "tkhd") : std::nullopt;
    if (!tkhd || !file.seek(tkhd->at + 8))
        return false;
    const QByteArray version = file.read(1);
    // After version and flags: times, track, duration (longer in version 1), then layer,
    // group, volume and a reserved field.
    const qint64 matrix = tkhd->at + 8 + 4 + (version == QByteArray(1, '\1') ? 32 : 20) + 16;
    if (matrix + 36 > tkhd->End())
        return false;
    const qint32 one = 0x10000;
    qint32 m[9] = {one, 0, 0, 0, one, 0, 0, 0, 0x40000000};
    if (rotation == 90)
        m[0] = 0, m[1] = one, m[3] = -one, m[4] = 0;
    else if (rotation == 180)
        m[0] = -one, m[4] = -one;
    else if (rotation == 270)
        m[0] = 0, m[1] = -one, m[3] = one, m[4] = 0;
    QByteArray bytes(36, '\0');
    for (int i = 0; i < 9; ++i)
        qToBigEndian<qint32>(m[i], bytes.data() + 4 * i);
    return file.seek(matrix) && file.write(bytes) == bytes.size() && file.flush();
}
