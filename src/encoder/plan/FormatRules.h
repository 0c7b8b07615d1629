#pragma once
// What each output format and codec accepts: the codecs a format holds, sample rates, channel
// counts, bitrates and frame rates a codec takes, and the codecs' start-up delays.

#include "encoder/plan/EncoderOptions.h"

#include <QList>
#include <QString>

// The muxer for the options' format, else the output's extension, else "avi".
QString MuxerFor(const EncoderOptions &options);

// The ffmpeg audio encoder the options choose for a muxer.
QString AudioCodecFor(const EncoderOptions &options, const QString &muxer);

// Why the output's format cannot hold the chosen codecs, or empty when it can.
QString FormatRefusal(const EncoderOptions &options);

// Formats without per-packet time stamps for sound play a codec's start-up delay as a late
// start; so many samples are cut from the start there.
int CodecDelaySamples(const QString &muxer, const QString &audioCodec);

// The frame rates MPEG-1 and MPEG-2 video allow.
const QList<Fraction> &MpegFrameRates();

// The sample rates a codec takes in a muxer; empty: any.
QList<int> SampleRatesFor(const QString &codec, const QString &muxer);

// The most channels a codec takes in a muxer.
int MaxChannels(const QString &codec, const QString &muxer);

// The nearest bitrate (kbit/s) the codec takes at that sample rate.
int AudioBitrate(const QString &codec, int kbit, int sampleRate);

// The choice nearest to value.
int Nearest(int value, const QList<int> &choices);
Fraction Nearest(const Fraction &rate, const QList<Fraction> &choices);
