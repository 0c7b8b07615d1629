#pragma once
// A span: a stretch of one input as it goes into a join, either copied as it is or encoded in
// exactly the kind of the joined file. Fitting an odd file, converting only a file's sound,
// cutting between keyframes and making a transition each describe their spans; the routes
// encode the spans that need it (in the kind, FitSettings) and copy the rest, and the copy
// puts them end to end.

#include <optional>

struct Span
{
    int input = 0; // the input's place among the join's inputs
    double from = 0; // seconds on the input's clock, from its start
    std::optional<double> to; // where the span ends on that clock; none: the input's end
    bool encodePicture = false; // false: the picture's packets are copied as they are
    bool encodeSound = false; // false: the sound's packets are copied as they are

    bool Copied() const { return !encodePicture && !encodeSound; }
    friend bool operator==(const Span &, const Span &) = default;
};
