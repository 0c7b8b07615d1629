// The Output Settings dialog on a real profile file: what it shows, the audio panels, the
// checks of OK, Cancel, the close box, the description display and what the option builder
// reads afterwards.
#include "common/TestSupport.h"
#include "gui/OpSettingAboutSupport.h"

#include "profiles/OptionBuilder.h"
#include "profiles/ProfileSettings.h"
#include "ui/TopSettingForm.h"

#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTemporaryDir>

#include <map>
#include <memory>

namespace {

using qvj::test::CatchMessages;
using qvj::test::OwnerWindow;
using qvj::test::SeenMessage;

// A profile with every option; each description names its section.
struct Section
{
    const char *name;
    QStringList captions;
    int index;
    QStringList values;
};

const Section kSections[] = {
    {"Video Codec", {"MPEG-4", "MS MPEG-4 V2", "Motion JPEG"}, 0, {"mpeg4", "msmpeg4v2", "mjpeg"}},
    {"Video Size", {"320 x 240", "640 x 480", "720 x 576"}, 1, {"320:240", "640:480", "720:576"}},
    {"Video Bitrate", {"800", "1200", "2000"}, 1, {}},
    {"Aspect", {"Auto", "4:3", "16:9"}, 0, {"", "4/3", "16/9"}},
    {"Audio Codec", {"MP3", "MP2", "AC3", "PCM"}, 2, {"mp3", "mp2", "ac3", "pcm"}},
    {"MP3 Encode", {"VBR", "ABR", "CBR"}, 0, {"vbr", "abr", "cbr"}},
    {"VBR Quality", {"High", "Normal", "Low"}, 1, {"2", "4", "6"}},
    {"ABR CBR Bitrate", {"128", "192", "256"}, 1, {"128", "192", "256"}},
    {"Audio Bitrate", {"128", "192", "256"}, 1, {}},
    {"Sample Rate", {"44100", "48000"}, 0, {}},
    {"Channels", {"Mono", "Stereo"}, 1, {"1", "2"}},
};

// The profile's text; indexes overrides the "Index" of the sections it names.
QString ProfileText(const std::map<QString, int> &indexes = {})
{
    QString text = QStringLiteral("[Main]\nType=avi\n");
    for (const Section &section : kSections) {
        const QString name = QLatin1String(section.name);
        const auto index = indexes.find(name);
        text += QStringLiteral("[%1]\nItems=%2\nIndex=%3\nDescription=About %1\n")
                    .arg(name)
                    .arg(section.captions.size())
                    .arg(index == indexes.end() ? section.index : index->second);
        for (qsizetype i = 0; i < section.captions.size(); ++i)
            text += QStringLiteral("Caption%1=%2\n").arg(i).arg(section.captions[i]);
        for (qsizetype i = 0; i < section.values.size(); ++i)
            text += QStringLiteral("value%1=%2\n").arg(i).arg(section.values[i]);
    }
    return text;
}

QStringList Items(const QComboBox *box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items.append(box->itemText(i));
    return items;
}

// Picks an entry the way a user does with the keyboard (each step is a user's choice).
void Pick(QComboBox *box, int index)
{
    for (int n = 0; n < box->count(); ++n)
        QTest::keyClick(box, Qt::Key_Up);
    if (box->currentIndex() < 0)
        QTest::keyClick(box, Qt::Key_Down);
    for (int n = 0; n < index; ++n)
        QTest::keyClick(box, Qt::Key_Down);
}

// Replaces the text of an edit or an editable box by typing.
void Type(QWidget *widget, const QString &text)
{
    QTest::keyClick(widget, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(widget, Qt::Key_Backspace);
    QTest::keyClicks(widget, text);
}

class OpSettingForm : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath(QStringLiteral("Test.bpf"));
        WriteProfile(ProfileText());
        // As at start-up: the dialog exists before the first profile is loaded.
        form = std::make_unique<TopSettingForm>(settings, &owner.widget);
        ASSERT_TRUE(settings.LoadProfile(path));
    }

    void TearDown() override
    {
        if (form)
            form->hide();
    }

