#include "encoder/plan/FitTracks.h"

#include <QStringList>

std::optional<std::vector<FitTrack>> ParseFitTracks(const QString &text)
{
    static const QStringList codecs {QStringLiteral("aac"), QStringLiteral("ac3"),
                                     QStringLiteral("mp3"), QStringLiteral("opus")};
    std::vector<FitTrack> tracks;
    for (const QString &item : text.split(u'_')) {
        if (item == u"s") {
            tracks.emplace_back().sound = false;
            continue;
        }
        const QStringList parts = item.split(u'/');
        bool rateOk = false, channelsOk = false;
        FitTrack t;
        t.codec = parts.value(1);
        t.sampleRate = parts.value(2).toInt(&rateOk);
        t.channels = parts.value(3).toInt(&channelsOk);
        t.channelLayout = parts.value(4);
        if (parts.size() < 4 || parts.size() > 5 || parts[0] != u"a" || !codecs.contains(t.codec)
            || !rateOk || t.sampleRate < 8000 || t.sampleRate > 192000 || !channelsOk
            || t.channels < 1 || t.channels > 8)
            return std::nullopt;
        tracks.push_back(t);
    }
    return tracks;
}
