// How much quintor-join adds to the encoder's own work: one join through quintor-join against
// the same asapi.dll command lines run directly by a shell script, in one run. Prints both
// median times and their ratio (the goal is at most 1.02). Never fails on time.
// Arguments: [clips (3)] [rounds (5)].
#include "common/TestSupport.h"
#include "pipeline/CommandLine.h"
#include "profiles/OptionBuilder.h"
#include "profiles/ProfileCatalogue.h"
#include "profiles/ProfileSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using namespace qvj::test;

QString ShellQuote(const QString &arg)
{
    QString quoted = arg;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

// One shell line that runs the encoder with the arguments of a command line text.
QString ShellLine(const QString &encoder, const QString &commandLine)
{
    QString line = ShellQuote(encoder);
    for (const QString &arg : SplitCommandLine(commandLine))
        line += QLatin1Char(' ') + ShellQuote(arg);
    return line + QStringLiteral(" >/dev/null 2>&1 </dev/null || exit 1\n");
}

double Seconds(const QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1e9;
}

} // namespace

int main(int argc, char **argv)
{
    PrepareProcess();
    QCoreApplication app(argc, argv);
    const int clips = argc > 1 ? std::max(2, std::atoi(argv[1])) : 3;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    const QString program = BuildProgramDirectory();
    const QString encoder = program + QStringLiteral("asapi.dll");
    if (!QFile::exists(program + QStringLiteral("quintor-join")) || !QFile::exists(encoder)) {
        std::fprintf(stderr, "Build quintor-join and qvj-encoder first.\n");
        return 1;
    }
    QTemporaryDir work;
    const QString root = work.path() + QLatin1Char('/');
    QStringList inputs;
    for (int i = 0; i < clips; ++i) {
        ClipSpec spec;
        spec.seconds = 3;
        spec.width = 320;
        spec.height = 240;
        const QString path = root + QStringLiteral("clip%1.mp4").arg(i);
        if (!MakeClip(path, spec))
            return 1;
        inputs << path;
    }

    // The same profile and command lines as quintor-join uses.
    const QString profileName = QStringLiteral("AVI - MPEG-4 Video");
    const ProfileCatalogue catalogue = ProfileCatalogue::List(program);
    const qsizetype index = catalogue.Names().indexOf(profileName);
    if (index < 0) {
        std::fprintf(stderr, "No profile %s.\n", qPrintable(profileName));
        return 1;
    }
    const QString profilePath = catalogue.PathOf(int(index));
    ProfileSettings settings;
    settings.LoadProfile(profilePath);
    const QString size = GetVideoSizeValue(settings, profilePath);
    const QString options = BuildEncoderOptions(settings, profilePath);
    const QString direct = root + QStringLiteral("direct/");
    QDir().mkpath(direct);
    QString script = QStringLiteral("set -e\n");
    for (int i = 0; i < clips; ++i)
        script += ShellLine(encoder,
                            ConversionCommandLine(inputs.at(i), IntermediateFile(direct, i), size));
    script += ShellLine(encoder,
                        JoinCommandLine(JoinInputList(direct, clips),
                                        root + QStringLiteral("direct.avi"), options));
    QFile scriptFile(root + QStringLiteral("direct.sh"));
    scriptFile.open(QIODevice::WriteOnly);
    scriptFile.write(script.toUtf8());
    scriptFile.close();

    const auto runCli = [&] {
        return RunProgram(program + QStringLiteral("quintor-join"),
                          QStringList {QStringLiteral("--profile"), profileName,
                                       QStringLiteral("--overwrite"), QStringLiteral("--temp"),
                                       root + QStringLiteral("temp"), QStringLiteral("-o"),
                                       root + QStringLiteral("cli.avi")}
                              + inputs);
    };
    const auto runScript
        = [&] { return RunProgram(QStringLiteral("bash"), {scriptFile.fileName()}); };
    std::vector<double> cli;
    std::vector<double> shell;
    // The two take turns at going first, so that a busy machine weighs on both alike.
    for (int round = 0; round < rounds; ++round) {
        for (int turn = 0; turn < 2; ++turn) {
            const bool cliTurn = (round + turn) % 2 == 0;
            QElapsedTimer timer;
            timer.start();
            const int code = cliTurn ? runCli() : runScript();
            (cliTurn ? cli : shell).push_back(Seconds(timer));
            if (code != 0) {
                std::fprintf(stderr, "The %s join failed (%d).\n",
                             cliTurn ? "quintor-join" : "script", code);
                return 1;
            }
        }
    }
    std::sort(cli.begin(), cli.end());
    std::sort(shell.begin(), shell.end());
    const double cliMedian = cli.at(cli.size() / 2);
    const double shellMedian = shell.at(shell.size() / 2);
    std::printf("clips: %d x 3 s, rounds: %d\n", clips, rounds);
    std::printf("quintor-join median: %.3f s\n", cliMedian);
    std::printf("direct script median: %.3f s\n", shellMedian);
    std::printf("ratio: %.3f (goal: at most 1.02)\n", cliMedian / shellMedian);
    return 0;
}
