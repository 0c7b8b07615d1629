#include "encoder/routes/ChapterFile.h"

#include "encoder/input/ChapterReader.h"
#include "encoder/plan/Chapters.h"
#include "encoder/run/ConsoleOut.h"
#include "encoder/run/Mp4ChapterList.h"
#include "settings/ChapterList.h"

#include <QFile>

#include <cmath>
#include <limits>

namespace {

struct Loaded
{
    std::vector<ChapterListEntry> entries;
    std::vector<std::optional<ChapterFacts>> sources; // own chapters of each entry's source
};

// The program's list, one entry per input, and the chapters of the original inputs.
std::optional<Loaded> LoadList(const EncoderOptions &options, QString *error)
{
    QFile file(options.chapterList);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("Cannot read the chapter list %1").arg(options.chapterList);
        return std::nullopt;
    }
    auto entries = ParseChapterList(file.readAll(), error);
    if (!entries)
        return std::nullopt;
    if (qsizetype(entries->size()) != options.inputs.size()) {
        *error = QStringLiteral("The chapter list names %1 files; %2 are joined")
                     .arg(entries->size())
                     .arg(options.inputs.size());
        return std::nullopt;
    }
    return Loaded {*entries, {}};
}

// Reads the chapters of each entry's source; an input that is its own source and was read
// already (known, by its place) is not read again. A source that cannot be read gives its
// input the chapter of its name alone.
void ReadSources(Loaded &loaded, const QStringList &inputs = {},
                 const std::vector<std::optional<ChapterFacts>> &known = {})
{
    loaded.sources.assign(loaded.entries.size(), std::nullopt);
    QStringList paths;
    std::vector<size_t> places;
    for (size_t i = 0; i < loaded.entries.size(); ++i) {
        const QString &source = loaded.entries[i].source;
        if (i < known.size() && qsizetype(i) < inputs.size() && inputs.at(qsizetype(i)) == source) {
            loaded.sources[i] = known[i];
        } else {
            paths << source;
            places.push_back(i);
        }
    }
    QStringList reasons;
    auto read = ReadChapterFacts(paths, false, &reasons);
    for (size_t k = 0; k < places.size(); ++k)
        loaded.sources[places[k]] = std::move(read[k]);
}

std::vector<OwnChapter> OwnChapters(const Loaded &loaded, size_t i)
{
    return loaded.sources[i] ? loaded.sources[i]->chapters : std::vector<OwnChapter> {};
}

int64_t FramesToUs(int64_t frames, const Fraction &fps)
{
    return std::llround(double(frames) * 1e6 * double(fps.den) / double(fps.num));
}

} // namespace

bool ChapterFile::CheckList(const EncoderOptions &options, QString *error)
{
    return options.chapterList.isEmpty() || LoadList(options, error).has_value();
}

bool ChapterFile::PrepareFromPlan(const EncoderOptions &options, const OutputPlan &plan,
                                  QString *error)
{
    if (options.chapterList.isEmpty() || !MuxerHoldsChapters(plan.muxer))
        return true;
    auto loaded = LoadList(options, error);
    if (!loaded)
        return false;
    ReadSources(*loaded);
    const int64_t endUs = std::llround(plan.totalSeconds * 1e6);
    std::vector<ChapterInput> inputs;
    int64_t frames = 0;
    for (size_t i = 0; i < loaded->entries.size(); ++i) {
        const int64_t count = i < plan.segmentFrames.size() ? plan.segmentFrames[i] : 0;
        const bool open = count == 0 && plan.lengthUnknown && i + 1 == loaded->entries.size();
        const int64_t start = FramesToUs(frames, plan.fps);
        // A file's chapter ends where the fade into the next one begins.
        frames += count - (i + 1 < loaded->entries.size() ? plan.crossfadeFrames : 0);
        inputs.push_back(
            {loaded->entries[i].title, OwnChapters(*loaded, i), start,
             open ? std::numeric_limits<int64_t>::max() : FramesToUs(frames, plan.fps)});
    }
    m_chapters = BuildChapters(inputs, endUs);
    return Write(FfmetadataText(m_chapters), error);
}