    void WriteProfile(const QString &text)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text.toUtf8());
    }

    void Open()
    {
        form->ShowDialog();
        ASSERT_TRUE(QTest::qWaitFor([this] { return form->isActiveWindow(); }));
    }

    template<class T> T *Get(const char *name) const
    {
        T *widget = form->findChild<T *>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QComboBox *Box(const char *name) const { return Get<QComboBox>(name); }
    QString Description() const { return Get<QPlainTextEdit>("memDescription")->toPlainText(); }

    std::vector<SeenMessage> PressOk()
    {
        return CatchMessages(
            [this] { QTest::mouseClick(Get<QPushButton>("btnOK"), Qt::LeftButton); });
    }

    QTemporaryDir dir;
    QString path;
    ProfileSettings settings;
    OwnerWindow owner;
    std::unique_ptr<TopSettingForm> form;
};

TEST_F(OpSettingForm, ShowsTheLoadedProfile)
{
    const char *names[]
        = {"cmbVcodec",  "cmbVideoSize", "cmbVbitrate", "cmbAspect", "cmbAcodec",  "cmbEncodeTo",
           "cmbQuality", "cmbBitrate",   "cmbAbitrate", "cmbSrate",  "cmbChannels"};
    for (size_t i = 0; i < kProfileOptions.size(); ++i) {
        const Section &section = kSections[i];
        QComboBox *box = Box(names[i]);
        ASSERT_EQ(box, form->Box(kProfileOptions[i])) << names[i];
        EXPECT_EQ(Items(box), section.captions) << names[i];
        EXPECT_EQ(box->currentIndex(), section.index) << names[i];
        EXPECT_EQ(box->currentText(), section.captions[section.index]) << names[i];
        EXPECT_EQ(box->isEditable(), IsEditable(kProfileOptions[i])) << names[i];
    }
    EXPECT_TRUE(Get<QRadioButton>("rdbSelectSize")->isChecked());
    EXPECT_FALSE(Get<QRadioButton>("rdbManualSize")->isChecked());
    // After a load the description shows the last change reaction's box, MP3 Encode.
    EXPECT_EQ(Description(), QStringLiteral("About MP3 Encode\nCurrent Value: VBR"));
    EXPECT_TRUE(Get<QWidget>("panLavc")->isVisibleTo(form.get()));
    EXPECT_FALSE(Get<QWidget>("panMP3")->isVisibleTo(form.get()));
}

TEST_F(OpSettingForm, CaptionsAndLayout)
{
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Output Settings"));
    QStringList labels;
    for (const QLabel *label : form->findChildren<QLabel *>())
        labels.append(label->text());
    for (const char *caption :
         {"Video Codec: ", "Video Bitrate:", "kbit",
          "Aspect:", "Width:", "Height:", "Audio Codec:", "Audio Bitrate:", "Kbps",
          "Encode To:", "Quality:", "Bitrate:", "Channels:", "Sample Rate:", "HZ"})
        EXPECT_TRUE(labels.contains(QLatin1String(caption))) << caption;
    EXPECT_EQ(Get<QGroupBox>("gpbOutputSize")->title(), QStringLiteral("Output Size"));
    EXPECT_EQ(Get<QGroupBox>("gpbDecription")->title(), QStringLiteral("Decription"));
    EXPECT_EQ(Get<QRadioButton>("rdbSelectSize")->text(), QString());
    EXPECT_EQ(Get<QRadioButton>("rdbManualSize")->text(), QStringLiteral("Manual"));
    EXPECT_EQ(Get<QPushButton>("btnOK")->text(), QStringLiteral("OK"));
    EXPECT_EQ(Get<QPushButton>("btnCancel")->text(), QStringLiteral("Cancel"));
    EXPECT_TRUE(Get<QPlainTextEdit>("memDescription")->isReadOnly());

    Open();
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    const QPoint offset = form->frameGeometry().center() - owner.widget.frameGeometry().center();
    EXPECT_LE(offset.manhattanLength(), 4);
    // Where a control shows, in the dialog's coordinates, once the layout has settled.
    const auto shownAt = [this](const char *name) {
        QCoreApplication::processEvents();
        QWidget *widget = Get<QWidget>(name);
        EXPECT_TRUE(widget->isVisible()) << name;
        return QRect(widget->mapTo(form.get(), QPoint(0, 0)), widget->size());
    };
    const QRect lavc = shownAt("panLavc");
    const QRect abitrate = shownAt("cmbAbitrate");
    const QRect acodec = shownAt("cmbAcodec");
    const QRect srate = shownAt("cmbSrate");
    qvj::test::SaveScreenshot(*form, QStringLiteral("output-settings-lavc"));

    // The MP3 panel lies exactly over the audio bitrate panel, its boxes in the same columns
    // as the rows around it; the bitrate pair lies exactly over the quality pair.
    Pick(Box("cmbAcodec"), 0);
    EXPECT_EQ(shownAt("panMP3"), lavc);
    EXPECT_EQ(shownAt("cmbEncodeTo").left(), acodec.left());
    EXPECT_EQ(shownAt("cmbEncodeTo").top(), abitrate.top());
    const QRect qualityLabel = shownAt("labQuality");
    const QRect quality = shownAt("cmbQuality");
    EXPECT_EQ(quality.left(), srate.left());
    Pick(Box("cmbEncodeTo"), 1);
    EXPECT_EQ(shownAt("labBitrate"), qualityLabel);
    EXPECT_EQ(shownAt("cmbBitrate"), quality);
    qvj::test::SaveScreenshot(*form, QStringLiteral("output-settings-mp3"));
}

