// The Output Settings dialog on a real profile file: what it shows, the audio panels, the checks
// of OK, Cancel, the keys, the description display and what the option builder reads afterwards;
// the same dialog for a profile that copies the streams; and the About box.
#include "common/TestSupport.h"

#include "profiles/OptionBuilder.h"
#include "profiles/ProfileSettings.h"
#include "ui/TAboutForm.h"
#include "ui/TopSettingForm.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace {

using namespace qvj::test;

// A stand-in for the main window: one button that counts the clicks that reach it.
struct OwnerWindow
{
    OwnerWindow()
    {
        widget.setGeometry(100, 80, 798, 559);
        button->setGeometry(10, 10, 120, 30);
        QObject::connect(button, &QPushButton::clicked, [this] { ++clicks; });
        widget.show();
        EXPECT_TRUE(QTest::qWaitFor([this] { return widget.isActiveWindow(); }));
    }

    // A click through the window system, where a modal dialog blocks it; gives the click count
    // and starts it again.
    int TakeClick()
    {
        QTest::mouseClick(widget.windowHandle(), Qt::LeftButton, {},
                          button->mapTo(&widget, button->rect().center()));
        QCoreApplication::processEvents();
        return std::exchange(clicks, 0);
    }

    QWidget widget;
    QPushButton *button = new QPushButton(QStringLiteral("Add Files"), &widget);
    int clicks = 0;
};

struct SeenMessage
{
    QString title, text;
    QMessageBox::Icon icon;
    QWidget *parent;
};

// Runs action; every message box it opens is recorded and dismissed with OK.
std::vector<SeenMessage> CatchMessages(const std::function<void()> &action)
{
    std::vector<SeenMessage> seen;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&seen] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (box && box->isVisible()) {
            seen.push_back({box->windowTitle(), box->text(), box->icon(), box->parentWidget()});
            box->done(QMessageBox::Ok);
        }
    });
    timer.start(5);
    action();
    return seen;
}

// Every option in the order of kProfileOptions, with the box that shows it; each description
// names its section.
struct Section
{
    const char *box, *name;
    QStringList captions;
    int index;
    QStringList values;
};

// clang-format off
const Section kSections[] = {
    {"cmbVcodec", "Video Codec", {"MPEG-4", "MS MPEG-4"}, 0, {"mpeg4", "msmpeg4v2"}},
    {"cmbVideoSize", "Video Size", {"320 x 240", "640 x 480"}, 1, {}},
    {"cmbVbitrate", "Video Bitrate", {"800", "1200"}, 1, {}},
    {"cmbAspect", "Aspect", {"Auto", "4:3", "16:9"}, 0, {"", "4/3", "16/9"}},
    {"cmbAcodec", "Audio Codec", {"MP3", "MP2", "AC3", "PCM"}, 2, {"mp3", "mp2", "ac3", "pcm"}},
    {"cmbEncodeTo", "MP3 Encode", {"VBR (variable bitrate)", "ABR", "CBR"}, 0, {"vbr", "abr", "cbr"}},
    {"cmbQuality", "VBR Quality", {"High", "Normal"}, 1, {"2", "4"}},
    {"cmbBitrate", "ABR CBR Bitrate", {"128", "192", "256"}, 1, {"128", "192", "256"}},
    {"cmbAbitrate", "Audio Bitrate", {"128", "192"}, 1, {}},
    {"cmbSrate", "Sample Rate", {"44100", "48000"}, 0, {}},
    {"cmbChannels", "Channels", {"Mono", "Stereo"}, 1, {"1", "2"}},
};
// clang-format on

QByteArray ProfileText()
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
    return text.toUtf8();
}

using Acts = std::vector<std::pair<const char *, const char *>>;