bool ChapterFile::PrepareForCopy(const EncoderOptions &options, const QString &muxer,
                                 QString *error,
                                 const std::vector<std::optional<double>> &cutSeconds)
{
    if (options.chapterList.isEmpty() || !MuxerHoldsChapters(muxer))
        return true;
    auto loaded = LoadList(options, error);
    if (!loaded)
        return false;
    QStringList reasons;
    const auto files = ReadChapterFacts(options.inputs, true, &reasons);
    ReadSources(*loaded, options.inputs, files);
    std::vector<ChapterInput> inputs;
    // ffmpeg starts the output where the first file's earliest packet is.
    const auto cut = [&](size_t i) { return i < cutSeconds.size() ? cutSeconds[i] : std::nullopt; };
    const int64_t lead = !files.empty() && files[0] && !cut(0) ? files[0]->leadUs : 0;
    int64_t placed = 0; // where the concat demuxer starts the next file
    for (size_t i = 0; i < files.size(); ++i) {
        if (const auto kept = cut(i)) {
            const int64_t end = placed + std::llround(*kept * 1e6);
            inputs.push_back({loaded->entries[i].title, {}, lead + placed, lead + end});
            placed = end;
            continue;
        }
        if (!files[i] || files[i]->durationUs < 0) {
            // The demuxer then counts the length by the file's last packet, which only the
            // copy itself reads: the chapters stop here rather than point elsewhere.
            m_notes << QStringLiteral("No chapters from %1 on: its length is not known")
                           .arg(options.inputs.at(qsizetype(i)));
            break;
        }
        const int64_t end = placed + files[i]->durationUs;
        inputs.push_back({loaded->entries[i].title, OwnChapters(*loaded, i),
                          lead + placed + files[i]->firstFrameUs, lead + end});
        placed = end;
    }
    m_chapters = BuildChapters(inputs, lead + placed);
    return Write(FfmetadataText(m_chapters), error);
}

bool ChapterFile::Write(const QByteArray &text, QString *error)
{
    QString why;
    if (m_text.Hold(text, &why))
        return true;
    *error = QStringLiteral("Cannot hand over the chapters: %1").arg(why);
    return false;
}

bool ChaptersAfterCopy::Start(const EncoderOptions &options, const QString &muxer, QString *error)
{
    if (options.chapterList.isEmpty())
        return true;
    if (!ChapterFile::CheckList(options, error))
        return false;
    m_prepared = std::async(std::launch::async, [this, &options, muxer] {
        return m_file.PrepareForCopy(options, muxer, &m_error);
    });
    return true;
}

bool ChaptersAfterCopy::WriteInto(const QByteArray &path, bool quickTime, QString *error)
{
    if (!m_prepared.valid())
        return true;
    if (!m_prepared.get()) {
        *error = m_error;
        return false;
    }
    for (const QString &note : m_file.Notes())
        ConsoleSay(QStringLiteral("Note: ") + note);
    return m_file.Chapters().empty()
        || WriteMp4ChapterList(path, m_file.Chapters(), quickTime, error);
}

QStringList WithChapters(QStringList args, const QString &metadataPath)
{
    const qsizetype last = args.lastIndexOf(QStringLiteral("-i"));
    if (last < 0 || last + 1 >= args.size())
        return args;
    qsizetype at = last + 2;
    QStringList chapters;
    if (metadataPath.isEmpty()) {
        chapters << QStringLiteral("-map_chapters") << QStringLiteral("-1");
    } else {
        const qsizetype inputs = args.count(QStringLiteral("-i"));
        chapters << QStringLiteral("-f") << QStringLiteral("ffmetadata") << QStringLiteral("-i")
                 << QStringLiteral("file:") + metadataPath << QStringLiteral("-map_chapters")
                 << QString::number(inputs);
    }
    for (const QString &a : chapters)
        args.insert(at++, a);
    return args;
}