TEST_F(OpSettingForm, PanelsFollowAudioCodecAndEncodeMode)
{
    Open();
    struct Step
    {
        const char *box;
        int index;
        bool mp3Panel;
        bool quality;
        const char *about;
    };
    // Only the exact caption "MP3" shows the MP3 panel; only the first mode the quality pair.
    const Step steps[] = {{"cmbAcodec", 0, true, true, "About Audio Codec"},
                          {"cmbEncodeTo", 1, true, false, "About MP3 Encode"},
                          {"cmbAcodec", 1, false, false, "About Audio Codec"},
                          {"cmbAcodec", 0, true, false, "About Audio Codec"},
                          {"cmbEncodeTo", 2, true, false, "About MP3 Encode"},
                          {"cmbEncodeTo", 0, true, true, "About MP3 Encode"},
                          {"cmbAcodec", 3, false, true, "About Audio Codec"},
                          {"cmbAcodec", 2, false, true, "About Audio Codec"}};
    QWidget *mp3 = Get<QWidget>("panMP3");
    for (const Step &step : steps) {
        Pick(Box(step.box), step.index);
        const std::string where = std::string(step.box) + " " + std::to_string(step.index);
        EXPECT_EQ(Get<QWidget>("panMP3")->isVisible(), step.mp3Panel) << where;
        EXPECT_EQ(Get<QWidget>("panLavc")->isVisible(), !step.mp3Panel) << where;
        EXPECT_EQ(Get<QLabel>("labQuality")->isVisibleTo(mp3), step.quality) << where;
        EXPECT_EQ(Box("cmbQuality")->isVisibleTo(mp3), step.quality) << where;
        EXPECT_EQ(Get<QLabel>("labBitrate")->isVisibleTo(mp3), !step.quality) << where;
        EXPECT_EQ(Box("cmbBitrate")->isVisibleTo(mp3), !step.quality) << where;
        EXPECT_EQ(Description(),
                  QLatin1String(step.about) + QStringLiteral("\nCurrent Value: ")
                      + Box(step.box)->currentText())
            << where;
    }
}

TEST_F(OpSettingForm, NoEncodeModeShowsTheBitratePair)
{
    const QString profile
        = ProfileText({{QStringLiteral("MP3 Encode"), 7}, {QStringLiteral("Audio Codec"), 0}});
    WriteProfile(profile);
    ASSERT_TRUE(settings.LoadProfile(path));
    EXPECT_EQ(Box("cmbEncodeTo")->currentIndex(), -1);
    EXPECT_TRUE(Get<QWidget>("panMP3")->isVisibleTo(form.get()));
    EXPECT_TRUE(Box("cmbBitrate")->isVisibleTo(form.get()));
    EXPECT_FALSE(Box("cmbQuality")->isVisibleTo(form.get()));
}

