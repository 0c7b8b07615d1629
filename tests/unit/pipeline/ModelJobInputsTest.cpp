#include "pipeline/ModelJobInputs.h"
#include "common/TestSupport.h"
#include "pipeline/JoinJob.h"
#include "profiles/ProfileSettings.h"
#include "settings/Preferences.h"
#include "tasks/TaskList.h"

#include <gtest/gtest.h>

namespace {

QString S(const char *text)
{
    return QString::fromUtf8(text);
}

TEST(ModelJobInputs, ReadsTheLiveModelsAtTheMomentOfUse)
{
    qvj::test::RecordingDesktop desktop;
    TaskListModel tasks(desktop, [](const QString &path) {
        return path.endsWith(S("a.mp4"))
            ? MediaProbeResult {true, S("00:00:02.5"), S("320x240"), QString()}
            : MediaProbeResult {true, S("bad"), S("x"), QString()};
    });
    tasks.AddTaskFile(S("/v/a.mp4"));
    tasks.AddTaskFile(S("/v/b c.mp4"));
    PreferencesModel preferences;
    ProfileSettings settings;
    QString output = S("/o/x.avi");
    const ModelJobInputs inputs(tasks, preferences, settings, [&] { return output; });

    ASSERT_EQ(inputs.RowCount(), 2);
    EXPECT_EQ(inputs.ReadRow(1).InputFile, S("/v/b c.mp4"));
    EXPECT_DOUBLE_EQ(inputs.ReadRow(0).LengthSeconds, 2.5);
    EXPECT_DOUBLE_EQ(inputs.ReadRow(1).LengthSeconds, -1);
    EXPECT_EQ(inputs.ReadRow(0).StatusText, S("OK"));

    // Later changes count from then on.
    preferences.SetTempDir(S("/t1"));
    preferences.SetRename(true);
    preferences.SetTurnOff(true);
    output = S("/o/y.avi");
    EXPECT_EQ(inputs.TempDir(), S("/t1"));
    EXPECT_TRUE(inputs.Rename());
    EXPECT_TRUE(inputs.TurnOff());
    EXPECT_EQ(inputs.OutputFile(), S("/o/y.avi"));
    preferences.SetAsk(true);
    EXPECT_FALSE(inputs.Rename());
    EXPECT_EQ(inputs.OutputExtension(), settings.OutputExtension());
}

TEST(ModelJobInputs, RowStatusesReachTheStatusColumnOnly)
{
    qvj::test::RecordingDesktop desktop;
    TaskListModel tasks(desktop, [](const QString &) {
        return MediaProbeResult {true, S("00:00:01"), S("320x240"), QString()};
    });
    tasks.AddTaskFile(S("/v/a.mp4"));
    tasks.AddTaskFile(S("/v/b.mp4"));
    PreferencesModel preferences;
    ProfileSettings settings;
    ModelJobInputs inputs(tasks, preferences, settings, [] { return QString(); });
    JoinJob job(inputs, desktop, S("/nowhere/"));
    ConnectRowStatus(job, tasks);

    Q_EMIT job.rowStatusChanged(1, S("Joining"));
    ltvItemData row;
    tasks.ReadTaskRow(1, AllColumns, row);
    EXPECT_EQ(row.StatusText, S("Joining"));
    EXPECT_EQ(row.InputFile, S("/v/b.mp4"));
    EXPECT_EQ(row.LengthText, S("00:00:01"));
    tasks.ReadTaskRow(0, AllColumns, row);
    EXPECT_EQ(row.StatusText, S("OK"));
}

} // namespace
