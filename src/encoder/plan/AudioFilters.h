#pragma once
// The encoder's audio filters ("-af"), as MEncoder names them.

#include <QString>

// "volume=<dB>[:<soft clipping>]", filters separated by commas: the gain of the sound in dB,
// -200 to 60 each, soft clipping off (0); several add up into *gainDb. Gives the error of the
// first filter at fault, empty when all are good (*gainDb is then set).
QString ParseAudioFilters(const QString &value, double *gainDb);
