// The About box: its texts, its links, its picture and the main window it blocks.
#include "common/TestSupport.h"
#include "gui/OpSettingAboutSupport.h"

#include "ui/TAboutForm.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using qvj::test::OwnerWindow;
using qvj::test::RecordingDesktop;

QString LabelText(const QWidget &form, const char *name)
{
    auto *label = form.findChild<QLabel *>(QLatin1String(name));
    return label ? label->text() : QStringLiteral("<no %1>").arg(QLatin1String(name));
}

struct VersionCase
{
    QString versionText;
    QString shown;
};

void PrintTo(const VersionCase &c, std::ostream *os)
{
    *os << '"' << c.versionText.toStdString() << '"';
}

class AboutFormVersion : public ::testing::TestWithParam<VersionCase>
{
};

TEST_P(AboutFormVersion, ShowsProductVersionAndNotice)
{
    RecordingDesktop desktop;
    QWidget owner;
    TAboutForm about(GetParam().versionText, desktop, &owner);

    EXPECT_EQ(about.windowTitle(), QStringLiteral("About"));
    EXPECT_EQ(about.size(), QSize(476, 330));
    EXPECT_EQ(about.minimumSize(), about.maximumSize());
    EXPECT_EQ(LabelText(about, "labProgramName"), QStringLiteral("Quintor Video Joiner"));
    EXPECT_EQ(LabelText(about, "labVersion"), GetParam().shown);
    EXPECT_TRUE(LabelText(about, "labNotice").contains(QStringLiteral("Quintor Video Software")));
    EXPECT_TRUE(LabelText(about, "labNotice").contains(QStringLiteral("2008")));
    EXPECT_FALSE(LabelText(about, "labNotice2").isEmpty());
    EXPECT_EQ(LabelText(about, "labVisitWebsite"), QStringLiteral("Visit our website"));
    EXPECT_EQ(LabelText(about, "Label7"), QStringLiteral("More video converting softwares"));
    EXPECT_EQ(LabelText(about, "labMore"), QStringLiteral("(More)"));
    auto *ok = about.findChild<QPushButton *>(QStringLiteral("btnOK"));
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), QStringLiteral("&OK"));

    auto *name = about.findChild<QLabel *>(QStringLiteral("labProgramName"));
    ASSERT_NE(name, nullptr);
    EXPECT_TRUE(name->font().bold());
    EXPECT_TRUE(name->font().italic());
    EXPECT_GT(name->font().pointSizeF(), about.font().pointSizeF() * 1.5);
    EXPECT_TRUE(name->alignment() & Qt::AlignRight);
    // The large name fits its label: nothing of it is cut off.
    EXPECT_LE(name->sizeHint().width(), name->width());
}

INSTANTIATE_TEST_SUITE_P(
    Versions, AboutFormVersion,
    ::testing::Values(VersionCase {QStringLiteral("1.5"), QStringLiteral("Version 1.5")},
                      VersionCase {QStringLiteral("2.0"), QStringLiteral("Version 2.0")},
                      VersionCase {QString(), QStringLiteral("Version ")}));

TEST(AboutForm, LinksOpenTheWebSite)
{
    RecordingDesktop desktop;
    QWidget owner;
    TAboutForm about(QStringLiteral("1.5"), desktop, &owner);
    about.ShowDialog();
    auto *site = about.findChild<QLabel *>(QStringLiteral("labWebsite"));
    auto *more = about.findChild<QLabel *>(QStringLiteral("labMore"));
    ASSERT_NE(site, nullptr);
    ASSERT_NE(more, nullptr);
    EXPECT_TRUE(site->text().startsWith(QStringLiteral("https://")));
    EXPECT_EQ(site->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(more->cursor().shape(), Qt::PointingHandCursor);

    QTest::mouseClick(site, Qt::LeftButton);
    QTest::mouseClick(more, Qt::LeftButton);
    // A click on a plain label opens nothing.
    QTest::mouseClick(about.findChild<QLabel *>(QStringLiteral("Label7")), Qt::LeftButton);

    const auto opened = desktop.Of(QStringLiteral("open"));
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0].text, site->text());
    EXPECT_EQ(opened[1].text, QString::fromLatin1(TAboutForm::kWebSite));
    EXPECT_TRUE(about.isVisible());
}

TEST(AboutForm, BackgroundPictureCoversTheBox)
{
    RecordingDesktop desktop;
    QWidget owner;
    TAboutForm about(QStringLiteral("1.5"), desktop, &owner);
    const QImage shot = about.grab().toImage();
    // The title band is dark and the body light, whatever the style's window colour.
    EXPECT_LT(qGray(shot.pixel(300, 100)), 100);
    EXPECT_GT(qGray(shot.pixel(300, 200)), 200);
    EXPECT_NE(shot.pixel(300, 100), about.palette().color(QPalette::Window).rgb());
    qvj::test::SaveScreenshot(about, QStringLiteral("about"));
}

enum class CloseBy { OkButton, CloseBox };

class AboutFormBlocksOwner : public ::testing::TestWithParam<CloseBy>
{
};

TEST_P(AboutFormBlocksOwner, OwnerTakesNoInputWhileShown)
{
    RecordingDesktop desktop;
    OwnerWindow owner;
    TAboutForm about(QStringLiteral("1.5"), desktop, &owner.widget);

    owner.ClickThroughWindowSystem();
    EXPECT_EQ(owner.clicks, 1);

    about.ShowDialog();
    EXPECT_TRUE(about.isVisible());
    const QPoint offset = about.frameGeometry().center() - owner.widget.frameGeometry().center();
    EXPECT_LE(offset.manhattanLength(), 4);
    owner.ClickThroughWindowSystem();
    EXPECT_EQ(owner.clicks, 1);

    if (GetParam() == CloseBy::OkButton)
        QTest::mouseClick(about.findChild<QPushButton *>(QStringLiteral("btnOK")), Qt::LeftButton);
    else
        about.close();
    EXPECT_FALSE(about.isVisible());
    owner.ClickThroughWindowSystem();
    EXPECT_EQ(owner.clicks, 2);

    // Shown again, it shows the same texts and blocks again.
    about.ShowDialog();
    EXPECT_EQ(LabelText(about, "labVersion"), QStringLiteral("Version 1.5"));
    owner.ClickThroughWindowSystem();
    EXPECT_EQ(owner.clicks, 2);
    about.close();
}

INSTANTIATE_TEST_SUITE_P(Closing, AboutFormBlocksOwner,
                         ::testing::Values(CloseBy::OkButton, CloseBy::CloseBox));

} // namespace