// One user action: type text into a box or an edit, pick an entry, or click a radio button.
struct Act
{
    const char *widget;
    const char *typed = nullptr;
    int pick = -1;
};

struct OkCase
{
    const char *name;
    std::vector<Act> acts;
    const char *title; // nullptr: the dialog closes without a message
    const char *text;
    const char *focus;
};

class OpSettingFormOk : public OpSettingForm, public ::testing::WithParamInterface<OkCase>
{
};

void PrintTo(const OkCase &c, std::ostream *os)
{
    *os << c.name;
}

std::string OkCaseName(const ::testing::TestParamInfo<OkCase> &param)
{
    return param.param.name;
}

TEST_P(OpSettingFormOk, ChecksInOrder)
{
    Open();
    for (const Act &act : GetParam().acts) {
        if (act.typed)
            Type(Get<QWidget>(act.widget), QString::fromUtf8(act.typed));
        else if (act.pick >= 0)
            Pick(Box(act.widget), act.pick);
        else
            Get<QRadioButton>(act.widget)->click();
    }
    const auto seen = PressOk();
    if (!GetParam().title) {
        EXPECT_TRUE(seen.empty());
        EXPECT_FALSE(form->isVisible());
        return;
    }
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].title, QLatin1String(GetParam().title));
    EXPECT_EQ(seen[0].text, QLatin1String(GetParam().text));
    EXPECT_EQ(seen[0].icon, QMessageBox::Information);
    EXPECT_EQ(seen[0].parent, form.get());
    EXPECT_TRUE(form->isVisible());
    ASSERT_NE(form->focusWidget(), nullptr);
    EXPECT_EQ(form->focusWidget()->objectName(), QLatin1String(GetParam().focus));
}

const char kVideo[] = "Invalid Video Bitrate";
const char kVideoText[] = "The video bitrate is invalid.";
const char kAudio[] = "Invalid Audio Bitrate";
const char kAudioText[] = "The Audio bitrate is invalid.";
const char kMp2Text[] = "The maximum value of audio bitrate for MP2 codec is 128";

// clang-format off
INSTANTIATE_TEST_SUITE_P(Steps, OpSettingFormOk, ::testing::Values(
    OkCase{"LoadedProfilePasses", {}, nullptr, nullptr, nullptr},
    OkCase{"VideoBitrateWithLetters", {{"cmbVbitrate", "12a"}}, kVideo, kVideoText, "cmbVbitrate"},
    OkCase{"VideoBitrateEmpty", {{"cmbVbitrate", ""}}, kVideo, kVideoText, "cmbVbitrate"},
    OkCase{"VideoBitrateComesFirst", {{"cmbSrate", "x"}, {"cmbVbitrate", "1.5"}},
           kVideo, kVideoText, "cmbVbitrate"},
    OkCase{"NegativeBlanksAndHexPass",
           {{"cmbVbitrate", "  -5"}, {"cmbSrate", "$AC44"}, {"cmbAbitrate", "0"}},
           nullptr, nullptr, nullptr},
    OkCase{"ManualEmptyWidth", {{"rdbManualSize"}},
           "Invalid Width", "The output width is invalid.", "edtWidth"},
    OkCase{"ManualBadHeight",
           {{"rdbManualSize"}, {"edtWidth", "720"}, {"edtHeight", "57 6"}},
           "Invalid Height", "The output height is invalid.", "edtHeight"},
    OkCase{"ListSizeIgnoresWidthAndHeight",
           {{"rdbManualSize"}, {"edtWidth", "wide"}, {"rdbSelectSize"}},
           nullptr, nullptr, nullptr},
    OkCase{"SampleRate", {{"cmbSrate", "44.1"}},
           "Invalid Sample Rate", "The sample rate is invalid.", "cmbSrate"},
    OkCase{"AudioBitrate", {{"cmbAbitrate", "1 28"}}, kAudio, kAudioText, "cmbAbitrate"},
    OkCase{"HiddenAudioBitrateStillChecked", {{"cmbAbitrate", ""}, {"cmbAcodec", nullptr, 0}},
           kAudio, kAudioText, "cmbAcodec"},
    OkCase{"Mp2Above128", {{"cmbAcodec", nullptr, 1}, {"cmbAbitrate", "160"}},
           kAudio, kMp2Text, "cmbAbitrate"},
    OkCase{"Mp2At128Passes", {{"cmbAcodec", nullptr, 1}, {"cmbAbitrate", nullptr, 0}},
           nullptr, nullptr, nullptr},
    OkCase{"Ac3Above128Passes", {{"cmbAbitrate", "448"}}, nullptr, nullptr, nullptr}),
    OkCaseName);
