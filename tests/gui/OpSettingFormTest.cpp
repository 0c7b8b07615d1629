// The Output Settings dialog on a real profile file: what it shows and where, the audio panels,
// the checks of OK, Cancel, the close box, the keys, the description display and what the
// option builder reads afterwards.
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

#include <memory>

namespace {

using qvj::test::CatchMessages;
using qvj::test::SeenMessage;

// A profile with every option, in the order of kProfileOptions, with the box that shows it;
// each description names its section.
struct Section
{
    const char *box;
    const char *name;
    QStringList captions;
    int index;
    QStringList values;
};

// clang-format off
const Section kSections[] = {
    {"cmbVcodec", "Video Codec", {"MPEG-4", "MS MPEG-4", "MJPEG"}, 0,
     {"mpeg4", "msmpeg4v2", "mjpeg"}},
    {"cmbVideoSize", "Video Size", {"320 x 240", "640 x 480", "720 x 576"}, 1, {}},
    {"cmbVbitrate", "Video Bitrate", {"800", "1200", "2000"}, 1, {}},
    {"cmbAspect", "Aspect", {"Auto", "4:3", "16:9"}, 0, {"", "4/3", "16/9"}},
    {"cmbAcodec", "Audio Codec", {"MP3", "MP2", "AC3", "PCM"}, 2, {"mp3", "mp2", "ac3", "pcm"}},
    {"cmbEncodeTo", "MP3 Encode", {"VBR (variable bitrate)", "ABR", "CBR (constant bitrate)"}, 0,
     {"vbr", "abr", "cbr"}},
    {"cmbQuality", "VBR Quality", {"High", "Normal", "Low"}, 1, {"2", "4", "6"}},
    {"cmbBitrate", "ABR CBR Bitrate", {"128", "192", "256"}, 1, {"128", "192", "256"}},
    {"cmbAbitrate", "Audio Bitrate", {"128", "192", "256"}, 1, {}},
    {"cmbSrate", "Sample Rate", {"44100", "48000"}, 0, {}},
    {"cmbChannels", "Channels", {"Mono", "Stereo"}, 1, {"1", "2"}},
};
// clang-format on

QString ProfileText()
{
    QString text = QStringLiteral("[Main]\nType=avi\n");
    for (const Section &s : kSections) {
        text += QStringLiteral("[%1]\nItems=%2\nIndex=%3\nDescription=About %1\n")
                    .arg(QLatin1String(s.name))
                    .arg(s.captions.size())
                    .arg(s.index);
        for (qsizetype i = 0; i < s.captions.size(); ++i)
            text += QStringLiteral("Caption%1=%2\n").arg(i).arg(s.captions[i]);
        for (qsizetype i = 0; i < s.values.size(); ++i)
            text += QStringLiteral("value%1=%2\n").arg(i).arg(s.values[i]);
    }
    return text;
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
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(ProfileText().toUtf8());
        file.close();
        // As at start-up: the dialog exists before the first profile is loaded.
        form = std::make_unique<TopSettingForm>(settings, &owner.widget);
        ASSERT_TRUE(settings.LoadProfile(path));
    }

    void Open()
    {
        form->ShowDialog();
        ASSERT_TRUE(QTest::qWaitFor([this] { return form->isActiveWindow(); }));
    }

