#include "encoder/input/RecordingReader.h"

#include "encoder/input/MediaLibrary.h"

std::optional<FileTags> ReadFileTags(const QString &path, QString *error)
{
    const Libav &l = Library();
    Deadline deadline {std::chrono::steady_clock::now() + kFileTimeLimit};
    AVFormatContext *ctx = OpenFile(l, path, &deadline, error);
    if (!ctx)
        return std::nullopt;
    FileTags tags;
    const AVDictionaryEntry *entry = nullptr;
    while ((entry = l.dictGet(ctx->metadata, "", entry, AV_DICT_IGNORE_SUFFIX)))
        tags.push_back({QString::fromUtf8(entry->key), QString::fromUtf8(entry->value)});
    l.closeInput(&ctx);
    return tags;
}