class OpSettingForm : public ::testing::Test
{
protected:
    void SetUp() override
    {
        path = dir.filePath(QStringLiteral("Test.bpf"));
        WriteFile(path, ProfileText());
        // As at start-up: the dialog exists before the first profile is loaded.
        form = std::make_unique<TopSettingForm>(settings, &owner.widget);
        ASSERT_TRUE(settings.LoadProfile(path));
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
    QString Options() const { return BuildEncoderOptions(settings, path); }

    // Picks an entry with the keyboard, as a user does.
    void Pick(const char *name, int index) const
    {
        for (int n = 0; n < 9 && Box(name)->currentIndex() != index; ++n)
            QTest::keyClick(Get(name),
                            Box(name)->currentIndex() < index ? Qt::Key_Down : Qt::Key_Up);
    }
    // One user action: "#n" picks entry n, a text replaces the box's or edit's text by typing,
    // no text clicks the button.
    void Act(const char *name, const char *text) const
    {
        if (auto *button = qobject_cast<QPushButton *>(Get(name)); button && !text)
            return QTest::mouseClick(button, Qt::LeftButton);
        if (!text) // a radio button
            return Get<QAbstractButton>(name)->click();
        if (text[0] == '#')
            return Pick(name, text[1] - '0');
        QTest::keyClick(Get(name), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(Get(name), Qt::Key_Backspace);
        QTest::keyClicks(Get(name), QString::fromUtf8(text));
    }
    void Act(const Acts &acts) const
    {
        for (const auto &[name, text] : acts)
            Act(name, text);
    }

    QTemporaryDir dir;
    QString path;
    ProfileSettings settings;
    OwnerWindow owner;
    std::unique_ptr<TopSettingForm> form;
};

// Only the caption "MP3" shows the MP3 panel, in the place of the other one; only the first mode
// shows the quality pair, in the place of the bitrate pair, which keeps its state while hidden.
TEST_F(OpSettingForm, PanelsFollowAudioCodecAndEncodeMode)
{
    const struct
    {
        const char *box, *pick;
        bool mp3Panel, quality;
    } steps[] = {{"cmbAcodec", "#0", true, true},   {"cmbEncodeTo", "#1", true, false},
                 {"cmbAcodec", "#1", false, false}, {"cmbAcodec", "#0", true, false},
                 {"cmbEncodeTo", "#0", true, true}, {"cmbAcodec", "#3", false, true}};
    for (const auto &step : steps) {
        Act(step.box, step.pick);
        QCoreApplication::processEvents(); // lays out what is shown now
        const std::string where = std::string(step.box) + step.pick;
        EXPECT_EQ(Shown("panMP3"), step.mp3Panel) << where;
        EXPECT_EQ(Shown("panLavc"), !step.mp3Panel) << where;
        EXPECT_EQ(Get("cmbQuality")->isVisibleTo(Get("panMP3")), step.quality) << where;
        EXPECT_EQ(Get("cmbBitrate")->isVisibleTo(Get("panMP3")), !step.quality) << where;
    }
    EXPECT_EQ(Get("panMP3")->geometry(), Get("panLavc")->geometry());
    EXPECT_EQ(Get("labQuality")->geometry(), Get("labBitrate")->geometry());
    EXPECT_EQ(Get("cmbQuality")->geometry(), Get("cmbBitrate")->geometry());
}

// title nullptr: the dialog closes and the options hold textOrBuilds.
struct OkCase
{
    const char *name;
    Acts acts;
    const char *title, *textOrBuilds, *focus = nullptr;
};
void PrintTo(const OkCase &c, std::ostream *os)
{
    *os << c.name;
}
class OpSettingFormOk : public OpSettingForm, public ::testing::WithParamInterface<OkCase>
{
};

const char kMp2Text[] = "The maximum value of audio bitrate for MP2 codec is 128";

TEST_P(OpSettingFormOk, ChecksInOrder)
{
    const OkCase &c = GetParam();
    Act(c.acts);
    const auto pressOk = [this] { return CatchMessages([this] { Act("btnOK", nullptr); }); };
    const auto seen = pressOk();
    if (!c.title) {
        EXPECT_TRUE(seen.empty() && !form->isVisible());
        EXPECT_TRUE(Options().contains(QLatin1String(c.textOrBuilds))) << Options().toStdString();
        return;
    }
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].title, QLatin1String(c.title));
    EXPECT_EQ(seen[0].text, QLatin1String(c.textOrBuilds));
    EXPECT_TRUE(seen[0].icon == QMessageBox::Information && seen[0].parent == form.get());
    ASSERT_NE(form->focusWidget(), nullptr);
    EXPECT_EQ(form->focusWidget()->objectName(), QLatin1String(c.focus));
    EXPECT_EQ(Shown("panMP3"), c.focus == std::string("cmbAcodec")); // no panel switch to refuse