    template<class T = QWidget> T *Get(const char *name) const
    {
        T *widget = form->findChild<T *>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QComboBox *Box(const char *name) const { return Get<QComboBox>(name); }
    bool Shown(const char *name) const { return Get(name)->isVisibleTo(form.get()); }
    QString Description() const { return Get<QPlainTextEdit>("memDescription")->toPlainText(); }

    std::vector<SeenMessage> PressOk()
    {
        return CatchMessages(
            [this] { QTest::mouseClick(Get<QPushButton>("btnOK"), Qt::LeftButton); });
    }

    QTemporaryDir dir;
    QString path;
    ProfileSettings settings;
    qvj::test::OwnerWindow owner;
    std::unique_ptr<TopSettingForm> form;
};

TEST_F(OpSettingForm, ShowsTheLoadedProfileUnderItsCaptions)
{
    for (size_t i = 0; i < kProfileOptions.size(); ++i) {
        const Section &s = kSections[i];
        QComboBox *box = Box(s.box);
        ASSERT_EQ(box, form->Box(kProfileOptions[i])) << s.box;
        QStringList items;
        for (int n = 0; n < box->count(); ++n)
            items.append(box->itemText(n));
        EXPECT_EQ(items, s.captions) << s.box;
        EXPECT_EQ(box->currentIndex(), s.index) << s.box;
        EXPECT_EQ(box->currentText(), s.captions[s.index]) << s.box;
        EXPECT_EQ(box->isEditable(), IsEditable(kProfileOptions[i])) << s.box;
    }
    EXPECT_TRUE(Get<QRadioButton>("rdbSelectSize")->isChecked());
    EXPECT_TRUE(Shown("panLavc"));
    EXPECT_FALSE(Shown("panMP3"));
    // After a load the description shows the last change reaction's box, MP3 Encode.
    EXPECT_EQ(Description(),
              QStringLiteral("About MP3 Encode\nCurrent Value: VBR (variable bitrate)"));

    // Every caption, exactly, and no other (the empty ones: the list size's radio button and
    // the MP3 panel's unit column).
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Output Settings"));
    QStringList captions;
    for (const QLabel *label : form->findChildren<QLabel *>())
        captions.append(label->text());
    for (const QAbstractButton *button : form->findChildren<QAbstractButton *>())
        captions.append(button->text());
    for (const QGroupBox *group : form->findChildren<QGroupBox *>())
        captions.append(group->title());
    captions.sort();
    QStringList expected = QStringLiteral("Video Codec: |Video Bitrate:|kbit|Aspect:|Output Size||"
                                          "Manual|Width:|Height:|Audio Codec:|Audio Bitrate:|Kbps|"
                                          "Encode To:||Quality:|Bitrate:|Channels:|Sample Rate:|HZ|"
                                          "Decription|OK|Cancel")
                               .split(QLatin1Char('|'));
    expected.sort();
    EXPECT_EQ(captions, expected);
}

TEST_F(OpSettingForm, PanelsFollowAudioCodecAndEncodeModeInOnePlace)
{
    Open();
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    const QPoint offset = form->frameGeometry().center() - owner.widget.frameGeometry().center();
    EXPECT_LE(offset.manhattanLength(), 4);
    // Where a control shows, in the dialog's coordinates, once the layout has settled.
    const auto at = [this](const char *name) {
        QCoreApplication::processEvents();
        return QRect(Get(name)->mapTo(form.get(), QPoint(0, 0)), Get(name)->size());
    };
    const QRect lavc = at("panLavc");
    const QRect abitrate = at("cmbAbitrate");
    const QRect srate = at("cmbSrate");
    const QSize size = form->size();
    QRect pairLabel;
    qvj::test::SaveScreenshot(*form, QStringLiteral("output-settings-lavc"));

    // Only the caption "MP3" shows the MP3 panel, exactly over the other one, its boxes in the
    // columns of the rows around it; only the first mode shows the quality pair, the bitrate
    // pair lies exactly over it, and the pair keeps its state while the panel is hidden.
    const struct
    {
        const char *box;
        int index;
        bool mp3Panel;
        bool quality;
    } steps[] = {{"cmbAcodec", 0, true, true},   {"cmbEncodeTo", 1, true, false},
                 {"cmbAcodec", 1, false, false}, {"cmbAcodec", 0, true, false},
                 {"cmbEncodeTo", 0, true, true}, {"cmbAcodec", 3, false, true}};
    for (const auto &step : steps) {
        Pick(Box(step.box), step.index);
        const std::string where = std::string(step.box) + " " + std::to_string(step.index);
        EXPECT_EQ(Shown("panMP3"), step.mp3Panel) << where;
        EXPECT_EQ(Shown("panLavc"), !step.mp3Panel) << where;
        for (const char *name : {"labQuality", "cmbQuality"})
            EXPECT_EQ(Get(name)->isVisibleTo(Get("panMP3")), step.quality) << where;
        for (const char *name : {"labBitrate", "cmbBitrate"})
            EXPECT_EQ(Get(name)->isVisibleTo(Get("panMP3")), !step.quality) << where;
        const char *about
            = step.box == std::string("cmbAcodec") ? "About Audio Codec" : "About MP3 Encode";
        EXPECT_EQ(Description(),
                  QLatin1String(about) + QStringLiteral("\nCurrent Value: ")
                      + Box(step.box)->currentText())
            << where;
        if (step.mp3Panel) {
            // Every entry shows whole, even the long ones of the shipped profiles.
            EXPECT_GE(at("cmbEncodeTo").width(), Box("cmbEncodeTo")->sizeHint().width());
            EXPECT_EQ(at("panMP3"), lavc) << where;
            EXPECT_EQ(at("cmbEncodeTo"), abitrate) << where;
            const QRect label = at(step.quality ? "labQuality" : "labBitrate");
            EXPECT_EQ(label, pairLabel.isNull() ? label : pairLabel) << where;
            pairLabel = label;
            EXPECT_EQ(at(step.quality ? "cmbQuality" : "cmbBitrate"),
                      srate.translated(0, abitrate.top() - srate.top()))
                << where;
            qvj::test::SaveScreenshot(*form, QStringLiteral("output-settings-mp3"));
        }
        EXPECT_EQ(form->size(), size) << where;
    }
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
    const char *builds = nullptr; // part of the encoder options once the dialog has closed
};

const char kAudio[] = "Invalid Audio Bitrate";
const char kAudioText[] = "The Audio bitrate is invalid.";
const char kMp2Text[] = "The maximum value of audio bitrate for MP2 codec is 128";

class OpSettingFormOk : public OpSettingForm, public ::testing::WithParamInterface<OkCase>
{
};

TEST_P(OpSettingFormOk, ChecksInOrder)
{
    Open();
    for (const Act &act : GetParam().acts) {
        if (act.typed)
            Type(Get(act.widget), QString::fromUtf8(act.typed));
        else if (act.pick >= 0)
            Pick(Box(act.widget), act.pick);
        else
            Get<QRadioButton>(act.widget)->click();
    }
    const auto seen = PressOk();
    if (!GetParam().title) {
        EXPECT_TRUE(seen.empty());
        EXPECT_FALSE(form->isVisible());
        const QString options = BuildEncoderOptions(settings, path);
        EXPECT_TRUE(options.contains(QLatin1String(GetParam().builds))) << options.toStdString();
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

    // The values stay as they are, so a second OK refuses again; only the MP2 limit sets its
    // box to the limit, and then a second OK closes.
    const auto again = PressOk();
    if (seen[0].text == QLatin1String(kMp2Text)) {
        EXPECT_EQ(Box("cmbAbitrate")->currentText(), QStringLiteral("128"));
        EXPECT_TRUE(again.empty());
        EXPECT_FALSE(form->isVisible());
    } else {
        ASSERT_EQ(again.size(), 1u);
        EXPECT_EQ(again[0].text, seen[0].text);
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Steps, OpSettingFormOk, ::testing::Values(
    OkCase{"LoadedProfilePasses", {}, nullptr, nullptr, nullptr, "vcodec=mpeg4:vbitrate=1200:"},
    OkCase{"EditsReachTheBuilder",
           {{"cmbVcodec", nullptr, 1}, {"cmbAspect", nullptr, 2}, {"cmbAcodec", nullptr, 0},
            {"cmbQuality", nullptr, 0}, {"cmbChannels", nullptr, 0}, {"rdbManualSize"},
            {"edtWidth", "720"}, {"edtHeight", "576"}, {"cmbSrate", "48000"}},
           nullptr, nullptr, nullptr,
           "vcodec=msmpeg4v2:vbitrate=1200:mbd=2:aspect=16/9 -oac mp3lame "
           "-lameopts vbr=2:q=2 -channels 1 -vf scale=720:576 -srate 48000"},
    OkCase{"VideoBitrateComesFirst", {{"cmbSrate", "x"}, {"cmbVbitrate", "1.5"}},
           "Invalid Video Bitrate", "The video bitrate is invalid.", "cmbVbitrate"},
    // Numbers go on exactly as typed.
    OkCase{"NegativeBlanksAndHexPass",
           {{"cmbVbitrate", "  -5"}, {"cmbSrate", "$AC44"}, {"cmbAbitrate", "0"}},
           nullptr, nullptr, nullptr, "vbitrate=  -5:"},
    OkCase{"ManualEmptyWidth", {{"rdbManualSize"}},
           "Invalid Width", "The output width is invalid.", "edtWidth"},
    OkCase{"ManualBadHeight", {{"rdbManualSize"}, {"edtWidth", "720"}, {"edtHeight", "57 6"}},
           "Invalid Height", "The output height is invalid.", "edtHeight"},
    OkCase{"ListSizeIgnoresWidthAndHeight",
           {{"rdbManualSize"}, {"edtWidth", "wide"}, {"rdbSelectSize"}},
           nullptr, nullptr, nullptr, "-vf scale=640:480"},
    OkCase{"SampleRate", {{"cmbSrate", "44.1"}},
           "Invalid Sample Rate", "The sample rate is invalid.", "cmbSrate"},
    OkCase{"AudioBitrate", {{"cmbAbitrate", "1 28"}}, kAudio, kAudioText, "cmbAbitrate"},
    // While the MP3 panel hides the box, the focus goes to the codec box.
    OkCase{"HiddenAudioBitrateStillChecked", {{"cmbAbitrate", ""}, {"cmbAcodec", nullptr, 0}},
           kAudio, kAudioText, "cmbAcodec"},
    OkCase{"Mp2Above128", {{"cmbAcodec", nullptr, 1}, {"cmbAbitrate", "0x100"}},
           kAudio, kMp2Text, "cmbAbitrate"},
    OkCase{"Mp2At128Passes", {{"cmbAcodec", nullptr, 1}, {"cmbAbitrate", nullptr, 0}},
           nullptr, nullptr, nullptr, "acodec=mp2:abitrate=128"},
    OkCase{"Ac3Above128Passes", {{"cmbAbitrate", "448"}},
           nullptr, nullptr, nullptr, "acodec=ac3:abitrate=448"}),
    [](const ::testing::TestParamInfo<OkCase> &p) { return std::string(p.param.name); });
// clang-format on

TEST_F(OpSettingForm, CancelRestoresEverythingShownAtOpening)
{
    // Left by an earlier showing: MP3 with CBR (the bitrate pair) and a typed video bitrate.
    settings.SetIndex(ProfileOption::AudioCodec, 0);
    settings.SetIndex(ProfileOption::Mp3Encode, 2);
    settings.SetText(ProfileOption::VideoBitrate, QStringLiteral(" 900"));
    Open();
    const auto state = [this] {
        QStringList shown;
        for (const Section &s : kSections)
            shown << QStringLiteral("%1 %2 %3")
                         .arg(QLatin1String(s.box))
                         .arg(Box(s.box)->currentIndex())
                         .arg(Box(s.box)->currentText());
        shown << Get<QLineEdit>("edtWidth")->text() << Get<QLineEdit>("edtHeight")->text();
        shown
            << QStringLiteral("list size %1").arg(Get<QRadioButton>("rdbSelectSize")->isChecked());
        for (const char *name : {"panMP3", "cmbBitrate"})
            shown << QStringLiteral("%1 shown %2").arg(QLatin1String(name)).arg(Shown(name));
        return shown;
    };
    const QStringList atOpening = state();

    // A new pick in every list (cmbBitrate's is typed over afterwards, so Cancel must give
    // back its index as well as its text), typing in every editable box, the manual size.
    for (const Section &s : kSections) {
        if (s.box != std::string("cmbAcodec") && s.box != std::string("cmbEncodeTo"))
            Pick(Box(s.box), (Box(s.box)->currentIndex() + 1) % Box(s.box)->count());
    }
    for (const char *box : {"cmbVbitrate", "cmbBitrate", "cmbAbitrate", "cmbSrate"})
        Type(Box(box), QStringLiteral("77"));
    Pick(Box("cmbEncodeTo"), 0);
    Pick(Box("cmbAcodec"), 3);
    Get<QRadioButton>("rdbManualSize")->click();
    Type(Get<QLineEdit>("edtWidth"), QStringLiteral("720"));
    Type(Get<QLineEdit>("edtHeight"), QStringLiteral("576"));
    const QString description = Description();
    ASSERT_EQ(state().size(), atOpening.size());
    for (qsizetype i = 0; i < atOpening.size(); ++i)
        ASSERT_NE(state()[i], atOpening[i]) << "not changed: " << atOpening[i].toStdString();

    QTest::mouseClick(Get<QPushButton>("btnCancel"), Qt::LeftButton);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(state(), atOpening);
    EXPECT_EQ(Description(), description);
    // The option builder reads the bitrate by its given-back index.
    EXPECT_TRUE(BuildEncoderOptions(settings, path).contains(QStringLiteral("cbr:br=192")));
}

TEST_F(OpSettingForm, EnterAndEscapeCloseNothing)
{
    Open();
    for (const char *name : {"cmbVbitrate", "cmbAcodec", "edtWidth", "btnOK", "btnCancel"}) {
        Get(name)->setFocus(Qt::TabFocusReason);
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
            EXPECT_TRUE(CatchMessages([&] { QTest::keyClick(Get(name), key); }).empty());
            EXPECT_TRUE(form->isVisible()) << name << " " << key;
        }
    }
}

TEST_F(OpSettingForm, TypedTextMeansNoSelection)
{
    Open();
    QComboBox *bitrate = Box("cmbBitrate");
    Pick(Box("cmbAcodec"), 0);
    Pick(Box("cmbEncodeTo"), 1);
    // The typed text becomes an entry's caption, yet nothing is selected, completed or added.
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
}

TEST_F(OpSettingForm, DescriptionFollowsFocusAndTyping)
{
    Open();
    const auto expected = [this](const Section &s) {
        return QStringLiteral("About %1\nCurrent Value: %2")
            .arg(QLatin1String(s.name), Box(s.box)->currentText());
    };
    for (const Section &s : kSections) {
        if (!Box(s.box)->isVisible())
            continue;
        Box(s.box)->setFocus(Qt::TabFocusReason);
        EXPECT_EQ(Description(), expected(s)) << s.box;
    }
    // A click into an editable box's text gives the box the focus as well.
    QTest::mouseClick(Box("cmbVbitrate")->lineEdit(), Qt::LeftButton);
    EXPECT_EQ(Description(), expected(kSections[2]));
    // Each keystroke shows the new value.
    QTest::keyClick(Box("cmbVbitrate"), Qt::Key_End);
    QTest::keyClick(Box("cmbVbitrate"), Qt::Key_0);
    EXPECT_EQ(Description(), QStringLiteral("About Video Bitrate\nCurrent Value: 12000"));
    QTest::keyClick(Box("cmbVbitrate"), Qt::Key_Backspace);
    QTest::keyClick(Box("cmbVbitrate"), Qt::Key_Backspace);
    EXPECT_EQ(Description(), QStringLiteral("About Video Bitrate\nCurrent Value: 120"));
    // The size controls have no description.
    Get("edtWidth")->setFocus(Qt::TabFocusReason);
    Get<QRadioButton>("rdbManualSize")->click();
    EXPECT_EQ(Description(), QStringLiteral("About Video Bitrate\nCurrent Value: 120"));
}

// Every way of closing gives the main window its input back; the close box neither checks nor
// restores.
TEST_F(OpSettingForm, OwnerTakesNoInputWhileShown)
{
    for (const std::string closing : {"btnOK", "btnCancel", "close box"}) {
        Open();
        owner.ClickThroughWindowSystem();
        EXPECT_EQ(owner.clicks, 0) << closing;
        const bool closeBox = closing == "close box";
        if (closeBox) {
            Type(Box("cmbVbitrate"), QStringLiteral("not a number"));
            Get<QRadioButton>("rdbManualSize")->click();
        }
        EXPECT_TRUE(CatchMessages([&] {
                        if (closeBox)
                            form->close();
                        else
                            QTest::mouseClick(Get<QPushButton>(closing.c_str()), Qt::LeftButton);
                    }).empty());
        EXPECT_FALSE(form->isVisible());
        owner.ClickThroughWindowSystem();
        EXPECT_EQ(owner.clicks, 1) << closing;
        owner.clicks = 0;
    }
    EXPECT_EQ(Box("cmbVbitrate")->currentText(), QStringLiteral("not a number"));
    EXPECT_FALSE(settings.SelectSize());
}

} // namespace
