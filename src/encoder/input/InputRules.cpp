#include "encoder/input/InputRules.h"

#include "encoder/plan/FormatRules.h"
#include "platform/RawNames.h"

#include <cmath>
#include <sys/stat.h>
#include <unistd.h>

bool IsReadableFile(const QString &path)
{
    const QByteArray bytes = NameToBytes(path);
    struct stat st;
    return ::stat(bytes.constData(), &st) == 0 && S_ISREG(st.st_mode)
        && ::access(bytes.constData(), R_OK) == 0;
}

namespace {

// How far a stream's rate may lie from a common rate and still be it: a clip looped or joined
// by a copy averages a few tenths of a percent off (24.94 for 25, 29.85 for 30), while the
// common rates lie at least 4 % apart, except those a thousandth apart, which the nearest tells.
constexpr double kCommonRateTolerance = 0.01;
// A rate stated in a few digits ("29.97") for a common one.
constexpr double kExact = 0.002;

} // namespace

Fraction NominalFrameRate(const Fraction &average, const Fraction &real)
{
    static const QList<Fraction> common {
        {24000, 1001}, {24, 1}, {25, 1}, {30000, 1001}, {30, 1}, {50, 1}, {60000, 1001},
        {60, 1},       {15, 1}, {12, 1}, {10, 1},       {20, 1}, {48, 1}, {120, 1}};
    const auto usable = [](const Fraction &r) { return r.IsValid() && r.Value() <= 1000; };
    const auto within = [](const Fraction &a, const Fraction &b, double tolerance) {
        return std::abs(a.Value() - b.Value()) <= b.Value() * tolerance;
    };
    // The common rate that lies within the tolerance, or an invalid one.
    const auto near = [&](const Fraction &r, double tolerance) {
        const Fraction n = usable(r) ? Nearest(r, common) : Fraction {0, 1};
        return n.IsValid() && within(r, n, tolerance) ? n : Fraction {0, 1};
    };
    // The real rate where it is a common one the average lies near: a looped clip's.
    const bool averageNearReal
        = !usable(average) || (usable(real) && within(average, real, kCommonRateTolerance));
    if (const Fraction n = near(real, kExact); n.IsValid() && averageNearReal)
        return n;
    // Else the common rate the average lies near (a stream that doubles its real rate for its
    // fields has an average of the rate shown).
    if (const Fraction n = near(average, kCommonRateTolerance); n.IsValid())
        return n;
    // A clock's rate: a whole number of frames in a second, or in 1.001 seconds, or two.
    const auto clock = [&](const Fraction &r) {
        const Fraction reduced = Reduced(r.num, r.den);
        return usable(r) && (reduced.den == 1 || reduced.den == 1001 || reduced.den == 2);
    };
    if (clock(real) && averageNearReal)
        return Reduced(real.num, real.den);
    if (clock(average))
        return Reduced(average.num, average.den);
    const Fraction &rate = usable(average) ? average : real;
    if (!usable(rate))
        return {};
    return Reduced(std::max<int64_t>(1, std::llround(rate.Value() * 1000)), 1000);
}
