// The main window's controls and their places.
#include "app/ElidedLabel.h"
#include "app/ImageButton.h"
#include "app/Pictures.h"
#include "app/TMainForm.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kToolbarHeight = 55;
constexpr int kBottomHeight = 77;
constexpr int kBottomPanelWidth = 612;
constexpr int kLogoWidth = 178;
constexpr QSize kImageButtonSize(133, 65);
constexpr QSize kListButtonSize(100, 22);

// Rows of the task list with some air above and below the text.
class RoomyRowDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(size.height() + 8);
        return size;
    }
};

template<typename W> W *named(W *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

// A bottom panel is at least its first width, and wider where its texts need it: a spacer
// below its rows, across its columns, rather than a minimum width that would cut them off.
void AtLeastPanelWidth(QGridLayout *grid, int columns)
{
    const QMargins margins = grid->contentsMargins();
    grid->addItem(new QSpacerItem(kBottomPanelWidth - margins.left() - margins.right(), 0,
                                  QSizePolicy::Fixed, QSizePolicy::Minimum),
                  3, 0, 1, columns);
}

QLabel *caption(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

} // namespace

void TMainForm::BuildWindow()
{
    InitPictures();
    setObjectName(QStringLiteral("MainForm"));
    setWindowIcon(QIcon(RenderPicture(QStringLiteral(":/images/app-icon.svg"), QSize(64, 64))));
    BuildToolbar();

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(BuildTaskArea(), 1);
    layout->addWidget(BuildListButtons());
    layout->addWidget(BuildBottomArea());
    setCentralWidget(central);
    BuildPopupMenu();

    resize(798, 559);
    if (const QScreen *place = screen())
        move(place->availableGeometry().center() - rect().center());
}

void TMainForm::BuildToolbar()
{
    ToolBar1 = named(new QToolBar(this), "ToolBar1");
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    // At least its first height; a larger desktop font makes it as tall as its buttons need.
    ToolBar1->setMinimumHeight(kToolbarHeight);
    ToolBar1->setIconSize(QSize(32, 32));
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    ToolBar1->toggleViewAction()->setVisible(false);
    ToolBar1->setContextMenuPolicy(Qt::PreventContextMenu);
    ToolBar1->layout()->setContentsMargins(0, 0, 0, 0);
    ToolBar1->layout()->setSpacing(2);
    addToolBar(Qt::TopToolBarArea, ToolBar1);

    const auto add
        = [this](const char *name, const QString &text, const char *theme, const char *picture) {
              auto *button = named(new QToolButton(ToolBar1), name);
              button->setText(text);
              button->setIcon(ThemedIcon(QLatin1String(theme),
                                         QStringLiteral(":/images/") + QLatin1String(picture)));
              button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
              button->setAutoRaise(true);
              button->setMinimumSize(66, kToolbarHeight - 2);
              button->setFocusPolicy(Qt::TabFocus);
              ToolBar1->addWidget(button);
              return button;
          };
    tbtnAddFile = add("tbtnAddFile", QStringLiteral("Add Files"), "list-add", "add-files.svg");
    tbtnAddDir = add("tbtnAddDir", QStringLiteral("Add Dir"), "folder-new", "add-dir.svg");
    ToolBar1->addSeparator();
    tbtnSetting
        = add("tbtnSetting", QStringLiteral("Settings"), "preferences-system", "settings.svg");
    tbtnAbout = add("tbtnAbout", QStringLiteral("About"), "help-about", "about.svg");
    tbtnHelp = add("tbtnHelp", QStringLiteral("Help"), "help-contents", "help.svg");
}

QWidget *TMainForm::BuildTaskArea()
{
    auto *area = new QWidget(this);
    auto *grid = new QGridLayout(area);
    grid->setContentsMargins(14, 10, 14, 6);

    ltvTask = named(new QTreeView(area), "ltvTask");
    ltvTask->setRootIsDecorated(false);
    ltvTask->setItemsExpandable(false);
    ltvTask->setUniformRowHeights(true);
    ltvTask->setAlternatingRowColors(true);
    ltvTask->setSelectionBehavior(QAbstractItemView::SelectRows);
    ltvTask->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ltvTask->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ltvTask->setSortingEnabled(false);
    ltvTask->setTextElideMode(Qt::ElideMiddle);
    ltvTask->setAllColumnsShowFocus(true);
    ltvTask->setContextMenuPolicy(Qt::CustomContextMenu);
    ltvTask->setItemDelegate(new RoomyRowDelegate(ltvTask));
    QHeaderView *header = ltvTask->header();
    header->setSectionsMovable(false);
    header->setStretchLastSection(false);
    header->setSectionsClickable(false);
    header->setSortIndicatorShown(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    ltvTask->installEventFilter(this);
    grid->addWidget(ltvTask, 0, 0);

    auto *welcome = named(new QFrame(area), "panltvTask");
    welcome->setFrameShape(QFrame::StyledPanel);
    welcome->setAutoFillBackground(true);
    welcome->setBackgroundRole(QPalette::Base);
    auto *column = new QVBoxLayout(welcome);
    column->setSpacing(12);
    column->addStretch(3);
    auto *art = named(new QLabel(welcome), "imgWelcome");
    art->setPixmap(
        RenderPicture(QStringLiteral(":/images/welcome.svg"), QSize(480, 84), devicePixelRatioF()));
    art->setAlignment(Qt::AlignCenter);
    column->addWidget(art);
    labProgramName = named(new QLabel(welcome), "labProgramName");
    QFont big = labProgramName->font();
    big.setPointSizeF(big.pointSizeF() * 2.6);
    big.setBold(true);
    big.setItalic(true);
    labProgramName->setFont(big);
    labProgramName->setAlignment(Qt::AlignCenter);
    column->addWidget(labProgramName);
    auto *hint = named(new QLabel(welcome), "labWelcomeHint");
    hint->setText(QStringLiteral("Click \u201cAdd Files\u201d or \u201cAdd Dir\u201d, or drop "
                                 "video files here, to start a new joining task."));
    hint->setAlignment(Qt::AlignCenter);
    hint->setWordWrap(true);
    // The text colour of the panel itself: a placeholder's half tone falls short of a readable
    // contrast on light palettes.
    hint->setForegroundRole(QPalette::Text);
    column->addWidget(hint);
    column->addStretch(4);
    panltvTask = welcome;
    grid->addWidget(panltvTask, 0, 0);
    panltvTask->raise();
    return area;
}

QWidget *TMainForm::BuildListButtons()
{
    auto *strip = new QWidget(this);
    auto *row = new QHBoxLayout(strip);
    row->setContentsMargins(14, 0, 14, 8);
    row->setSpacing(6);
    const auto add = [&](const char *name, const QString &text) {
        auto *button = named(new QPushButton(text, strip), name);
        button->setMinimumSize(kListButtonSize);
        button->setFocusPolicy(Qt::TabFocus);
        row->addWidget(button);
        return button;
    };
    tbtnRemove = add("tbtnRemove", QStringLiteral("Delete"));
    tbtnClear = add("tbtnClear", QStringLiteral("Clear"));
    tbtnUp = add("tbtnUp", QStringLiteral("Move Up"));
    tbtnDown = add("tbtnDown", QStringLiteral("Move Down"));
    row->addStretch(1);
    // How many files are listed and how long they run together.
    labTotalLength = named(new QLabel(strip), "labTotalLength");
    labTotalLength->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    row->addWidget(labTotalLength);
    return strip;
}

QWidget *TMainForm::BuildBottomArea()
{
    auto *bottom = named(new QFrame(this), "panBottom");
    bottom->setMinimumHeight(kBottomHeight);
    bottom->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    bottom->setFrameShape(QFrame::NoFrame);
    bottom->setAutoFillBackground(true);
    QPalette shade = bottom->palette();
    shade.setColor(QPalette::Window, shade.color(QPalette::Window).darker(104));
    bottom->setPalette(shade);
    auto *row = new QHBoxLayout(bottom);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    auto *panels = new QWidget(bottom);
    auto *stack = new QGridLayout(panels);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->addWidget(BuildIdlePanel(), 0, 0);
    stack->addWidget(BuildProgressPanel(), 0, 0);
    row->addWidget(panels);
    row->addStretch(1);
    row->addWidget(BuildLogoPanel());
    panBottomLeft->hide();
    return bottom;
}

QWidget *TMainForm::BuildIdlePanel()
{
    panBottomCenter = named(new QWidget(this), "panBottomCenter");
    auto *grid = new QGridLayout(panBottomCenter);
    grid->setContentsMargins(14, 8, 10, 8);
    AtLeastPanelWidth(grid, 4);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(6);

    QLabel *profileCaption = caption(QStringLiteral("Profile:"), panBottomCenter);
    grid->addWidget(profileCaption, 0, 0);
    cmbProfile = named(new QComboBox(panBottomCenter), "cmbProfile");
    profileCaption->setBuddy(cmbProfile); // the name a screen reader gives the box
    cmbProfile->setEditable(false);
    // As wide as its longest profile name: the panel grows rather than cut a name short.
    cmbProfile->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    grid->addWidget(cmbProfile, 0, 1);
    bbtnSetting
        = named(new QPushButton(QStringLiteral("&Setting"), panBottomCenter), "bbtnSetting");
    bbtnSetting->setIcon(
        ThemedIcon(QStringLiteral("preferences-other"), QStringLiteral(":/images/settings.svg")));
    grid->addWidget(bbtnSetting, 0, 2, 1, 2);

    QLabel *outputCaption = caption(QStringLiteral("Output File:"), panBottomCenter);
    grid->addWidget(outputCaption, 1, 0);
    edtOutputFile = named(new QLineEdit(panBottomCenter), "edtOutputFile");
    outputCaption->setBuddy(edtOutputFile);
    edtOutputFile->setClearButtonEnabled(true);
    grid->addWidget(edtOutputFile, 1, 1);
    bbtnBrowser
        = named(new QPushButton(QStringLiteral("&Browser"), panBottomCenter), "bbtnBrowser");
    bbtnBrowser->setIcon(
        ThemedIcon(QStringLiteral("document-save-as"), QStringLiteral(":/images/browse.svg")));
    grid->addWidget(bbtnBrowser, 1, 2);
    bbtnOpen = named(new QPushButton(QStringLiteral("&Open"), panBottomCenter), "bbtnOpen");
    bbtnOpen->setIcon(
        ThemedIcon(QStringLiteral("document-open"), QStringLiteral(":/images/browse.svg")));
    grid->addWidget(bbtnOpen, 1, 3);
    grid->setColumnStretch(1, 1);
    return panBottomCenter;
}

QWidget *TMainForm::BuildProgressPanel()
{
    panBottomLeft = named(new QWidget(this), "panBottomLeft");
    auto *grid = new QGridLayout(panBottomLeft);
    grid->setContentsMargins(14, 6, 10, 6);
    AtLeastPanelWidth(grid, 5);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(3);

    labProcessTitle = named(new QLabel(panBottomLeft), "labProcessTitle");
    QFont bold = labProcessTitle->font();
    bold.setBold(true);
    labProcessTitle->setFont(bold);
    // The stage's title and the file's name share the first line: the title takes the room
    // its text needs and the name what is left, shortened in its middle, so that neither a
    // long name nor a stage's title ever widens the window.
    labConvertingFile
        = named(new TElidedLabel(QStringLiteral("No File"), panBottomLeft), "labConvertingFile");
    labConvertingFile->setTextFormat(Qt::PlainText);
    auto *firstLine = new QHBoxLayout;
    firstLine->setSpacing(grid->horizontalSpacing() * 3);
    firstLine->addWidget(labProcessTitle);
    firstLine->addWidget(labConvertingFile, 1);
    grid->addLayout(firstLine, 0, 0, 1, 5);

    const auto time = [&](int row, const QString &text, const char *name) {
        grid->addWidget(new QLabel(text, panBottomLeft), row, 0);
        auto *label = named(new QLabel(QStringLiteral("00:00:00"), panBottomLeft), name);
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("00:00:00 ")));
        grid->addWidget(label, row, 1);
        return label;
    };
    labElapsed = time(1, QStringLiteral("Time Elapsed:"), "labElapsed");
    labRemaining = time(2, QStringLiteral("Time Remaining:"), "labRemaining");

    const auto bar = [&](int row, const QString &text, const char *barName, const char *labelName,
                         QLabel *&percent) {
        grid->addWidget(caption(text, panBottomLeft), row, 2);
        auto *progress = named(new QProgressBar(panBottomLeft), barName);
        progress->setRange(0, 100);
        progress->setValue(0);
        progress->setTextVisible(false);
        progress->setFixedHeight(std::max(14, progress->fontMetrics().height()));
        grid->addWidget(progress, row, 3);
        percent = named(new QLabel(QStringLiteral("0%"), panBottomLeft), labelName);
        percent->setMinimumWidth(percent->fontMetrics().horizontalAdvance(QStringLiteral("100% ")));
        percent->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(percent, row, 4);
        return progress;
    };
    pgbCurrent = bar(1, QStringLiteral("Current Progress:"), "pgbCurrent", "labCurProgress",
                     labCurProgress);
    pgbTotal = bar(2, QStringLiteral("Total Progress:"), "pgbTotal", "labTotalProgress",
                   labTotalProgress);
    grid->setColumnStretch(3, 1);
    return panBottomLeft;
}