// clang-format on

TEST_F(OpSettingForm, Mp2LimitSetsTheBoxAndASecondOkCloses)
{
    Open();
    Pick(Box("cmbAcodec"), 1);
    Type(Box("cmbAbitrate"), QStringLiteral("0x100"));
    ASSERT_EQ(PressOk().size(), 1u);
    EXPECT_EQ(Box("cmbAbitrate")->currentText(), QStringLiteral("128"));
    EXPECT_EQ(settings.Text(ProfileOption::AudioBitrate), QStringLiteral("128"));
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(PressOk().empty());
    EXPECT_FALSE(form->isVisible());
}

TEST_F(OpSettingForm, CancelRestoresEverythingShownAtOpening)
{
    // Left by an earlier showing: MP3 with CBR, so the bitrate pair shows.
    settings.SetIndex(ProfileOption::AudioCodec, 0);
    settings.SetIndex(ProfileOption::Mp3Encode, 2);
    Open();
    const QString descriptionBefore = Description();

    Pick(Box("cmbVcodec"), 2);
    Pick(Box("cmbAspect"), 1);
    Pick(Box("cmbVideoSize"), 0);
    Type(Box("cmbVbitrate"), QStringLiteral("3000"));
    Pick(Box("cmbBitrate"), 2);
    Type(Box("cmbBitrate"), QStringLiteral("320"));
    Pick(Box("cmbEncodeTo"), 0);
    Pick(Box("cmbQuality"), 0);
    Pick(Box("cmbAcodec"), 3);
    Type(Box("cmbAbitrate"), QStringLiteral("96"));
    Type(Box("cmbSrate"), QStringLiteral("22050"));
    Pick(Box("cmbChannels"), 0);
    Get<QRadioButton>("rdbManualSize")->click();
    Type(Get<QLineEdit>("edtWidth"), QStringLiteral("720"));
    Type(Get<QLineEdit>("edtHeight"), QStringLiteral("576"));
    ASSERT_TRUE(Get<QWidget>("panLavc")->isVisible());
    const QString descriptionAfterEdits = Description();

    QTest::mouseClick(Get<QPushButton>("btnCancel"), Qt::LeftButton);
    EXPECT_FALSE(form->isVisible());

    // Every box as loaded, but for the two choices made before the dialog was opened.
    for (size_t i = 0; i < kProfileOptions.size(); ++i) {
        const ProfileOption option = kProfileOptions[i];
        const int index = option == ProfileOption::AudioCodec ? 0
            : option == ProfileOption::Mp3Encode              ? 2
                                                              : kSections[i].index;
        EXPECT_EQ(form->Box(option)->currentIndex(), index) << kSections[i].name;
        EXPECT_EQ(form->Box(option)->currentText(), kSections[i].captions[index])
            << kSections[i].name;
    }
    EXPECT_TRUE(Get<QRadioButton>("rdbSelectSize")->isChecked());
    EXPECT_FALSE(Get<QRadioButton>("rdbManualSize")->isChecked());
    EXPECT_EQ(Get<QLineEdit>("edtWidth")->text(), QString());
    EXPECT_EQ(Get<QLineEdit>("edtHeight")->text(), QString());
    // The panels follow the restored choices; the description stays as the user left it.
    EXPECT_TRUE(Get<QWidget>("panMP3")->isVisibleTo(form.get()));
    EXPECT_FALSE(Get<QWidget>("panLavc")->isVisibleTo(form.get()));
    EXPECT_TRUE(Box("cmbBitrate")->isVisibleTo(form.get()));
    EXPECT_EQ(Description(), descriptionAfterEdits);
    EXPECT_NE(Description(), descriptionBefore);
    // The option builder reads what the dialog shows again, the bitrate by its given-back index.
    EXPECT_TRUE(BuildEncoderOptions(settings, path)
                    .contains(QStringLiteral("-oac mp3lame -lameopts cbr:br=192 -channels 2")));

    // The owner takes input again.
    owner.ClickThroughWindowSystem();
    EXPECT_EQ(owner.clicks, 1);
}

