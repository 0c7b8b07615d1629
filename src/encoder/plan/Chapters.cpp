#include "encoder/plan/Chapters.h"

#include <algorithm>

namespace {

QString CleanTitle(QString title)
{
    title.remove(QChar(0));
    if (title.toUtf8().size() <= kChapterTitleBytes)
        return title;
    // Cut whole characters (a surrogate pair is one) until the UTF-8 fits.
    qsizetype bytes = 0, keep = 0;
    while (keep < title.size()) {
        const qsizetype step = title.at(keep).isHighSurrogate() && keep + 1 < title.size()
                && title.at(keep + 1).isLowSurrogate()
            ? 2
            : 1;
        const qsizetype size = title.mid(keep, step).toUtf8().size();
        if (bytes + size > kChapterTitleBytes)
            break;
        bytes += size;
        keep += step;
    }
    return title.left(keep);
}

QString Escaped(const QString &title)
{
    QString out;
    out.reserve(title.size());
    for (const QChar c : title) {
        if (c == u'=' || c == u';' || c == u'#' || c == u'\\' || c == u'\n' || c == u'\r')
            out += u'\\';
        out += c;
    }
    return out;
}

} // namespace

std::vector<Chapter> BuildChapters(const std::vector<ChapterInput> &inputs, int64_t outputEndUs)
{
    std::vector<Chapter> chapters;
    const auto add = [&](int64_t start, const QString &title) {
        // Starts rise strictly: a chapter where the last one began would hide it.
        if (!chapters.empty() && start <= chapters.back().startUs)
            return;
        chapters.push_back({start, start, CleanTitle(title)});
    };
    for (const ChapterInput &in : inputs) {
        if (in.endUs <= in.startUs)
            continue;
        if (in.own.empty()) {
            add(in.startUs, in.title);
            continue;
        }
        std::vector<OwnChapter> own = in.own;
        std::stable_sort(own.begin(), own.end(), [](const OwnChapter &a, const OwnChapter &b) {
            return a.startUs < b.startUs;
        });
        for (size_t k = 0; k < own.size(); ++k) {
            const int64_t offset = k == 0 ? 0 : std::max<int64_t>(0, own[k].startUs);
            if (offset >= in.endUs - in.startUs)
                break;
            add(in.startUs + offset, own[k].title.isEmpty() ? in.title : own[k].title);
        }
    }
    for (size_t k = 0; k < chapters.size(); ++k)
        chapters[k].endUs = k + 1 < chapters.size() ? chapters[k + 1].startUs
                                                    : std::max(outputEndUs, chapters[k].startUs);
    return chapters;
}

QByteArray FfmetadataText(const std::vector<Chapter> &chapters)
{
    QString text = QStringLiteral(";FFMETADATA1\n");
    for (const Chapter &c : chapters)
        text += QStringLiteral("[CHAPTER]\nTIMEBASE=1/1000000\nSTART=%1\nEND=%2\ntitle=%3\n")
                    .arg(c.startUs)
                    .arg(c.endUs)
                    .arg(Escaped(c.title));
    return text.toUtf8();
}

bool MuxerHoldsChapters(const QString &muxer)
{
    return muxer == u"matroska" || muxer == u"mp4" || muxer == u"mov";
}
