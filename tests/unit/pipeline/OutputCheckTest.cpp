// The joined file's length against the inputs' lengths together.
#include "pipeline/checks/OutputCheck.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(OutputCheck, LengthsApartByMoreThanOneSecondAndOnePercent)
{
    const std::vector<std::tuple<double, double, const char *>> cases {
        // output, inputs together, line
        {10.0, 10.0, ""},
        {8.8, 10.0, "The output file is 1.2 s shorter than the input files together."},
        {9.0, 10.0, ""}, // 1 s + 0.1 s allowed
        {11.2, 10.0, "The output file is 1.2 s longer than the input files together."},
        {1002.0, 1000.0, ""}, // 11 s allowed
        {987.7, 1000.0, "The output file is 12.3 s shorter than the input files together."},
        {0.9, 0.0, ""},
        {0.0, 30.0, "The output file is 30.0 s shorter than the input files together."},
    };
    for (const auto &[output, inputs, line] : cases)
        EXPECT_EQ(OutputLengthLine(output, inputs), QString::fromUtf8(line)) << output;
}

// Nothing is said when a row's length or the output's is not known: the check has nothing
// to go by then. An output that cannot be read at all is said to be so.
TEST(OutputCheck, OnlyWhatIsKnownIsCompared)
{
    const auto probed = [](bool ok, const char *length, const char *size, const char *error,
                           double longest = -1) {
        MediaProbeResult r;
        r.ok = ok;
        r.lengthText = QString::fromUtf8(length);
        r.sizeText = QString::fromUtf8(size);
        r.error = QString::fromUtf8(error);
        r.longestSeconds = longest;
        return r;
    };
    const std::vector<std::tuple<std::vector<double>, MediaProbeResult, const char *>> cases {
        {{10, 20.5},
         probed(true, "00:00:25.5", "640x480", ""),
         "The output file is 5.0 s shorter than the input files together."},
        {{10, 20.5}, probed(true, "00:00:30", "640x480", ""), ""},
        {{10, -1}, probed(true, "00:00:02", "640x480", ""), ""},
        {{10, 20},
         probed(false, "", "", "'' is not a valid floating point value"),
         "The output file could not be read to check its length."},
        // The longest streams, where known: 300 camera clips whose clock says 1.9 s and whose
        // sound runs 2.026 s are joined into 607.8 s, which is no news.
        {std::vector<double>(300, 1.9), probed(true, "00:10:07.8", "1280x720", "", 607.8), ""},
    };
    for (const auto &[lengths, probe, line] : cases) {
        qvj::test::FakeJobInputs rows;
        for (const double seconds : lengths) {
            rows.rows.emplace_back().LengthSeconds = seconds;
            if (lengths.size() == 300)
                rows.rows.back().SpareSeconds5 = 2.026;
        }
        const QString result
            = CheckOutputLength(QStringLiteral("/out/joined.mp4"), rows,
                                [probe = probe](const QString &) { return probe; });
        EXPECT_EQ(result, QString::fromUtf8(line));
    }
}

} // namespace
