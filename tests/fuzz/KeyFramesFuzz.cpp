// ffprobe's packet lines and a keyframe's NAL units as the copy with cuts
// reads them: any text gives keyframes in order without a fault, and the spans decided from them
// cover the cut from its start, one after another, whatever the keyframes say.
#include "FuzzTarget.h"
#include "encoder/plan/Spans.h"

#include <QString>

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = FuzzBytes(data, size);
    int delay = -1;
    const std::vector<KeyFrame> keys = ParseKeyFrames(bytes, 0, 0, 0.04, &delay);
    FUZZ_CHECK(delay >= 0);
    for (const bool hevc : {false, true})
        for (const int lengthSize : {0, NalLengthSize(bytes, hevc), 4})
            FirstPictureRefreshes(bytes, lengthSize, hevc);
    for (const bool canEncode : {true, false}) {
        const CutSpans cut = DecideCutSpans(0, keys, 1, 3, 10, 0.04, canEncode);
        FUZZ_CHECK(!cut.spans.empty());
        if (canEncode) {
            FUZZ_CHECK(std::abs(cut.spans.front().from - 1) <= 0.02);
            for (size_t i = 1; i < cut.spans.size(); ++i)
                FUZZ_CHECK(cut.spans[i - 1].to && *cut.spans[i - 1].to == cut.spans[i].from);
        }
    }
    return 0;
}