TEST_F(OpSettingForm, CloseBoxKeepsTheEdits)
{
    Open();
    Type(Box("cmbVbitrate"), QStringLiteral("not a number"));
    Get<QRadioButton>("rdbManualSize")->click();
    Pick(Box("cmbAcodec"), 0);
    const auto seen = CatchMessages([this] { form->close(); });
    EXPECT_TRUE(seen.empty());
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(Box("cmbVbitrate")->currentText(), QStringLiteral("not a number"));
    EXPECT_EQ(settings.Text(ProfileOption::VideoBitrate), QStringLiteral("not a number"));
    EXPECT_FALSE(settings.SelectSize());
    EXPECT_TRUE(settings.Mp3PanelShown());
}

TEST_F(OpSettingForm, EnterAndEscapeCloseNothing)
{
    Open();
    QWidget *targets[] = {Box("cmbVbitrate"), Box("cmbAcodec"), Get<QLineEdit>("edtWidth"),
                          Get<QPushButton>("btnOK"), Get<QPushButton>("btnCancel")};
    for (QWidget *target : targets) {
        target->setFocus(Qt::TabFocusReason);
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
            const auto seen = CatchMessages([&] { QTest::keyClick(target, key); });
            EXPECT_TRUE(seen.empty());
            EXPECT_TRUE(form->isVisible()) << target->objectName().toStdString() << " " << key;
        }
    }
}

TEST_F(OpSettingForm, TypedTextMeansNoSelection)
{
    Open();
    QComboBox *bitrate = Box("cmbBitrate");
    Pick(Box("cmbAcodec"), 0);
    Pick(Box("cmbEncodeTo"), 1);
    // The typed text equals an entry, yet nothing is selected, completed or added.
    Type(bitrate, QStringLiteral("25"));
    EXPECT_EQ(bitrate->currentText(), QStringLiteral("25"));
    QTest::keyClicks(bitrate, QStringLiteral("6"));
    QTest::keyClick(bitrate, Qt::Key_Return);
    EXPECT_EQ(bitrate->currentText(), QStringLiteral("256"));
    EXPECT_EQ(bitrate->currentIndex(), -1);
    EXPECT_EQ(bitrate->count(), 3);
    EXPECT_EQ(settings.Index(ProfileOption::AbrCbrBitrate), -1);
    // The builder then reads value-1, which no profile holds: the default 224.
    EXPECT_TRUE(BuildEncoderOptions(settings, path).contains(QStringLiteral("abr:br=224")));
    // Typing in the middle of a picked entry keeps the cursor where the user types.
    QComboBox *video = Box("cmbVbitrate");
    video->setFocus(Qt::TabFocusReason);
    QTest::keyClick(video, Qt::Key_Home);
    QTest::keyClick(video, Qt::Key_Right);
    QTest::keyClicks(video, QStringLiteral("50"));
    EXPECT_EQ(video->currentText(), QStringLiteral("150200"));
    EXPECT_EQ(video->currentIndex(), -1);
    // Picking from the list selects again.
    Pick(bitrate, 0);
    EXPECT_EQ(settings.Index(ProfileOption::AbrCbrBitrate), 0);
    EXPECT_TRUE(BuildEncoderOptions(settings, path).contains(QStringLiteral("abr:br=128")));
}

