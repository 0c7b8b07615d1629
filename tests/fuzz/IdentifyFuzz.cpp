// The encoder's answer to "-identify" as the program reads it: any text gives facts (or a
// refusal) without a fault, and the comparison of whatever facts came out names every file at
// most once. Whatever text a damaged file puts in the facts the encoder states, the program
// reads back one file with the facts stated.
#include "FuzzTarget.h"
#include "encoder/input/Identify.h"
#include "encoder/plan/FitSettings.h"
#include "encoder/plan/TrackMaps.h"
#include "pipeline/checks/FitDecision.h"
#include "pipeline/checks/SourceFit.h"

#include <QString>

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = FuzzBytes(data, size);
    const QString text = QString::fromUtf8(bytes);
    const std::vector<SourceFacts> facts = ParseIdentifyOutput(text);
    QStringList names;
    for (size_t i = 0; i < facts.size(); ++i)
        names << QStringLiteral("f%1").arg(i);
    for (const char *extension : {".mp4", ".mkv"}) {
        FUZZ_CHECK(SourceMisfits(facts, names, QString::fromLatin1(extension)).size()
                   <= qsizetype(facts.size()));
        // Settings for converting the odd files are ones the encoder accepts, one word long.
        const FitDecision fit = DecideFit(facts, names, QString::fromLatin1(extension));
        if (fit.CanConvert()) {
            QString error;
            FUZZ_CHECK(!fit.settings.contains(QLatin1Char(' ')));
            FUZZ_CHECK(ParseFitSettings(fit.settings, &error).has_value());
        }
    }

    const QStringList parts = text.split(QLatin1Char('|'));
    const auto part = [&parts](qsizetype i) { return parts.value(i % parts.size()); };
    IdentifiedFile file;
    file.path = part(0);
    file.demuxer = part(1);
    file.hasVideo = true;
    file.videoCodec = part(2);
    file.videoProfile = part(3);
    file.width = 1920;
    file.height = 1080;
    file.pixelFormat = part(4);
    file.hasAudio = true;
    file.audioCodec = part(5);
    file.channelLayout = part(6);
    // Tracks whose language, title and codec are whatever a damaged file states come back as
    // stated, each once, with a line break read as a blank.
    IdentifiedTrack sound;
    sound.stream = 2;
    sound.language = part(7);
    sound.name = part(8);
    IdentifiedTrack subtitle;
    subtitle.kind = IdentifiedTrack::Kind::Subtitle;
    subtitle.stream = 3;
    subtitle.codec = part(9);
    file.tracks = {sound, subtitle};
    const std::vector<SourceFacts> again
        = ParseIdentifyOutput(IdentifyLines(file).join(QLatin1Char('\n')));
    FUZZ_CHECK(again.size() == 1 && again.front().width == 1920 && again.front().height == 1080);
    const auto flat = [](QString s) { return s.replace(u'\n', u' ').replace(u'\r', u' '); };
    FUZZ_CHECK(again.front().tracks.size() == 2
               && again.front().tracks.front().language == flat(part(7))
               && again.front().tracks.front().name == flat(part(8)));
    // Every map of a copy names a stream, whatever the tracks' codecs.
    for (const char *muxer : {"mp4", "matroska", "avi"}) {
        const QStringList args = PlanTracks(file.tracks, QString::fromLatin1(muxer)).arguments;
        for (qsizetype i = 0; i < args.size(); ++i)
            if (args.at(i) == u"-map")
                FUZZ_CHECK(i + 1 < args.size() && args.at(i + 1).startsWith(u"0:"));
    }
    return 0;
}
