#pragma once
// The current output settings: what the Output Settings dialog shows and edits, filled by
// loading a profile and read by the option builder when a job starts.

#include "profiles/ProfileOption.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <array>

class ProfileSettings : public QObject
{
    Q_OBJECT

public:
    // The most choices one option takes from a profile file; a larger "Items" is cut to it.
    static constexpr int kMaxItems = 1000;

    explicit ProfileSettings(QObject *parent = nullptr);

    // The file of the profile loaded last; empty before the first load.
    QString ProfilePath() const { return m_profilePath; }
    // "." followed by the loaded profile's type; empty before the first load.
    QString OutputExtension() const { return m_outputExtension; }
    // True when the loaded profile joins by copying the inputs' streams as they are (key
    // "Copy" of section "Main", default 0): its options only describe that, none can change.
    bool StreamCopy() const { return m_streamCopy; }

    QStringList Captions(ProfileOption option) const { return Box(option).captions; }
    // The selected choice, -1 when none (also after text was typed into an editable box).
    int Index(ProfileOption option) const { return Box(option).index; }
    // The box's shown text: the caption of the selection, or what was typed into an
    // editable box; empty with no selection in a choice list.
    QString Text(ProfileOption option) const { return Box(option).text; }

    // A choice picked by the user (an index outside the list selects nothing), followed by the
    // box's change reaction: for "Audio Codec" the panel switch, for "MP3 Encode" the quality
    // or bitrate switch, and for every box the description display.
    void SetIndex(ProfileOption option, int index);
    // Text typed into an editable box: it becomes the box's text and nothing is selected; the
    // description display follows. Ignored for choice lists.
    void SetText(ProfileOption option, const QString &text);

    // The list size (true) or the manual width and height (false); list at start.
    bool SelectSize() const { return m_selectSize; }
    void SetSelectSize(bool selectSize);
    QString ManualWidth() const { return m_manualWidth; }
    QString ManualHeight() const { return m_manualHeight; }
    void SetManualWidth(const QString &width);
    void SetManualHeight(const QString &height);

    // The MP3 panel (encode mode with quality or bitrate) rather than the audio bitrate panel.
    bool Mp3PanelShown() const { return m_mp3Panel; }
    // The quality pair rather than the bitrate pair of the MP3 panel.
    bool QualityShown() const { return m_qualityShown; }

    // The description box: the option's "Description" from the profile file, a line break,
    // then "Current Value: " and the box's text.
    QString DescriptionText() const { return m_description; }
    // The description display for one box (focus or change); reads the profile file now.
    void ShowDescription(ProfileOption option);

    // Fills every option from the profile file at path and runs the two change reactions, as
    // the user would; the size choice and the manual size stay. False, with nothing changed,
    // when no file is there.
    bool LoadProfile(const QString &path);

    // What Cancel of the Output Settings dialog gives back: every box's selection and text,
    // the size choice and the manual size.
    struct Snapshot
    {
        struct BoxState
        {
            int index = -1;
            QString text;
        };
        std::array<BoxState, kProfileOptions.size()> boxes;
        bool selectSize = true;
        QString manualWidth;
        QString manualHeight;
    };
    Snapshot TakeSnapshot() const;
    // Restores the snapshot and brings the panels in line with it; the description box keeps
    // what it shows.
    void RestoreSnapshot(const Snapshot &snapshot);

Q_SIGNALS:
    void optionChanged(ProfileOption option);
    void sizeChanged();
    void panelsChanged();
    void descriptionChanged();
    void loaded();

private:
    struct OptionBox
    {
        QStringList captions;
        int index = -1;
        QString text;
    };

    const OptionBox &Box(ProfileOption option) const { return m_boxes[size_t(option)]; }
    OptionBox &Box(ProfileOption option) { return m_boxes[size_t(option)]; }
    void Select(ProfileOption option, int index);
    void RunChangeReaction(ProfileOption option);
    void UpdatePanels();

    std::array<OptionBox, kProfileOptions.size()> m_boxes;
    QString m_profilePath;
    QString m_outputExtension;
    bool m_streamCopy = false;
    bool m_selectSize = true;
    QString m_manualWidth;
    QString m_manualHeight;
    bool m_mp3Panel = false;
    bool m_qualityShown = true;
    QString m_description;
};