    // The values stay, so OK refuses again; only the MP2 limit sets its box to the limit first.
    const bool mp2 = seen[0].text == QLatin1String(kMp2Text);
    EXPECT_EQ(pressOk().size(), mp2 ? 0u : 1u);
    EXPECT_EQ(form->isVisible(), !mp2);
    EXPECT_EQ(Box("cmbAbitrate")->currentText() == QStringLiteral("128"), mp2);
}

const char kAudio[] = "Invalid Audio Bitrate";
const char kAudioText[] = "The Audio bitrate is invalid.";

// clang-format off
INSTANTIATE_TEST_SUITE_P(Steps, OpSettingFormOk, ::testing::Values(
    OkCase{"EditsReachTheBuilder", {{"cmbVcodec", "#1"}, {"cmbAspect", "#2"}, {"cmbAcodec", "#0"},
           {"cmbQuality", "#0"}, {"cmbChannels", "#0"}, {"rdbManualSize", nullptr},
           {"edtWidth", "720"}, {"edtHeight", "576"}, {"cmbSrate", "48000"}}, nullptr,
           "vcodec=msmpeg4v2:vbitrate=1200:mbd=2:aspect=16/9 -oac mp3lame "
           "-lameopts vbr=2:q=2 -channels 1 -vf scale=720:576 -srate 48000"},
    OkCase{"VideoBitrateFirst", {{"cmbSrate", "x"}, {"cmbVbitrate", "1.5"}},
           "Invalid Video Bitrate", "The video bitrate is invalid.", "cmbVbitrate"},
    // Numbers go on exactly as typed.
    OkCase{"NegativeBlanksAndHexPass", {{"cmbVbitrate", "  -5"}, {"cmbSrate", "$AC44"},
           {"cmbAbitrate", "0"}}, nullptr, "vbitrate=  -5:"},
    OkCase{"ManualEmptyWidth", {{"rdbManualSize", nullptr}},
           "Invalid Width", "The output width is invalid.", "edtWidth"},
    OkCase{"ManualBadHeight", {{"rdbManualSize", nullptr}, {"edtWidth", "720"}, {"edtHeight", "57 6"}},
           "Invalid Height", "The output height is invalid.", "edtHeight"},
    OkCase{"ListSizeIgnoresWidth", {{"rdbManualSize", nullptr}, {"edtWidth", "wide"},
           {"rdbSelectSize", nullptr}}, nullptr, "-vf scale=640:480"},
    OkCase{"SampleRate", {{"cmbSrate", "44.1"}},
           "Invalid Sample Rate", "The sample rate is invalid.", "cmbSrate"},
    OkCase{"AudioBitrate", {{"cmbAbitrate", "1 28"}}, kAudio, kAudioText, "cmbAbitrate"},
    // While the MP3 panel hides the box, the focus goes to the codec box.
    OkCase{"HiddenAudioBitrate", {{"cmbAbitrate", ""}, {"cmbAcodec", "#0"}},
           kAudio, kAudioText, "cmbAcodec"},
    OkCase{"Mp2Above128", {{"cmbAcodec", "#1"}, {"cmbAbitrate", "0x100"}}, kAudio, kMp2Text,
           "cmbAbitrate"},
    OkCase{"Ac3Above128Passes", {{"cmbAbitrate", "448"}}, nullptr, "acodec=ac3:abitrate=448"}),
    [](const ::testing::TestParamInfo<OkCase> &p) { return std::string(p.param.name); });
