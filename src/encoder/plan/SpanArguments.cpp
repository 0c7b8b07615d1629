#include "encoder/plan/SpanArguments.h"

#include "encoder/plan/FilterGraph.h"
#include "encoder/run/OutputFile.h"
#include "platform/RawNames.h"

QStringList SpanArguments(const Span &span, const FitSettings &kind, const InputMedia &media,
                          const QString &muxer, const QString &target)
{
    if (span.from != 0 || span.to || span.Copied())
        return {};
    const OutputPlan plan = FitPlan(kind, muxer, media);
    QStringList args;
    InputMedia placed = media;
    if (!span.encodePicture) {
        // A copied picture cannot be moved by a filter: the whole input is moved so that the
        // picture's first frame is at zero, and the sound's chain needs no offset of its own.
        if (const double offset = PictureOffset(media); offset > 0)
            args << QStringLiteral("-itsoffset") << QString::number(-offset, 'f', 6);
        placed.videoStart = placed.formatStart;
    }
    args << QStringLiteral("-i") << QStringLiteral("file:") + OpenablePath(media.path);
    const InputChains chains = BuildInputChains(plan, placed, 0);
    const bool sound = !kind.audioCodec.isEmpty();
    QStringList graph, maps {QStringLiteral("-map")};
    if (span.encodePicture) {
        graph << chains.video + FitPictureTail(kind) + QStringLiteral("[vout]");
        maps << QStringLiteral("[vout]");
    } else {
        maps << QStringLiteral("0:%1").arg(media.videoStream);
    }
    QString soundChain = chains.audio;
    if (plan.lengthUnknown && sound && span.encodeSound && !span.encodePicture) {
        // A copied picture whose length the file does not state: the sound runs on, padded
        // with silence, and ends with the picture. (An encoded picture never ends an endless
        // sound of the same graph; its sound stays as the filter graph makes it.)
        soundChain = media.hasAudio ? chains.audio + QStringLiteral(",apad")
                                    : QStringLiteral("anullsrc=r=%1:cl=%2")
                                          .arg(plan.sampleRate)
                                          .arg(ChannelLayout(plan.channels));
        maps << QStringLiteral("-shortest");
    }
    if (sound && span.encodeSound) {
        graph << soundChain + QStringLiteral("[aout]");
        maps << QStringLiteral("-map") << QStringLiteral("[aout]");
    } else if (sound && media.hasAudio) {
        maps << QStringLiteral("-map") << QStringLiteral("0:%1").arg(media.audioStream);
    }
    if (!graph.isEmpty())
        args << QStringLiteral("-filter_complex") << graph.join(u';');
    args << maps
         << (span.encodePicture ? FitPictureArguments(kind)
                                : QStringList {QStringLiteral("-c:v"), QStringLiteral("copy")});
    if (sound && !span.encodeSound)
        args << QStringLiteral("-c:a") << QStringLiteral("copy");
    else
        args << FitSoundArguments(kind);
    return args << QStringLiteral("-f") << muxer << WriterArguments(target);
}
