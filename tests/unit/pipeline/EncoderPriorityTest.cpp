// The encoder's priority: lowered (scheduling and I/O) when asked, the parent's otherwise.
#include "common/TestSupport.h"
#include "pipeline/runs/EncoderRun.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/resource.h>

namespace {

using namespace qvj::test;

TEST(EncoderPriority, ALowPriorityRunIsNicerAndWaitsForTheDisk)
{
    QTemporaryDir dir;
    const QString script = dir.path() + S("/asapi.dll");
    // What the run itself has: its nice value, then its I/O class and level.
    WriteScript(script, "echo \"$(nice) $(ionice -p $$ 2>&1)\"");
    const int own = ::getpriority(PRIO_PROCESS, 0);
    const struct
    {
        bool low;
        QString expected;
    } cases[] = {
        {false, QString::number(own)},
        {true, QString::number(std::max(own, 10)) + S(" best-effort: prio 7")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.low ? "low" : "normal");
        EncoderRun run;
        QByteArray said;
        QObject::connect(&run, &EncoderRun::chunkRead, [&](const QByteArray &b) { said += b; });
        run.SetLowPriority(c.low);
        run.Start(script, S("asapi.dll"));
        ASSERT_TRUE(WaitFor([&] { return !run.IsRunning(); }, 20000));
        const QString text = QString::fromUtf8(said).trimmed();
        if (c.low)
            EXPECT_EQ(text, c.expected);
        else
            EXPECT_TRUE(text.startsWith(c.expected + S(" "))) << text.toStdString();
    }
}

} // namespace