// clang-format on

// Cancel gives back every value, cmbBitrate's index (so the builder reads what the user saw), the
// list/manual size choice and the panels, without touching the description; the main window
// takes no input until then.
TEST_F(OpSettingForm, CancelRestoresEverythingShownAtOpening)
{
    form->close();
    settings.SetIndex(ProfileOption::AudioCodec, 0); // MP3 with CBR: the bitrate pair shows
    settings.SetIndex(ProfileOption::Mp3Encode, 2);
    settings.SetText(ProfileOption::VideoBitrate, QStringLiteral(" 900"));
    form->ShowDialog();
    const auto state = [this] {
        QStringList shown;
        for (const Section &s : kSections)
            shown << QStringLiteral("%1 %2 %3")
                         .arg(QLatin1String(s.box))
                         .arg(Box(s.box)->currentIndex())
                         .arg(Box(s.box)->currentText());
        return shown << Get<QLineEdit>("edtWidth")->text() << Get<QLineEdit>("edtHeight")->text()
                     << QString::number(Get<QRadioButton>("rdbSelectSize")->isChecked())
                     << QString::number(Shown("panMP3")) << QString::number(Shown("cmbBitrate"));
    };
    const QStringList atOpening = state();
    EXPECT_EQ(owner.TakeClick(), 0);
    for (const Section &s : kSections)
        Pick(s.box, (Box(s.box)->currentIndex() + 1) % Box(s.box)->count());
    Act({{"cmbVbitrate", "77"},
         {"cmbBitrate", "77"},
         {"cmbAbitrate", "77"},
         {"cmbSrate", "77"},
         {"cmbEncodeTo", "#0"},
         {"cmbAcodec", "#3"},
         {"rdbManualSize", nullptr},
         {"edtWidth", "720"},
         {"edtHeight", "576"}});
    for (qsizetype i = 0; i < atOpening.size(); ++i)
        ASSERT_NE(state()[i], atOpening[i]) << "not changed: " << atOpening[i].toStdString();
    const QString description = Description();

    Act("btnCancel", nullptr);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(owner.TakeClick(), 1);
    EXPECT_EQ(state(), atOpening);
    EXPECT_EQ(Description(), description);
    EXPECT_TRUE(Options().contains(QStringLiteral("cbr:br=192")));
}

