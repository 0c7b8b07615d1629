#pragma once
// The live preferences: what the Preferences dialog shows and edits, and what the job reads at
// the moment it needs a value. Loaded from and saved to section "Main" of Preferences.ini;
// "Load Default" fills them from section "Default".

#include <QObject>
#include <QString>

#include <optional>

// Seconds of a crossfade as a text states them ("1.5", with "." whatever the locale): 0 for
// none, else from 0.2 to 5; nothing for any other text.
std::optional<double> ParseCrossfadeSeconds(const QString &text);

class PreferencesModel : public QObject
{
    Q_OBJECT

public:
    // Every value the dialog shows, as captured when it opens and restored by Cancel.
    struct Snapshot
    {
        QString OutputFile;
        QString TempDir;
        bool OpenDir = true;
        bool Exit = false;
        bool TurnOff = false;
        bool Ask = true;
        bool OverWrite = false;
        bool Rename = false;
        bool Chapters = true;
        bool KeepConverted = true;
        bool LowPriority = true;
        bool KeepDates = true;
        bool EvenLoudness = false;
        double Crossfade = 0; // seconds each join point fades over; 0: hard cuts

        bool operator==(const Snapshot &) const = default;
    };

    explicit PreferencesModel(QObject *parent = nullptr);

    QString OutputFile() const { return m_values.OutputFile; }
    void SetOutputFile(const QString &path);
    QString TempDir() const { return m_values.TempDir; }
    void SetTempDir(const QString &path);

    // After a successful job: open the output folder, close the program, turn the computer off.
    bool OpenDir() const { return m_values.OpenDir; }
    void SetOpenDir(bool on);
    bool Exit() const { return m_values.Exit; }
    void SetExit(bool on);
    bool TurnOff() const { return m_values.TurnOff; }
    void SetTurnOff(bool on);

    // The overwrite policy, one choice of three: marking one clears the other two, clearing
    // one touches nothing else, and all three may be clear.
    bool Ask() const { return m_values.Ask; }
    void SetAsk(bool on);
    bool OverWrite() const { return m_values.OverWrite; }
    void SetOverWrite(bool on);
    bool Rename() const { return m_values.Rename; }
    void SetRename(bool on);

    // A chapter at the start of each joined file, in outputs that can hold chapters.
    bool Chapters() const { return m_values.Chapters; }
    void SetChapters(bool on);
    // A join without re-encoding states the first file's recording date, place and device.
    bool KeepDates() const { return m_values.KeepDates; }
    void SetKeepDates(bool on);
    // Every clip's sound is brought to one loudness (its files are measured first).
    bool EvenLoudness() const { return m_values.EvenLoudness; }
    void SetEvenLoudness(bool on);
    // Seconds over which each file dissolves into the next (0.2 to 5), 0 for hard cuts.
    double Crossfade() const { return m_values.Crossfade; }
    void SetCrossfade(double seconds);

    // Converted files are kept beyond a job that did not complete, so that its next Start
    // converts only the rest.
    bool KeepConverted() const { return m_values.KeepConverted; }
    void SetKeepConverted(bool on);
    // The encoder runs at a lower scheduling and I/O priority than the window.
    bool LowPriority() const { return m_values.LowPriority; }
    void SetLowPriority(bool on);
    // The most the kept converted files may take, in bytes ("Kept Files Limit" in gigabytes,
    // read from section "Main" only; 20 when missing or not a positive number).
    qint64 KeptLimitBytes() const { return m_keptLimitBytes; }

    // Reads section "Main" of the ini file: the temporary folder (default programDir + "temp/"),
    // the three after-job flags, the overwrite policy, the chapters, the dates and the loudness.
    // The output file is not read here.
    void LoadPreferences(const QString &iniPath, const QString &programDir);
    // Writes every value to section "Main", in order; the first refused write ends the
    // save. Gives "" on success, else the error text ("Unable to write to <path>").
    QString SavePreferences(const QString &iniPath);
    // Reads section "Default": the output file, the three flags, the overwrite policy, the
    // chapters and the dates; the temporary folder is left as it is. Writes nothing.
    void LoadDefaultPreferences(const QString &iniPath);

    Snapshot TakeSnapshot() const { return m_values; }
    void RestoreSnapshot(const Snapshot &snapshot);

Q_SIGNALS:
    // Any value changed.
    void changed();

private:
    // Sets one value of the snapshot.
    template<typename T> void Change(T Snapshot::*member, const T &value);
    void Apply(const Snapshot &values);

    Snapshot m_values;
    qint64 m_keptLimitBytes = qint64(20) * 1000 * 1000 * 1000;
};
