#pragma once
// What a joined file states of its recording: the first input's date, place and device, as
// the output's format can hold them.

#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

// A file's global tags as ffmpeg names them (key, value), in the file's order.
using FileTags = std::vector<std::pair<QString, QString>>;

// The recording time the tags state, as UTC "yyyy-MM-ddTHH:mm:ss.zzzZ": the container's
// creation time, else a phone's stated creation date, else a stated date (a date alone is
// taken as its midnight in UTC); empty when none of them reads as a time.
QString RecordingTime(const FileTags &tags);

// The writer's output options that give a file of muxer (ffmpeg's name) the recording facts
// of tags: "-metadata key=value" for the time, the place and the device where the format has
// a place for them, and for MP4 and MOV the flag that writes keys beyond the usual ones.
QStringList RecordingArguments(const FileTags &tags, const QString &muxer);

// The writer's output options that give a file of muxer every global tag of its input number
// input as they are (the recording time among them, which ffmpeg otherwise leaves out), for a
// writer that reads the tags itself.
QStringList CopiedTagArguments(int input, const QString &muxer);
