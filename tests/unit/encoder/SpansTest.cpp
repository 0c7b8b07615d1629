// The spans of a cut input: what is encoded around the cut and what is copied, from its
// keyframes as ffprobe lists its packets.
#include "encoder/plan/Spans.h"

#include <QString>

#include <gtest/gtest.h>

#include <cmath>

namespace {

// A picture at 10 fps with a keyframe every second, decoded two frames before it is shown;
// open: each keyframe after the first has a leading picture shown just before it; interleaved:
// the sound is stored a second ahead of the picture.
QByteArray Packets(bool open, bool interleaved = false)
{
    QByteArray text = "stream|index=0|time_base=1/90000\n";
    for (int n = 0; n < 50; ++n) {
        const bool key = n % 10 == 0;
        // Decode order: the keyframe, then (open) the picture shown before it, then the rest.
        int shown = n;
        if (open && n > 10 && n % 10 == 1)
            shown = n - 2;
        const double dts = (n - 2) / 10.0, pts = shown / 10.0;
        const auto line = [](int stream, double p, double d, bool k) {
            return QStringLiteral("packet|stream_index=%1|pts_time=%2|dts_time=%3|flags=%4\n")
                .arg(stream)
                .arg(p)
                .arg(d)
                .arg(k ? QStringLiteral("K_") : QStringLiteral("__"))
                .toLatin1();
        };
        if (interleaved && n % 10 == 9)
            text += line(1, dts + 1, dts + 1, true);
        text += line(0, pts, dts, key);
    }
    return text;
}

Span Enc(double from, std::optional<double> to)
{
    return Span {0, from, to, true, false};
}

Span Copy(double from, std::optional<double> to)
{
    return Span {0, from, to, false, false};
}

TEST(CutSpans, EncodeOnlyTheFramesAroundEachCut)
{
    const struct
    {
        const char *what;
        bool open, interleaved, canEncode;
        double from;
        std::optional<double> to;
        std::vector<Span> spans;
        double startMoved, endMoved;
    } cases[] = {
        {"between keyframes",
         false,
         false,
         true,
         0.3,
         3.5,
         {Enc(0.3, 1), Copy(1, 3), Enc(3, 3.5)},
         0,
         0},
        {"on keyframes: nothing encoded", false, false, true, 1, 3, {Copy(1, 3)}, 0, 0},
        {"to the end", false, false, true, 1.5, std::nullopt, {Enc(1.5, 2), Copy(2, {})}, 0, 0},
        {"the whole length", false, false, true, 0.3, 5, {Enc(0.3, 1), Copy(1, {})}, 0, 0},
        {"no keyframe inside", false, false, true, 1.2, 1.8, {Enc(1.2, 1.8)}, 0, 0},
        {"one keyframe, nothing after it to end on",
         false,
         false,
         true,
         1.8,
         2.5,
         {Enc(1.8, 2.5)},
         0,
         0},
        // An open group's keyframe starts no copy (its leading picture needs the group before)
        // but ends one where that picture is shown.
        {"open groups", true, false, true, 0.3, 3.5, {Enc(0.3, {3.5})}, 0, 0},
        {"open groups from the start",
         true,
         false,
         true,
         0,
         3.5,
         {Copy(0, 2.9), Enc(2.9, 3.5)},
         0,
         0},
        // Sound stored ahead of the picture would end a copy too soon at these keyframes.
        {"sound stored ahead", false, true, true, 0, 3.5, {Enc(0, 3.5)}, 0, 0},
        {"no encoder: nearest keyframes", false, false, false, 0.3, 3.6, {Copy(0, 4)}, -0.3, 0.4},
        {"no encoder, to the end", false, false, false, 1.6, std::nullopt, {Copy(2, {})}, 0.4, 0},
    };
    for (const auto &c : cases) {
        int delay = -1;
        const auto keys = ParseKeyFrames(Packets(c.open, c.interleaved), 0, 0, 0.1, &delay);
        ASSERT_EQ(keys.size(), 5u) << c.what;
        EXPECT_EQ(delay, 2) << c.what;
        const CutSpans got = DecideCutSpans(0, keys, c.from, c.to, 5, 0.1, c.canEncode);
        ASSERT_EQ(got.spans.size(), c.spans.size()) << c.what;
        for (size_t i = 0; i < got.spans.size(); ++i) {
            const Span &g = got.spans[i], &w = c.spans[i];
            EXPECT_NEAR(g.from, w.from, 1e-9) << c.what << " span " << i;
            EXPECT_EQ(g.to.has_value(), w.to.has_value()) << c.what << " span " << i;
            if (g.to && w.to) {
                EXPECT_NEAR(*g.to, *w.to, 1e-9) << c.what << " span " << i;
            }
            EXPECT_EQ(g.encodePicture, w.encodePicture) << c.what << " span " << i;
            EXPECT_FALSE(g.encodeSound) << c.what;
        }
        EXPECT_NEAR(got.startMoved, c.startMoved, 1e-9) << c.what;
        EXPECT_NEAR(got.endMoved, c.endMoved, 1e-9) << c.what;
    }
}

// Whether a keyframe's packet refreshes the decoder, from its NAL units as MP4 stores them
// (after a length field of the size avcC or hvcC states) or after start codes.
TEST(CutSpans, AKeyPictureRefreshesTheDecoderWhenItsFirstSliceIsAnIdrOrBla)
{
    const QByteArray avcC = QByteArray::fromHex("01640028ff");
    QByteArray hvcC(23, '\x01');
    hvcC[21] = '\x03'; // four bytes of length
    const struct
    {
        const char *what;
        QByteArray packet;
        QByteArray config;
        bool hevc;
        bool refreshes;
    } cases[] = {
        {"H.264 IDR after its parameter sets",
         QByteArray::fromHex("0000000267640000000268ee0000000265b8"), avcC, false, true},
        {"H.264 recovery point (SEI, then a non-IDR I slice)",
         QByteArray::fromHex("0000000206050000000241e0"), avcC, false, false},
        {"H.264 IDR after start codes", QByteArray::fromHex("000000016764000001658880"),
         QByteArray::fromHex("0000000167"), false, true},
        {"HEVC IDR_W_RADL", QByteArray::fromHex("00000003400c01000000032601af"), hvcC, true, true},
        {"HEVC CRA of an open group", QByteArray::fromHex("000000032a01af"), hvcC, true, false},
        {"a length beyond the packet", QByteArray::fromHex("000000ff65"), avcC, false, false},
        {"no picture at all", QByteArray(), avcC, false, false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(FirstPictureRefreshes(c.packet, NalLengthSize(c.config, c.hevc), c.hevc),
                  c.refreshes)
            << c.what;
}

} // namespace
