#include "settings/Preferences.h"

#include "platform/Paths.h"
#include "settings/IniFile.h"

#include <QLocale>

#include <cmath>

namespace {

const QString kMain = QStringLiteral("Main");
const QString kDefault = QStringLiteral("Default");
const QString kOutputFile = QStringLiteral("Output File");
const QString kTempDir = QStringLiteral("Temp Dir");
const QString kOpenDir = QStringLiteral("Auto Open Dir");
const QString kExit = QStringLiteral("Auto Exit");
const QString kTurnOff = QStringLiteral("Auto Turn Off");
const QString kAsk = QStringLiteral("Ask");
const QString kOverWrite = QStringLiteral("Overwrite");
const QString kRename = QStringLiteral("Rename");
const QString kChapters = QStringLiteral("Add Chapters");
const QString kKeepConverted = QStringLiteral("Keep Converted");
const QString kLowPriority = QStringLiteral("Lower Priority");
const QString kKeptLimit = QStringLiteral("Kept Files Limit");
const QString kKeepDates = QStringLiteral("Keep Dates");
const QString kEvenLoudness = QStringLiteral("Even Loudness");
const QString kCrossfade = QStringLiteral("Crossfade");

// Marks or clears one of the three policy buttons.
void MarkPolicy(PreferencesModel::Snapshot &v, bool PreferencesModel::Snapshot::*button, bool on)
{
    if (on) {
        v.Ask = false;
        v.OverWrite = false;
        v.Rename = false;
    }
    v.*button = on;
}

// The flags and policy of one section, read in the order Open Dir, Exit, Turn Off, Ask,
// Overwrite, Rename. The policy flags are applied one after the other as the dialog's buttons
// would be, so the last one that is set wins and none is marked when all are clear.
void ReadFlags(PreferencesModel::Snapshot &v, const IniFile &ini, const QString &section,
               bool openDirDefault)
{
    using Snapshot = PreferencesModel::Snapshot;
    v.OpenDir = ini.GetFlag(section, kOpenDir, openDirDefault);
    v.Exit = ini.GetFlag(section, kExit, false);
    v.TurnOff = ini.GetFlag(section, kTurnOff, false);
    MarkPolicy(v, &Snapshot::Ask, ini.GetFlag(section, kAsk, true));
    MarkPolicy(v, &Snapshot::OverWrite, ini.GetFlag(section, kOverWrite, false));
    MarkPolicy(v, &Snapshot::Rename, ini.GetFlag(section, kRename, false));
    v.Chapters = ini.GetFlag(section, kChapters, true);
    v.KeepConverted = ini.GetFlag(section, kKeepConverted, true);
    v.LowPriority = ini.GetFlag(section, kLowPriority, true);
    v.KeepDates = ini.GetFlag(section, kKeepDates, true);
    v.EvenLoudness = ini.GetFlag(section, kEvenLoudness, false);
    // A length out of range, or no number, is no crossfade.
    v.Crossfade = ParseCrossfadeSeconds(ini.GetText(section, kCrossfade, QString())).value_or(0);
}

} // namespace

std::optional<double> ParseCrossfadeSeconds(const QString &text)
{
    bool ok = false;
    const double seconds = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(seconds))
        return std::nullopt;
    if (seconds == 0)
        return 0.0;
    if (seconds < 0.2 - 1e-9 || seconds > 5 + 1e-9)
        return std::nullopt;
    return seconds;
}

PreferencesModel::PreferencesModel(QObject *parent)
    : QObject(parent)
{
}

template<typename T> void PreferencesModel::Change(T Snapshot::*member, const T &value)
{
    Snapshot v = m_values;
    v.*member = value;
    Apply(v);
}

void PreferencesModel::SetOutputFile(const QString &path)
{
    Change(&Snapshot::OutputFile, path);
}

void PreferencesModel::SetTempDir(const QString &path)
{
    Change(&Snapshot::TempDir, path);
}

void PreferencesModel::SetOpenDir(bool on)
{
    Change(&Snapshot::OpenDir, on);
}

