// What is wrong with a recording that cannot be read as a video, in words.
#include "tasks/RecordingLength.h"

#include "platform/Mp4Boxes.h"
#include "platform/Paths.h"
#include "platform/RawNames.h"

#include <QFile>

RecordingTrouble DiagnoseRecording(const QString &path, bool soundOnly)
{
    QFile file(OpenablePath(path));
    if (!file.open(QIODevice::ReadOnly))
        return RecordingTrouble::Unreadable;
    const qint64 size = file.size();
    if (size == 0)
        return RecordingTrouble::Empty;
    if (MatroskaLengthBeyondBelief(path))
        return RecordingTrouble::LengthBeyondBelief;
    // An MP4 or MOV is a row of boxes; the index ("moov") comes last when the recording ends
    // properly.
    bool boxes = false, index = false;
    for (qint64 at = 0;;) {
        const std::optional<Mp4Box> box = ReadMp4Box(file, at, size);
        static const QByteArrayList kinds {"ftyp", "mdat", "moov", "free", "skip",
                                           "wide", "moof", "uuid", "pnot"};
        if (!box || !kinds.contains(box->type))
            break;
        boxes = true;
        index = index || box->type == "moov";
        at = box->End();
    }
    if (boxes && !index)
        return RecordingTrouble::CutShort;
    return soundOnly ? RecordingTrouble::SoundOnly : RecordingTrouble::NotVideo;
}

QString RecordingTroubleText(const QString &path, RecordingTrouble trouble)
{
    const QString name = ShownName(ExtractFileName(path));
    switch (trouble) {
    case RecordingTrouble::Unreadable:
        return QStringLiteral("%1 cannot be opened for reading.").arg(name);
    case RecordingTrouble::Empty:
        return QStringLiteral("%1 is empty: it holds no bytes at all.").arg(name);
    case RecordingTrouble::CutShort:
        return QStringLiteral("%1 ends before its index was written: the recording was cut "
                              "short, and its pictures cannot be found without it.")
            .arg(name);
    case RecordingTrouble::LengthBeyondBelief:
        return QStringLiteral("%1 states a length its bytes cannot hold: its time stamps are "
                              "damaged, and its real length cannot be told.")
            .arg(name);
    case RecordingTrouble::SoundOnly:
        return QStringLiteral("%1 has no picture: it holds sound only.").arg(name);
    case RecordingTrouble::NotVideo:
        break;
    }
    return QStringLiteral("%1 is not a video file that can be read.").arg(name);
}
