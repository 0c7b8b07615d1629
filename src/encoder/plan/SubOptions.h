#pragma once

#include "encoder/plan/EncoderOptions.h"

#include <QString>

#include <optional>

// The message of an option whose value is not taken.
QString BadValue(const QString &what, const QString &value);

// A whole number from lo to hi, or nothing.
std::optional<int> WholeIn(const QString &text, int lo, int hi);

// "30", "29.97", "30000/1001" or "16:9" (with the separator given), from lo to hi.
std::optional<Fraction> ParseRatio(const QString &text, QChar separator, double lo, double hi);

// The sub-option lists of -vf, -lavcopts and -lameopts, into the options; the text of what
// was not taken, or empty.
QString ParseVideoFilters(const QString &value, EncoderOptions &o);
QString ParseLavcopts(const QString &value, EncoderOptions &o);
QString ParseLameopts(const QString &value, EncoderOptions &o);

// The -lavfopts list: the container format it names, into format.
QString ParseLavfopts(const QString &value, QString &format);