void PreferencesModel::SetExit(bool on)
{
    Change(&Snapshot::Exit, on);
}

void PreferencesModel::SetTurnOff(bool on)
{
    Change(&Snapshot::TurnOff, on);
}

void PreferencesModel::SetChapters(bool on)
{
    Change(&Snapshot::Chapters, on);
}

void PreferencesModel::SetKeepConverted(bool on)
{
    Change(&Snapshot::KeepConverted, on);
}

void PreferencesModel::SetLowPriority(bool on)
{
    Change(&Snapshot::LowPriority, on);
}

void PreferencesModel::SetKeepDates(bool on)
{
    Change(&Snapshot::KeepDates, on);
}

void PreferencesModel::SetEvenLoudness(bool on)
{
    Change(&Snapshot::EvenLoudness, on);
}

void PreferencesModel::SetCrossfade(double seconds)
{
    Change(&Snapshot::Crossfade, ParseCrossfadeSeconds(QString::number(seconds)).value_or(0));
}

void PreferencesModel::SetAsk(bool on)
{
    Snapshot v = m_values;
    MarkPolicy(v, &Snapshot::Ask, on);
    Apply(v);
}

void PreferencesModel::SetOverWrite(bool on)
{
    Snapshot v = m_values;
    MarkPolicy(v, &Snapshot::OverWrite, on);
    Apply(v);
}

void PreferencesModel::SetRename(bool on)
{
    Snapshot v = m_values;
    MarkPolicy(v, &Snapshot::Rename, on);
    Apply(v);
}

void PreferencesModel::LoadPreferences(const QString &iniPath, const QString &programDir)
{
    const IniFile ini(iniPath);
    Snapshot v = m_values;
    v.TempDir
        = ini.GetText(kMain, kTempDir, AddTrailingBackslash(programDir) + QStringLiteral("temp/"));
    ReadFlags(v, ini, kMain, true);
    const int gigabytes = ini.GetNumber(kMain, kKeptLimit, 20);
    m_keptLimitBytes = qint64(gigabytes > 0 ? gigabytes : 20) * 1000 * 1000 * 1000;
    Apply(v);
}

QString PreferencesModel::SavePreferences(const QString &iniPath)
{
    IniFile ini(iniPath);
    const Snapshot &v = m_values;
    // && ends the save at the first refused write.
    const bool saved = ini.PutText(kMain, kOutputFile, v.OutputFile)
        && ini.PutText(kMain, kTempDir, v.TempDir) && ini.PutFlag(kMain, kOpenDir, v.OpenDir)
        && ini.PutFlag(kMain, kExit, v.Exit) && ini.PutFlag(kMain, kTurnOff, v.TurnOff)
        && ini.PutFlag(kMain, kAsk, v.Ask) && ini.PutFlag(kMain, kOverWrite, v.OverWrite)
        && ini.PutFlag(kMain, kRename, v.Rename) && ini.PutFlag(kMain, kChapters, v.Chapters)
        && ini.PutFlag(kMain, kKeepConverted, v.KeepConverted)
        && ini.PutFlag(kMain, kLowPriority, v.LowPriority)
        && ini.PutFlag(kMain, kKeepDates, v.KeepDates)
        && ini.PutFlag(kMain, kEvenLoudness, v.EvenLoudness)
        && ini.PutText(kMain, kCrossfade, QString::number(v.Crossfade));
    return saved ? QString() : ini.ErrorText();
}

void PreferencesModel::LoadDefaultPreferences(const QString &iniPath)
{
    const IniFile ini(iniPath);
    Snapshot v = m_values;
    v.OutputFile = ini.GetText(kDefault, kOutputFile, QString());
    ReadFlags(v, ini, kDefault, false);
    Apply(v);
}

void PreferencesModel::RestoreSnapshot(const Snapshot &snapshot)
{
    Apply(snapshot);
}

void PreferencesModel::Apply(const Snapshot &values)
{
    if (values == m_values)
        return;
    m_values = values;
    Q_EMIT changed();
}