QWidget *TMainForm::BuildLogoPanel()
{
    Image1 = named(new TLogoPanel(this), "Image1");
    Image1->setFixedSize(kLogoWidth, kBottomHeight);
    const qreal ratio = devicePixelRatioF();
    imgStart = named(new TImageButton(LoadStrip(QStringLiteral(":/images/start-strip.svg"),
                                                kImageButtonSize, 3, ratio),
                                      Image1),
                     "imgStart");
    imgStop = named(new TImageButton(LoadStrip(QStringLiteral(":/images/stop-strip.svg"),
                                               kImageButtonSize, 3, ratio),
                                     Image1),
                    "imgStop");
    const QPoint place((kLogoWidth - kImageButtonSize.width()) / 2,
                       (kBottomHeight - kImageButtonSize.height()) / 2);
    imgStart->move(place);
    imgStop->move(place);
    imgStart->setToolTip(QStringLiteral("Start joining the listed videos"));
    imgStop->setToolTip(QStringLiteral("Stop the running job"));
    imgStop->hide();
    return Image1;
}

void TMainForm::BuildPopupMenu()
{
    ppmTask = named(new QMenu(this), "ppmTask");
    Open1 = ppmTask->addAction(QStringLiteral("Open"));
    Open1->setObjectName(QStringLiteral("Open1"));
    ppmTask->addSeparator();
    AddFiles1 = ppmTask->addAction(QStringLiteral("Add Files..."));
    AddFiles1->setObjectName(QStringLiteral("AddFiles1"));
    AddDirectorys1 = ppmTask->addAction(QStringLiteral("Add Directorys..."));
    AddDirectorys1->setObjectName(QStringLiteral("AddDirectorys1"));
    ppmTask->addSeparator();
    Remove1 = ppmTask->addAction(QStringLiteral("Remove"));
    Remove1->setObjectName(QStringLiteral("Remove1"));
    Clear1 = ppmTask->addAction(QStringLiteral("Clear"));
    Clear1->setObjectName(QStringLiteral("Clear1"));
}
