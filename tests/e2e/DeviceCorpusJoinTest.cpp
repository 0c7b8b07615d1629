// Files as cameras, phones and discs write them, all joined in one run of quintor-join (both
// stages, the real encoder): in sync, of the right shape and length, with progress that moves
// whatever the user's locale.
#include "DeviceCorpus.h"
#include "EncoderTestSupport.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <iostream>
#include <set>

namespace qvj::test {
namespace {

// An environment whose locale writes numbers with a decimal comma; a system without such a
// locale gets one compiled into dir.
bool CommaLocale(const QString &dir, QProcessEnvironment *environment)
{
    environment->insert(S("LC_ALL"), S("de_DE.UTF-8"));
    QProcess::execute(S("localedef"),
                      {S("-i"), S("de_DE"), S("-f"), S("UTF-8"), dir + S("/de_DE.UTF-8")});
    environment->insert(S("LOCPATH"), dir);
    QProcess check;
    check.setProcessEnvironment(*environment);
    check.start(S("printf"), {S("%.1f"), S("2.5")});
    return check.waitForFinished() && check.readAllStandardOutput() == "2,5";
}

// The "total" figures of quintor-join's progress lines, in order.
std::vector<int> TotalFigures(const QString &err)
{
    static const QRegularExpression total(S("  total +(\\d+)%"));
    std::vector<int> figures;
    for (auto it = total.globalMatch(err); it.hasNext();)
        figures.push_back(it.next().captured(1).toInt());
    return figures;
}

void JoinCorpus(const char *profile, const char *extension, bool commaLocale)
{
    const std::vector<QString> files = CorpusFiles();
    const std::vector<DeviceClip> clips = DeviceCorpus();
    ASSERT_EQ(files.size(), clips.size()) << "the corpus could not be made";
    QTemporaryDir work;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(S("LC_ALL"), S("C.UTF-8"));
    if (commaLocale) {
        ASSERT_TRUE(CommaLocale(work.path(), &environment));
    }
    const QString output = work.filePath(S("corpus joined") + S(extension));
    QStringList args {S("--profile"),           S(profile), S("--temp"),
                      work.filePath(S("temp")), S("-o"),    output};
    for (const QString &f : files)
        args << f;

    QProcess join;
    join.setProcessEnvironment(environment);
    join.setStandardInputFile(QProcess::nullDevice());
    join.start(BuildProgramDirectory() + S("quintor-join"), args);
    ASSERT_TRUE(join.waitForFinished(20 * 60 * 1000));
    const QString err = QString::fromUtf8(join.readAllStandardError());
    ASSERT_EQ(join.exitCode(), 0) << err.toStdString();
    EXPECT_EQ(QDir(work.filePath(S("temp"))).entryList(QDir::Files), QStringList());

    // The total bar moves with every file converted, however short its run, and within the
    // join. (How often the encoder reports depends on the machine's pace; the steps do not.)
    const std::vector<int> totals = TotalFigures(err);
    EXPECT_TRUE(std::is_sorted(totals.begin(), totals.end())) << err.toStdString();
    const std::set<int> steps(totals.begin(), totals.end());
    EXPECT_GT(steps.size(), files.size() + 1) << err.toStdString();
    EXPECT_EQ(totals.empty() ? 0 : totals.back(), 100);

    std::vector<JoinedInput> inputs;
    for (size_t i = 0; i < files.size(); ++i)
        inputs.push_back({files[i], clips[i].seconds, ShownAspect(clips[i]), FlashTimes(clips[i])});
    JoinFigures worst;
    const std::string what = profile + std::string(commaLocale ? ", decimal comma" : "");
    CheckCorpusJoin(output, inputs, what, &worst);
    std::cout << "[ measured ] " << what << ", " << files.size()
              << " device clips: worst sync drift " << worst.sync * 1000 << " ms, flash placed "
              << worst.timeline * 1000 << " ms off, square " << worst.square * 100
              << " % off, picture shape " << worst.picture * 100 << " % off, length error "
              << worst.length * 1000 << " ms\n";
}

TEST(DeviceCorpusJoin, AviProfileUnderADecimalCommaLocale)
{
    JoinCorpus("AVI - MPEG-4 Video", ".avi", true);
}

TEST(DeviceCorpusJoin, Mp4Profile)
{
    JoinCorpus("MP4 - H.264 Video", ".mp4", false);
}

} // namespace
} // namespace qvj::test