// Typed text is no selection even when it reads like an entry: nothing is completed or added,
// and the builder reads value-1, which no profile holds (the default 224). Enter closes
// nothing; the close box neither checks nor restores; Escape is Cancel wherever the focus is.
TEST_F(OpSettingForm, TypedTextIsNoSelectionAndOnlyButtonsClose)
{
    Act({{"cmbAcodec", "#0"}, {"cmbEncodeTo", "#1"}, {"cmbBitrate", "25"}});
    QTest::keyClick(Get("cmbBitrate"), Qt::Key_Return);
    QTest::keyClicks(Get("cmbBitrate"), QStringLiteral("6"));
    EXPECT_EQ(Box("cmbBitrate")->currentText(), QStringLiteral("256"));
    EXPECT_EQ(Box("cmbBitrate")->currentIndex(), -1);
    EXPECT_EQ(Box("cmbBitrate")->count(), 3);
    EXPECT_TRUE(Options().contains(QStringLiteral("abr:br=224")));
    // Typing inside a picked entry keeps the cursor where the user types.
    Get("cmbVbitrate")->setFocus(Qt::TabFocusReason);
    QTest::keyClick(Get("cmbVbitrate"), Qt::Key_Home);
    QTest::keyClick(Get("cmbVbitrate"), Qt::Key_Right);
    QTest::keyClicks(Get("cmbVbitrate"), QStringLiteral("50"));
    EXPECT_EQ(Box("cmbVbitrate")->currentText(), QStringLiteral("150200"));

    for (const char *name : {"cmbVbitrate", "cmbAcodec", "edtWidth", "btnOK", "btnCancel"}) {
        Get(name)->setFocus(Qt::TabFocusReason);
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
            EXPECT_TRUE(CatchMessages([&] { QTest::keyClick(Get(name), key); }).empty());
            EXPECT_TRUE(form->isVisible()) << name << " " << key;
        }
    }
    EXPECT_TRUE(CatchMessages([&] { form->close(); }).empty());
    EXPECT_EQ(owner.TakeClick(), 1);
    EXPECT_EQ(Box("cmbVbitrate")->currentText(), QStringLiteral("150200"));
    form->ShowDialog();
    Act({{"cmbVbitrate", "77"}});
    Get("btnOK")->setFocus(Qt::TabFocusReason);
    QTest::keyClick(Get("btnOK"), Qt::Key_Escape);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(Box("cmbVbitrate")->currentText(), QStringLiteral("150200"));
}

// Each box shows its profile section's entries and index; focusing it, changing it and each
// keystroke in it show its section's description and current value.
TEST_F(OpSettingForm, ShowsTheProfileAndDescribesTheFocusedBox)
{
    const auto described = [](const char *name, const QString &value) {
        return QStringLiteral("About %1\nCurrent Value: %2").arg(QLatin1String(name), value);
    };
    for (size_t i = 0; i < kProfileOptions.size(); ++i) {
        const Section &s = kSections[i];
        QComboBox *box = Box(s.box);
        QStringList items;
        for (int n = 0; n < box->count(); ++n)
            items.append(box->itemText(n));
        EXPECT_EQ(items, s.captions) << s.box;
        EXPECT_EQ(box->currentIndex(), s.index) << s.box;
        EXPECT_EQ(box->isEditable(), IsEditable(kProfileOptions[i])) << s.box;
        if (box->isVisible()) {
            box->setFocus(Qt::TabFocusReason);
            EXPECT_EQ(Description(), described(s.name, box->currentText())) << s.box;
        }
    }

    // A click into an editable box's text focuses the box as well.
    QTest::mouseClick(Box("cmbVbitrate")->lineEdit(), Qt::LeftButton);
    EXPECT_EQ(Description(), described("Video Bitrate", QStringLiteral("1200")));
    QTest::keyClick(Get("cmbVbitrate"), Qt::Key_End);
    QTest::keyClick(Get("cmbVbitrate"), Qt::Key_0);
    EXPECT_EQ(Description(), described("Video Bitrate", QStringLiteral("12000")));
    Pick("cmbAcodec", 1);
    EXPECT_EQ(Description(), described("Audio Codec", QStringLiteral("MP2")));
}

