#include "profiles/ProfileSettings.h"

#include "platform/Paths.h"
#include "settings/IniDocument.h"
#include "settings/IniFile.h"

#include <algorithm>

namespace {

bool IsMp3Caption(const QString &caption)
{
    return caption == QLatin1String("MP3");
}

} // namespace

ProfileSettings::ProfileSettings(QObject *parent)
    : QObject(parent)
{
}

void ProfileSettings::Select(ProfileOption option, int index)
{
    OptionBox &box = Box(option);
    box.index = index >= 0 && index < box.captions.size() ? index : -1;
    box.text = box.index >= 0 ? box.captions.at(box.index) : QString();
    Q_EMIT optionChanged(option);
}

void ProfileSettings::RunChangeReaction(ProfileOption option)
{
    if (option == ProfileOption::AudioCodec) {
        const bool mp3 = IsMp3Caption(Text(ProfileOption::AudioCodec));
        if (mp3 != m_mp3Panel) {
            m_mp3Panel = mp3;
            Q_EMIT panelsChanged();
        }
    } else if (option == ProfileOption::Mp3Encode) {
        const bool quality = Index(ProfileOption::Mp3Encode) == 0;
        if (quality != m_qualityShown) {
            m_qualityShown = quality;
            Q_EMIT panelsChanged();
        }
    }
    ShowDescription(option);
}

void ProfileSettings::SetIndex(ProfileOption option, int index)
{
    Select(option, index);
    RunChangeReaction(option);
}

void ProfileSettings::SetText(ProfileOption option, const QString &text)
{
    if (!IsEditable(option))
        return;
    OptionBox &box = Box(option);
    box.index = -1;
    box.text = text;
    Q_EMIT optionChanged(option);
    RunChangeReaction(option);
}

void ProfileSettings::SetSelectSize(bool selectSize)
{
    m_selectSize = selectSize;
    Q_EMIT sizeChanged();
}

void ProfileSettings::SetManualWidth(const QString &width)
{
    m_manualWidth = width;
    Q_EMIT sizeChanged();
}

void ProfileSettings::SetManualHeight(const QString &height)
{
    m_manualHeight = height;
    Q_EMIT sizeChanged();
}

void ProfileSettings::ShowDescription(ProfileOption option)
{
    const QString description
        = IniFile(m_profilePath)
              .GetText(SectionName(option), QStringLiteral("Description"), QString());
    m_description
        = description + QLatin1Char('\n') + QStringLiteral("Current Value: ") + Text(option);
    Q_EMIT descriptionChanged();
}

bool ProfileSettings::LoadProfile(const QString &path)
{
    if (!FileExists(path))
        return false;
    // One read of the file for the whole load.
    const IniDocument profile = IniDocument::Read(path);
    m_profilePath = path;
    m_outputExtension = QLatin1Char('.')
        + profile.Text(QStringLiteral("Main"), QStringLiteral("Type"), QStringLiteral("avi"));
    // A flag unknown to older profiles: without it a profile re-encodes, as it always did.
    m_streamCopy = profile.Number(QStringLiteral("Main"), QStringLiteral("Copy"), 0) != 0;

    for (const ProfileOption option : kProfileOptions) {
        const QString section = SectionName(option);
        const int items = std::clamp<int32_t>(profile.Number(section, QStringLiteral("Items"), 0),
                                              0, kMaxItems);
        OptionBox &box = Box(option);
        box.captions.clear();
        for (int i = 0; i < items; ++i)
            box.captions.append(
                profile.Text(section, QStringLiteral("Caption") + QString::number(i), QString()));
        Select(option, profile.Number(section, QStringLiteral("Index"), -1));
        if (option == ProfileOption::AudioCodec || option == ProfileOption::Mp3Encode)
            RunChangeReaction(option);
    }
    Q_EMIT loaded();
    return true;
}

ProfileSettings::Snapshot ProfileSettings::TakeSnapshot() const
{
    Snapshot snapshot;
    for (size_t i = 0; i < m_boxes.size(); ++i)
        snapshot.boxes[i] = {m_boxes[i].index, m_boxes[i].text};
    snapshot.selectSize = m_selectSize;
    snapshot.manualWidth = m_manualWidth;
    snapshot.manualHeight = m_manualHeight;
    return snapshot;
}

void ProfileSettings::RestoreSnapshot(const Snapshot &snapshot)
{
    for (const ProfileOption option : kProfileOptions) {
        const Snapshot::BoxState &state = snapshot.boxes[size_t(option)];
        OptionBox &box = Box(option);
        box.index = state.index >= 0 && state.index < box.captions.size() ? state.index : -1;
        if (IsEditable(option))
            box.text = state.text;
        else
            box.text = box.index >= 0 ? box.captions.at(box.index) : QString();
        Q_EMIT optionChanged(option);
    }
    m_selectSize = snapshot.selectSize;
    m_manualWidth = snapshot.manualWidth;
    m_manualHeight = snapshot.manualHeight;
    Q_EMIT sizeChanged();

    const bool mp3 = IsMp3Caption(Text(ProfileOption::AudioCodec));
    const bool quality = Index(ProfileOption::Mp3Encode) == 0;
    if (mp3 != m_mp3Panel || quality != m_qualityShown) {
        m_mp3Panel = mp3;
        m_qualityShown = quality;
        Q_EMIT panelsChanged();
    }
}
