// The chapter list and the chapters' ffmetadata text: any bytes parse or are refused; a parsed
// list written again reads back the same; the ffmetadata text, read the way ffmpeg reads it
// (a backslash keeps the next character, a line break included), gives back every chapter
// with its title, their starts rising.
#include "FuzzTarget.h"
#include "encoder/plan/Chapters.h"
#include "settings/ChapterList.h"

#include <QStringList>

namespace {

// The lines of an ffmetadata text as ffmpeg's reader sees them, escapes resolved.
QStringList MetadataLines(const QString &text)
{
    QStringList lines;
    QString line;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == u'\\' && i + 1 < text.size()) {
            line += text.at(++i);
        } else if (text.at(i) == u'\n') {
            lines << line;
            line.clear();
        } else {
            line += text.at(i);
        }
    }
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = FuzzBytes(data, size);
    QString error;
    const auto entries = ParseChapterList(bytes, &error);
    if (!entries)
        return 0;
    FUZZ_CHECK(ParseChapterList(ChapterListText(*entries), &error) == entries);

    // Every entry an input of a length taken from its title; every other one with chapters of
    // its own, named after the sources' pieces.
    std::vector<ChapterInput> inputs;
    int64_t at = 0;
    for (size_t i = 0; i < entries->size(); ++i) {
        const ChapterListEntry &e = (*entries)[i];
        ChapterInput in {e.title, {}, at, at + 1000 * (e.title.size() % 7)};
        if (i % 2)
            for (const QString &piece : e.source.split(u'/'))
                in.own.push_back({int64_t(piece.size()) * 97 - 100, piece});
        at = in.endUs;
        inputs.push_back(in);
    }
    const std::vector<Chapter> chapters = BuildChapters(inputs, at);
    const QStringList lines = MetadataLines(QString::fromUtf8(FfmetadataText(chapters)));
    FUZZ_CHECK(lines.size() == 1 + 5 * qsizetype(chapters.size()));
    for (size_t k = 0; k < chapters.size(); ++k) {
        FUZZ_CHECK(lines.at(qsizetype(1 + 5 * k)) == QStringLiteral("[CHAPTER]"));
        FUZZ_CHECK(lines.at(qsizetype(5 + 5 * k)) == QStringLiteral("title=") + chapters[k].title);
        FUZZ_CHECK(chapters[k].endUs >= chapters[k].startUs);
        FUZZ_CHECK(chapters[k].title.toUtf8().size() <= kChapterTitleBytes);
        if (k > 0)
            FUZZ_CHECK(chapters[k].startUs > chapters[k - 1].startUs);
    }
    return 0;
}
