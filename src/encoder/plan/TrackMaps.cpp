#include "encoder/plan/TrackMaps.h"

namespace {

using Kind = IdentifiedTrack::Kind;

bool IsMp4(const QString &muxer)
{
    return muxer == u"mp4" || muxer == u"mov" || muxer == u"ipod";
}

bool IsTextSubtitle(const QString &codec)
{
    static const QStringList text {QStringLiteral("subrip"),  QStringLiteral("srt"),
                                   QStringLiteral("ass"),     QStringLiteral("ssa"),
                                   QStringLiteral("text"),    QStringLiteral("webvtt"),
                                   QStringLiteral("mov_text")};
    return text.contains(codec);
}

} // namespace

QStringList TrackOptions(const IdentifiedTrack &t, const QString &muxer, int place)
{
    const QString selector = (t.kind == Kind::Sound ? QStringLiteral("a:") : QStringLiteral("s:"))
        + QString::number(place);
    QStringList args {QStringLiteral("-disposition:") + selector,
                      t.isDefault ? QStringLiteral("default") : QStringLiteral("0")};
    if (!t.language.isEmpty())
        args << QStringLiteral("-metadata:s:") + selector
             << QStringLiteral("language=") + t.language;
    // MP4 and MOV keep a track's title as its handler's name; Matroska as its name.
    if (!t.name.isEmpty() && (IsMp4(muxer) || muxer == u"matroska"))
        args << QStringLiteral("-metadata:s:") + selector
             << (IsMp4(muxer) ? QStringLiteral("handler_name=") : QStringLiteral("title="))
                + t.name;
    return args;
}

QString SubtitleCodecFor(const QString &codec, const QString &muxer)
{
    if (IsMp4(muxer))
        return codec == u"mov_text" ? QStringLiteral("copy")
            : IsTextSubtitle(codec) ? QStringLiteral("mov_text")
                                    : QString();
    if (muxer == u"matroska" || muxer == u"webm")
        return codec == u"mov_text" || codec == u"text" ? QStringLiteral("srt")
                                                        : QStringLiteral("copy");
    return QString();
}

TrackPlan PlanTracks(const std::vector<IdentifiedTrack> &tracks, const QString &muxer)
{
    TrackPlan plan;
    QStringList maps {QStringLiteral("-map"), QStringLiteral("0:v:0")};
    QStringList options;
    int sounds = 0, subtitles = 0;
    QStringList leftOut;
    const auto leave = [&leftOut](const QString &what) {
        if (!leftOut.contains(what))
            leftOut << what;
    };
    const bool matroska = muxer == u"matroska";
    for (const IdentifiedTrack &t : tracks) {
        const QString map = QStringLiteral("0:%1").arg(t.stream);
        if (t.kind == Kind::Sound) {
            maps << QStringLiteral("-map") << map;
            options << TrackOptions(t, muxer, sounds++);
        } else if (t.kind == Kind::Subtitle) {
            const QString codec = SubtitleCodecFor(t.codec, muxer);
            if (codec.isEmpty()) {
                leave(QStringLiteral("%1 subtitles").arg(t.codec));
                continue;
            }
            maps << QStringLiteral("-map") << map;
            if (codec != u"copy")
                options << QStringLiteral("-c:s:%1").arg(subtitles) << codec;
            options << TrackOptions(t, muxer, subtitles++);
        } else if (t.kind == Kind::Attachment) {
            if (matroska)
                maps << QStringLiteral("-map") << map;
            else
                leave(QStringLiteral("attachments"));
        } else if (!(t.codec == u"tmcd" && IsMp4(muxer))) {
            // An MP4 or MOV file gets its timecode track again from the picture's timecode,
            // which the copy carries; no container here takes other data tracks from a copy.
            leave(QStringLiteral("%1 data tracks").arg(t.codec));
        }
    }
    plan.arguments = maps + QStringList {QStringLiteral("-c"), QStringLiteral("copy")} + options;
    const QString container = muxer == u"matroska" ? QStringLiteral("MKV") : muxer.toUpper();
    for (const QString &what : leftOut)
        plan.notes << QStringLiteral("%1 of the inputs are left out: %2 files cannot hold them")
                          .arg(what, container);
    return plan;
}
