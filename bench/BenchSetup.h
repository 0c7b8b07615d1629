#pragma once
// What every benchmark starts with: the process prepared as the tests prepare theirs, the
// application object, its arguments read by position (1 is the first), and a work folder of
// its own that is removed at the end.

#include "common/TestSupport.h"
#include "profiles/OptionBuilder.h"
#include "profiles/ProfileCatalogue.h"
#include "profiles/ProfileSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

namespace qvj::bench {

class Bench
{
public:
    Bench(int &argc, char **argv)
        : m_prepared((test::PrepareProcess(), true))
        , m_app(argc, argv)
        , m_argc(argc)
        , m_argv(argv)
    {
    }

    bool Given(int index) const { return index < m_argc && *m_argv[index]; }
    // The argument as a whole number, at least least; fallback when it is not given.
    int Int(int index, int fallback, int least = INT_MIN) const
    {
        return Given(index) ? std::max(least, std::atoi(m_argv[index])) : fallback;
    }
    double Number(int index, double fallback, double least) const
    {
        return Given(index) ? std::max(least, std::atof(m_argv[index])) : fallback;
    }
    QString Text(int index, const QString &fallback) const
    {
        return Given(index) ? QString::fromLocal8Bit(m_argv[index]) : fallback;
    }
    // The work folder, ending in "/"; empty when it could not be made.
    QString Root() const { return m_work.isValid() ? m_work.path() + QLatin1Char('/') : QString(); }

private:
    bool m_prepared;
    QCoreApplication m_app;
    int m_argc;
    char **m_argv;
    QTemporaryDir m_work {QDir::tempPath() + QStringLiteral("/qvj-bench-XXXXXX")};
};

// A profile's values for the encoder's command lines, as quintor-join makes them.
struct ProfileValues
{
    QString size; // the conversion's picture size
    QString options; // the join's options
};

// The values of the named profile of the program directory; nothing, after saying so, when
// there is no such profile.
inline std::optional<ProfileValues> LoadProfileValues(const QString &program, const QString &name)
{
    const ProfileCatalogue catalogue = ProfileCatalogue::List(program);
    const qsizetype index = catalogue.Names().indexOf(name);
    if (index < 0) {
        std::fprintf(stderr, "No profile %s in %s.\n", qPrintable(name), qPrintable(program));
        return std::nullopt;
    }
    const QString path = catalogue.PathOf(int(index));
    ProfileSettings settings;
    settings.LoadProfile(path);
    return ProfileValues {GetVideoSizeValue(settings, path), BuildEncoderOptions(settings, path)};
}

// The middle of the values (the upper one of an even count); 0 for none.
inline double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// A 1080p clip as a phone writes it (H.264 at 8 Mbit/s, AAC 48 kHz stereo at 192 kbit/s), of
// that many seconds at that rate; extra arguments (a keyframe interval, say) go before the
// name. Says why when it cannot be made.
inline bool MakePhoneClip(const QString &path, int seconds,
                          const QString &rate = QStringLiteral("30000/1001"),
                          const QStringList &extra = {})
{
    const QString args = QStringLiteral(
        "-hide_banner -loglevel error -y -f lavfi -i testsrc2=s=1920x1080:r=%2:d=%1 -f lavfi -i "
        "sine=f=440:sample_rate=48000:d=%1 -ac 2 -c:v libx264 -preset ultrafast -b:v 8M -maxrate "
        "8M -bufsize 16M -c:a aac -b:a 192k");
    QString output;
    const int code = test::RunProgram(
        QStringLiteral("ffmpeg"),
        args.arg(seconds).arg(rate).split(QLatin1Char(' ')) + extra << path, &output, 3600 * 1000);
    if (code != 0)
        std::fprintf(stderr, "Cannot make %s: %s\n", qPrintable(path), qPrintable(output));
    return code == 0;
}

} // namespace qvj::bench
