#include "encoder/plan/RecordingTags.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QTimeZone>

namespace {

// The value of the first tag named key, in any case; empty when there is none.
QString Value(const FileTags &tags, const QString &key)
{
    for (const auto &[k, v] : tags)
        if (k.compare(key, Qt::CaseInsensitive) == 0 && !v.trimmed().isEmpty())
            return v.trimmed();
    return {};
}

// A stated time as a moment: ISO 8601 with or without a zone (none: UTC), with any number of
// second fractions, a zone written "+0200" as phones write it, or a date alone.
QDateTime ParseTime(QString text)
{
    text.replace(QLatin1Char(' '), QLatin1Char('T'));
    // A zone "+hhmm" after a time becomes "+hh:mm", which the ISO reader takes.
    static const QRegularExpression zone(QStringLiteral("(T[0-9:.]+[+-]\\d{2})(\\d{2})$"));
    text.replace(zone, QStringLiteral("\\1:\\2"));
    // Fractions beyond milliseconds are cut to them.
    static const QRegularExpression fraction(QStringLiteral("(\\.\\d{3})\\d+"));
    text.replace(fraction, QStringLiteral("\\1"));
    QDateTime time = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!time.isValid()) {
        const QDate day = QDate::fromString(text, Qt::ISODate);
        if (day.isValid())
            time = QDateTime(day, QTime(0, 0), QTimeZone::utc());
    }
    if (time.isValid() && time.timeSpec() == Qt::LocalTime)
        time.setTimeZone(QTimeZone::utc());
    // A header's zero (1904 or 1970) is no recording date.
    if (!time.isValid() || time.date().year() <= 1970)
        return {};
    return time.toUTC();
}

bool OneOf(const QString &muxer, std::initializer_list<const char16_t *> names)
{
    for (const char16_t *name : names)
        if (muxer == QStringView(name))
            return true;
    return false;
}

} // namespace

QString RecordingTime(const FileTags &tags)
{
    for (const QString &key :
         {QStringLiteral("creation_time"), QStringLiteral("com.apple.quicktime.creationdate"),
          QStringLiteral("date_recorded"), QStringLiteral("date")}) {
        const QDateTime time = ParseTime(Value(tags, key));
        if (time.isValid())
            return time.toString(Qt::ISODateWithMs);
    }
    return {};
}

QStringList CopiedTagArguments(int input, const QString &muxer)
{
    QStringList args {QStringLiteral("-map_metadata"), QString::number(input)};
    // The tags are not known here: MP4 and MOV write all of them as named keys, so that a
    // device and a phone's own keys are not dropped.
    if (OneOf(muxer, {u"mp4", u"mov", u"ipod", u"3gp"}))
        args << QStringLiteral("-movflags") << QStringLiteral("+use_metadata_tags");
    return args;
}

QStringList RecordingArguments(const FileTags &tags, const QString &muxer)
{
    QStringList args;
    auto state = [&args](const QString &key, const QString &value) {
        if (!value.isEmpty())
            args << QStringLiteral("-metadata") << key + u'=' + value;
    };
    const QString time = RecordingTime(tags);
    // AVI's information list has a creation date and no field for a place or a device.
    if (muxer == u"avi") {
        state(QStringLiteral("date"), time);
        return args;
    }
    state(QStringLiteral("creation_time"), time);
    if (!OneOf(muxer, {u"mp4", u"mov", u"ipod", u"3gp", u"matroska", u"webm"}))
        return args;

    // A phone's own keys are kept as it wrote them, and the place and device also under the
    // common names that other readers know.
    const QString appleLocation
        = Value(tags, QStringLiteral("com.apple.quicktime.location.ISO6709"));
    const QString appleMake = Value(tags, QStringLiteral("com.apple.quicktime.make"));
    const QString appleModel = Value(tags, QStringLiteral("com.apple.quicktime.model"));
    const QString location = Value(tags, QStringLiteral("location"));
    const QString make = Value(tags, QStringLiteral("make"));
    const QString model = Value(tags, QStringLiteral("model"));
    state(QStringLiteral("location"), location.isEmpty() ? appleLocation : location);
    state(QStringLiteral("make"), make.isEmpty() ? appleMake : make);
    state(QStringLiteral("model"), model.isEmpty() ? appleModel : model);
    state(QStringLiteral("com.apple.quicktime.creationdate"),
          Value(tags, QStringLiteral("com.apple.quicktime.creationdate")));
    state(QStringLiteral("com.apple.quicktime.location.ISO6709"), appleLocation);
    state(QStringLiteral("com.apple.quicktime.make"), appleMake);
    state(QStringLiteral("com.apple.quicktime.model"), appleModel);
    // MP4 and MOV write a device and a phone's keys only as named keys.
    const bool named = !make.isEmpty() || !model.isEmpty() || !appleLocation.isEmpty()
        || !appleMake.isEmpty() || !appleModel.isEmpty()
        || !Value(tags, QStringLiteral("com.apple.quicktime.creationdate")).isEmpty();
    if (named && OneOf(muxer, {u"mp4", u"mov", u"ipod", u"3gp"}))
        args << QStringLiteral("-movflags") << QStringLiteral("+use_metadata_tags");
    return args;
}