// The profile that copies: every box says "Same as source" and explains itself, nothing can be
// changed, and OK closes without a complaint.
TEST(CopySettingForm, EveryBoxSaysSameAsSourceAndNothingChanges)
{
    const QString programDir = BuildProgramDirectory();
    const QString copy
        = programDir + QStringLiteral("Profiles/MP4 - Same as Source (No Re-encoding).bpf");
    const QString encode = programDir + QStringLiteral("Profiles/MP4 - H.264 Video.bpf");
    OwnerWindow owner;
    ProfileSettings settings;
    TopSettingForm form(settings, &owner.widget);
    // A manual size with nothing typed, left from another profile, is of no concern to a copy.
    settings.SetSelectSize(false);
    ASSERT_TRUE(settings.LoadProfile(copy));
    form.ShowDialog();
    ASSERT_TRUE(QTest::qWaitFor([&form] { return form.isActiveWindow(); }));

    const QList<QComboBox *> boxes = form.findChildren<QComboBox *>();
    ASSERT_EQ(boxes.size(), 11);
    for (QComboBox *box : boxes) {
        SCOPED_TRACE(box->objectName().toStdString());
        EXPECT_EQ(box->currentText(), QStringLiteral("Same as source"));
        EXPECT_EQ(box->count(), 1);
        box->setFocus();
        QCoreApplication::processEvents();
        const QString description
            = form.findChild<QPlainTextEdit *>(QStringLiteral("memDescription"))->toPlainText();
        EXPECT_TRUE(description.endsWith(QStringLiteral("\nCurrent Value: Same as source")));
        EXPECT_GT(description.indexOf(u'\n'), 20) << description.toStdString();
        if (box->isEditable()) {
            QTest::keyClicks(box, QStringLiteral("999"));
            EXPECT_EQ(box->currentText(), QStringLiteral("Same as source"));
        }
    }
    for (const char *name : {"rdbSelectSize", "rdbManualSize", "edtWidth", "edtHeight"})
        EXPECT_FALSE(form.findChild<QWidget *>(QLatin1String(name))->isEnabled()) << name;
    EXPECT_EQ(BuildEncoderOptions(settings, copy), QStringLiteral(" -ovc copy -oac copy"));

    const auto seen = CatchMessages([&form] {
        QTest::mouseClick(form.findChild<QPushButton *>(QStringLiteral("btnOK")), Qt::LeftButton);
    });
    EXPECT_TRUE(seen.empty());
    EXPECT_FALSE(form.isVisible());

    // A re-encoding profile gives the boxes back to the user.
    ASSERT_TRUE(settings.LoadProfile(encode));
    EXPECT_FALSE(
        form.findChild<QComboBox *>(QStringLiteral("cmbVbitrate"))->lineEdit()->isReadOnly());
    EXPECT_TRUE(form.findChild<QWidget *>(QStringLiteral("edtWidth"))->isEnabled());
}

// The About box: the version it is given, its links to the site and the main window it blocks.
TEST(AboutForm, ShowsTheVersionOpensTheSiteAndBlocksTheMainWindow)
{
    for (const QString &version : {QStringLiteral("1.5"), QStringLiteral("2.0")}) {
        RecordingDesktop desktop;
        OwnerWindow owner;
        TAboutForm about(version, desktop, &owner.widget);
        about.ShowDialog();
        const auto label
            = [&about](const char *name) { return about.findChild<QLabel *>(QLatin1String(name)); };
        EXPECT_EQ(label("labVersion")->text(), QStringLiteral("Version ") + version);
        // The program's name is shown whole.
        QLabel *name = label("labProgramName");
        EXPECT_LE(name->sizeHint().width(), name->width());

        // The site's address and "(More)" both open the site; a plain label opens nothing.
        for (const char *link : {"labWebsite", "labMore", "Label7"})
            QTest::mouseClick(label(link), Qt::LeftButton);
        const auto opened = desktop.Of(QStringLiteral("open"));
        ASSERT_EQ(opened.size(), 2u);
        EXPECT_TRUE(opened[0].text == QString::fromLatin1(TAboutForm::kWebSite)
                    && opened[1].text == opened[0].text);

        // Centred on the main window, which takes no input until "&OK" or the close box closes it.
        const QPoint offset
            = about.frameGeometry().center() - owner.widget.frameGeometry().center();
        EXPECT_LE(offset.manhattanLength(), 4);
        EXPECT_EQ(owner.TakeClick(), 0);
        if (version == QStringLiteral("1.5"))
            QTest::mouseClick(about.findChild<QPushButton *>(QStringLiteral("btnOK")),
                              Qt::LeftButton);
        else
            about.close();
        EXPECT_FALSE(about.isVisible());
        EXPECT_EQ(owner.TakeClick(), 1);
    }
}

} // namespace
