#include "ui/TSettingForm.h"
#include "ui/DialogPlacement.h"

#include "platform/Desktop.h"
#include "platform/Paths.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSvgRenderer>
#include <QToolButton>
#include <QVBoxLayout>

// Q_INIT_RESOURCE declares its function where it stands, so this stays at global scope.
static void initImagesResource()
{
    Q_INIT_RESOURCE(images);
}

namespace {

// The path boxes show about this many characters of the desktop's font.
constexpr int kEditCharacters = 32;

// The small folder picture of the two browse buttons: the theme's when it has one.
QIcon browseIcon()
{
    if (QIcon::hasThemeIcon(QStringLiteral("document-open")))
        return QIcon::fromTheme(QStringLiteral("document-open"));
    static const bool resources = (initImagesResource(), true);
    Q_UNUSED(resources);
    QIcon icon;
    QSvgRenderer renderer(QStringLiteral(":/images/browse.svg"));
    for (int side : {16, 32}) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

template<typename W> W *named(W *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

} // namespace

TSettingForm::TSettingForm(PreferencesModel &prefs, Desktop &desktop, const QString &iniPath,
                           const QString &programDir, MainWindowLink link, QWidget *mainWindow)
    : QDialog(mainWindow,
              Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                  | Qt::MSWindowsFixedSizeDialogHint)
    , m_prefs(prefs)
    , m_desktop(desktop)
    , m_iniPath(iniPath)
    , m_link(std::move(link))
    , m_mainWindow(mainWindow)
{
    setObjectName(QStringLiteral("SettingForm"));
    setWindowTitle(QStringLiteral("Settings"));
    BuildControls();
    // The dialog takes the size its controls need at the desktop's font: it grows with its
    // texts rather than cutting them off.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    m_prefs.LoadPreferences(m_iniPath, programDir);
    ShowPreferences();
    ConnectControls();
}

void TSettingForm::BuildControls()
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(8);

    auto *paths = new QGridLayout;
    paths->setHorizontalSpacing(6);
    const auto pathRow = [&](int row, const QString &caption, const char *editName,
                             const char *buttonName, QToolButton *&button) {
        auto *label = new QLabel(caption, this);
        paths->addWidget(label, row, 0);
        auto *edit = named(new QLineEdit(this), editName);
        label->setBuddy(edit); // the name a screen reader gives the box
        edit->setMinimumWidth(edit->fontMetrics().averageCharWidth() * kEditCharacters);
        paths->addWidget(edit, row, 1);
        button = named(new QToolButton(this), buttonName);
        button->setIcon(browseIcon());
        button->setToolTip(QStringLiteral("Browse..."));
        button->setAutoRaise(false);
        paths->addWidget(button, row, 2);
        return edit;
    };
    edtOutputFile = pathRow(0, QStringLiteral("Default Output File:"), "edtOutputFile",
                            "SpeedButton1", SpeedButton1);
    edtTempDir
        = pathRow(1, QStringLiteral("Temp Folder:"), "edtTempDir", "SpeedButton2", SpeedButton2);
    SpeedButton1->setAccessibleName(QStringLiteral("Browse for the output file"));
    SpeedButton2->setAccessibleName(QStringLiteral("Browse for the temporary folder"));
    paths->setColumnStretch(0, 1);
    layout->addLayout(paths);

    auto *line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    layout->addWidget(line);

    chkOpenDir
        = named(new QCheckBox(
                    QStringLiteral("Open the output directory when the task is completed. "), this),
                "chkOpenDir");
    chkExit
        = named(new QCheckBox(QStringLiteral("Exit the program when the task is completed."), this),
                "chkExit");
    chkTurnoff = named(
        new QCheckBox(QStringLiteral("Turn off the computer when the task is completed."), this),
        "chkTurnoff");
    for (QCheckBox *box : {chkOpenDir, chkExit, chkTurnoff})
        layout->addWidget(box);
    layout->addWidget(BuildChaptersBox());
    chkKeepConverted
        = named(new QCheckBox(tr("Keep converted files so that a stopped join can go on"), this),
                "chkKeepConverted");
    chkKeepConverted->setToolTip(
        tr("A join that was stopped, failed or lost converts only the files it had not "
           "converted yet when it is started again."));
    chkLowPriority
        = named(new QCheckBox(tr("Run the encoder at a lower priority than the desktop"), this),
                "chkLowPriority");
    chkLowPriority->setToolTip(
        tr("The desktop stays responsive while a join works; the join may take a little "
           "longer when other programs are busy."));
    for (QCheckBox *box : {chkKeepConverted, chkLowPriority})
        layout->addWidget(box);
    layout->addWidget(BuildDatesBox());
    layout->addWidget(BuildLoudnessBox());
    layout->addLayout(BuildCrossfadeRow());

    gpbOverWrite
        = named(new QGroupBox(QStringLiteral("Output File Overwrite"), this), "gpbOverWrite");
    auto *group = new QVBoxLayout(gpbOverWrite);
    rdbAsk = named(new QRadioButton(QStringLiteral("Ask me."), gpbOverWrite), "rdbAsk");
    rdbOverWrite
        = named(new QRadioButton(QStringLiteral("Overwrite"), gpbOverWrite), "rdbOverWrite");
    rdbRename
        = named(new QRadioButton(QStringLiteral("Not overwrite (Rename to <Filename> + Index"),
                                 gpbOverWrite),
                "rdbRename");
    // The preferences allow none of the three to be marked; the one-of-three rule is theirs.
    for (QRadioButton *button : {rdbAsk, rdbOverWrite, rdbRename}) {
        button->setAutoExclusive(false);
        group->addWidget(button);
    }
    layout->addWidget(gpbOverWrite);
    layout->addStretch(1);

    auto *buttons = new QHBoxLayout;
    btnDefault = named(new QPushButton(QStringLiteral("&Load Default"), this), "btnDefault");
    btnOK = named(new QPushButton(QStringLiteral("&OK"), this), "btnOK");
    btnCancel = named(new QPushButton(QStringLiteral("&Cancel"), this), "btnCancel");
    buttons->addWidget(btnDefault);
    buttons->addStretch(1);
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    // Enter in a box does not confirm the dialog.
    for (QPushButton *button : {btnDefault, btnOK, btnCancel}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    layout->addLayout(buttons);
}

void TSettingForm::ConnectControls()
{
    connect(&m_prefs, &PreferencesModel::changed, this, &TSettingForm::ShowPreferences);
    connect(edtOutputFile, &QLineEdit::textEdited, &m_prefs, &PreferencesModel::SetOutputFile);
    connect(edtTempDir, &QLineEdit::textEdited, &m_prefs, &PreferencesModel::SetTempDir);
    connect(chkOpenDir, &QCheckBox::clicked, &m_prefs, &PreferencesModel::SetOpenDir);
    connect(chkExit, &QCheckBox::clicked, &m_prefs, &PreferencesModel::SetExit);
    connect(chkTurnoff, &QCheckBox::clicked, &m_prefs, &PreferencesModel::SetTurnOff);
    connect(chkKeepConverted, &QCheckBox::clicked, &m_prefs, &PreferencesModel::SetKeepConverted);
    connect(chkLowPriority, &QCheckBox::clicked, &m_prefs, &PreferencesModel::SetLowPriority);
    // A click marks a radio button, also one that is marked already.
    connect(rdbAsk, &QRadioButton::clicked, this, [this] {
        m_prefs.SetAsk(true);
        ShowPreferences();
    });
    connect(rdbOverWrite, &QRadioButton::clicked, this, [this] {
        m_prefs.SetOverWrite(true);
        ShowPreferences();
    });
    connect(rdbRename, &QRadioButton::clicked, this, [this] {
        m_prefs.SetRename(true);
        ShowPreferences();
    });
    connect(btnOK, &QPushButton::clicked, this, &TSettingForm::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &TSettingForm::btnCancelClick);
    connect(btnDefault, &QPushButton::clicked, this, &TSettingForm::btnDefaultClick);
    connect(SpeedButton1, &QToolButton::clicked, this, &TSettingForm::SpeedButton1Click);
    connect(SpeedButton2, &QToolButton::clicked, this, &TSettingForm::SpeedButton2Click);
}

void TSettingForm::ShowPreferences()
{
    const auto setText = [](QLineEdit *edit, const QString &text) {
        if (edit->text() != text) {
            const QSignalBlocker block(edit);
            edit->setText(text);
        }
    };
    setText(edtOutputFile, m_prefs.OutputFile());
    setText(edtTempDir, m_prefs.TempDir());
    const auto setChecked = [](QAbstractButton *button, bool on) {
        const QSignalBlocker block(button);
        button->setChecked(on);
    };
    setChecked(chkOpenDir, m_prefs.OpenDir());
    setChecked(chkExit, m_prefs.Exit());
    setChecked(chkTurnoff, m_prefs.TurnOff());
    setChecked(chkKeepConverted, m_prefs.KeepConverted());
    setChecked(chkLowPriority, m_prefs.LowPriority());
    setChecked(rdbAsk, m_prefs.Ask());
    setChecked(rdbOverWrite, m_prefs.OverWrite());
    setChecked(rdbRename, m_prefs.Rename());
}

void TSettingForm::ShowDialog()
{
    ShowCentredOn(this, m_mainWindow);
}

void TSettingForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TSettingForm::FormShow()
{
    if (m_link.outputFile)
        m_prefs.SetOutputFile(m_link.outputFile());
    m_snapshot = m_prefs.TakeSnapshot();
}

void TSettingForm::btnOKClick()
{
    if (m_link.setOutputFile)
        m_link.setOutputFile(m_prefs.OutputFile());
    // A name the window proposed is not the user's choice and is not stored.
    const QString shown = m_prefs.OutputFile();
    const bool proposed = m_link.outputFileToStore && m_link.outputFileToStore() != shown;
    if (proposed)
        m_prefs.SetOutputFile(m_link.outputFileToStore());
    const QString error = m_prefs.SavePreferences(m_iniPath);
    if (proposed)
        m_prefs.SetOutputFile(shown);
    if (!error.isEmpty()) {
        m_desktop.ShowError(error);
        return;
    }
    hide();
}

void TSettingForm::btnCancelClick()
{
    hide();
    m_prefs.RestoreSnapshot(m_snapshot);
}

void TSettingForm::closeEvent(QCloseEvent *event)
{
    event->accept();
}

void TSettingForm::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        event->accept();
        btnCancelClick();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void TSettingForm::btnDefaultClick()
{
    if (!m_desktop.AskQuestion(QStringLiteral("Load Default"),
                               QStringLiteral("Are you sure to load the default preferences?")))
        return;
    m_prefs.LoadDefaultPreferences(m_iniPath);
}

void TSettingForm::SpeedButton1Click()
{
    if (!m_link.chooseOutputFile)
        return;
    const QString chosen = m_link.chooseOutputFile(this);
    if (!chosen.isEmpty())
        m_prefs.SetOutputFile(chosen);
}

void TSettingForm::SpeedButton2Click()
{
    if (!m_link.browseForFolder)
        return;
    const QString folder
        = m_link.browseForFolder(this, QStringLiteral("Select the output directory."));
    if (!folder.isEmpty())
        m_prefs.SetTempDir(AddTrailingBackslash(folder));
}

QCheckBox *TSettingForm::BuildDatesBox()
{
    chkKeepDates = named(new QCheckBox(tr("Keep the recording date of the first file"), this),
                         "chkKeepDates");
    chkKeepDates->setToolTip(
        tr("A join without re-encoding states when, where and with what device the first file "
           "was recorded, and takes the last file's modification time, so that photo libraries "
           "file it under the day it was filmed."));
    connect(chkKeepDates, &QCheckBox::clicked, &m_prefs, &PreferencesModel::SetKeepDates);
    connect(&m_prefs, &PreferencesModel::changed, chkKeepDates, [this] {
        const QSignalBlocker block(chkKeepDates);
        chkKeepDates->setChecked(m_prefs.KeepDates());
    });
    chkKeepDates->setChecked(m_prefs.KeepDates());
    return chkKeepDates;
}

QCheckBox *TSettingForm::BuildLoudnessBox()
{
    chkEvenLoudness
        = named(new QCheckBox(tr("Even out the loudness of the files"), this), "chkEvenLoudness");
    chkEvenLoudness->setToolTip(
        tr("Every file's loudness is measured when it is listed, and the sound of the files "
           "that are much louder or quieter than most is brought to one level, without letting "
           "any peak reach full scale."));
    connect(chkEvenLoudness, &QCheckBox::clicked, &m_prefs, &PreferencesModel::SetEvenLoudness);
    connect(&m_prefs, &PreferencesModel::changed, chkEvenLoudness, [this] {
        const QSignalBlocker block(chkEvenLoudness);
        chkEvenLoudness->setChecked(m_prefs.EvenLoudness());
    });
    chkEvenLoudness->setChecked(m_prefs.EvenLoudness());
    return chkEvenLoudness;
}

QCheckBox *TSettingForm::BuildChaptersBox()
{
    // The text is wider than the dialog: it breaks before the list of containers, and the
    // box's name for assistive tools keeps it on one line.
    const QString text
        = QStringLiteral("Add a chapter at the start of each joined file (MKV, MP4, MOV)");
    chkChapters
        = named(new QCheckBox(
                    QString(text).replace(QStringLiteral(" (MKV"), QStringLiteral("\n(MKV")), this),
                "chkChapters");
    chkChapters->setAccessibleName(text);
    chkChapters->setToolTip(QStringLiteral(
        "Each joined file gets a chapter named after it, or keeps its own chapters, so that a "
        "player can jump to where it begins.\nAVI, MPG, VOB, WMV, ASF and FLV files cannot hold "
        "chapters and are written without them."));
    connect(chkChapters, &QCheckBox::clicked, &m_prefs, &PreferencesModel::SetChapters);
    connect(&m_prefs, &PreferencesModel::changed, chkChapters, [this] {
        const QSignalBlocker block(chkChapters);
        chkChapters->setChecked(m_prefs.Chapters());
    });
    chkChapters->setChecked(m_prefs.Chapters());
    return chkChapters;
}