TEST_F(OpSettingForm, DescriptionFollowsFocusAndTyping)
{
    Open();
    struct FocusCase
    {
        const char *box;
        const char *about;
    };
    for (const FocusCase c :
         {FocusCase {"cmbVbitrate", "About Video Bitrate"},
          FocusCase {"cmbChannels", "About Channels"}, FocusCase {"cmbVcodec", "About Video Codec"},
          FocusCase {"cmbSrate", "About Sample Rate"}}) {
        Box(c.box)->setFocus(Qt::TabFocusReason);
        EXPECT_EQ(Description(),
                  QLatin1String(c.about) + QStringLiteral("\nCurrent Value: ")
                      + Box(c.box)->currentText());
    }
    // Each keystroke shows the new value; the profile file is read at that moment.
    Box("cmbVbitrate")->setFocus(Qt::TabFocusReason);
    QTest::keyClick(Box("cmbVbitrate"), Qt::Key_End);
    QTest::keyClick(Box("cmbVbitrate"), Qt::Key_0);
    EXPECT_EQ(Description(), QStringLiteral("About Video Bitrate\nCurrent Value: 12000"));
    WriteProfile(ProfileText().replace(QStringLiteral("About Video Bitrate"),
                                       QStringLiteral("Changed on disk")));
    QTest::keyClick(Box("cmbVbitrate"), Qt::Key_Backspace);
    EXPECT_EQ(Description(), QStringLiteral("Changed on disk\nCurrent Value: 1200"));
    QFile::remove(path);
    QTest::keyClick(Box("cmbVbitrate"), Qt::Key_Backspace);
    EXPECT_EQ(Description(), QStringLiteral("\nCurrent Value: 120"));
    // The size controls have no description.
    Get<QLineEdit>("edtWidth")->setFocus(Qt::TabFocusReason);
    Get<QRadioButton>("rdbManualSize")->click();
    EXPECT_EQ(Description(), QStringLiteral("\nCurrent Value: 120"));
}

TEST_F(OpSettingForm, OptionBuilderReadsTheDialogsEdits)
{
    Open();
    Pick(Box("cmbVcodec"), 1);
    Type(Box("cmbVbitrate"), QStringLiteral("2500"));
    Pick(Box("cmbAspect"), 2);
    Pick(Box("cmbAcodec"), 0);
    Pick(Box("cmbEncodeTo"), 0);
    Pick(Box("cmbQuality"), 0);
    Pick(Box("cmbChannels"), 0);
    Type(Box("cmbSrate"), QStringLiteral("48000"));
    Get<QRadioButton>("rdbManualSize")->click();
    Type(Get<QLineEdit>("edtWidth"), QStringLiteral("720"));
    Type(Get<QLineEdit>("edtHeight"), QStringLiteral("576"));
    ASSERT_TRUE(PressOk().empty());
    EXPECT_EQ(GetVideoSizeValue(settings, path), QStringLiteral("720:576"));
    EXPECT_EQ(BuildEncoderOptions(settings, path),
              QStringLiteral(" -ovc lavc -lavcopts vcodec=msmpeg4v2:vbitrate=2500:mbd=2:"
                             "aspect=16/9 -oac mp3lame -lameopts vbr=2:q=2 -channels 1 "
                             "-vf scale=720:576 -srate 48000"));

    // Loading the profile again shows its own values, but keeps the manual size.
    ASSERT_TRUE(settings.LoadProfile(path));
    EXPECT_EQ(Box("cmbVcodec")->currentText(), QStringLiteral("MPEG-4"));
    EXPECT_EQ(Box("cmbVbitrate")->currentText(), QStringLiteral("1200"));
    EXPECT_TRUE(Get<QRadioButton>("rdbManualSize")->isChecked());
    EXPECT_EQ(Get<QLineEdit>("edtWidth")->text(), QStringLiteral("720"));
}

TEST_F(OpSettingForm, OwnerTakesNoInputWhileShown)
{
    owner.ClickThroughWindowSystem();
    EXPECT_EQ(owner.clicks, 1);
    for (const char *button : {"btnOK", "btnCancel"}) {
        Open();
        owner.ClickThroughWindowSystem();
        EXPECT_EQ(owner.clicks, 1) << button;
        ASSERT_TRUE(CatchMessages([&] {
                        QTest::mouseClick(Get<QPushButton>(button), Qt::LeftButton);
                    }).empty());
        EXPECT_FALSE(form->isVisible());
        owner.ClickThroughWindowSystem();
        EXPECT_EQ(owner.clicks, 2) << button;
        owner.clicks = 1;
    }
}

} // namespace
