// The About box: its texts, its picture, its links and the main window it blocks.
#include "common/TestSupport.h"
#include "gui/OpSettingAboutSupport.h"

#include "ui/TAboutForm.h"

#include <QLabel>

namespace {

using qvj::test::RecordingDesktop;

QLabel *Label(const QWidget &form, const char *name)
{
    auto *label = form.findChild<QLabel *>(QLatin1String(name));
    EXPECT_NE(label, nullptr) << name;
    return label;
}

class AboutFormVersion : public ::testing::TestWithParam<const char *>
{
};

TEST_P(AboutFormVersion, ShowsProductVersionNoticeAndPicture)
{
    RecordingDesktop desktop;
    QWidget owner;
    TAboutForm about(QLatin1String(GetParam()), desktop, &owner);

    EXPECT_EQ(about.windowTitle(), QStringLiteral("About"));
    EXPECT_EQ(about.size(), QSize(476, 330));
    EXPECT_EQ(about.minimumSize(), about.maximumSize());
    EXPECT_EQ(Label(about, "labVersion")->text(),
              QStringLiteral("Version ") + QLatin1String(GetParam()));
    const QString notice = Label(about, "labNotice")->text();
    EXPECT_TRUE(notice.contains(QStringLiteral("Quintor Video Software"))
                && notice.contains(QStringLiteral("2008")))
        << notice.toStdString();
    EXPECT_EQ(Label(about, "labVisitWebsite")->text(), QStringLiteral("Visit our website"));
    EXPECT_EQ(Label(about, "Label7")->text(), QStringLiteral("More video converting softwares"));
    EXPECT_EQ(Label(about, "labMore")->text(), QStringLiteral("(More)"));
    EXPECT_EQ(about.findChild<QPushButton *>(QStringLiteral("btnOK"))->text(),
              QStringLiteral("&OK"));

    // The name in large bold italic type, right-aligned, and nothing of it cut off.
    QLabel *name = Label(about, "labProgramName");
    EXPECT_EQ(name->text(), QStringLiteral("Quintor Video Joiner"));
    EXPECT_TRUE(name->font().bold() && name->font().italic());
    EXPECT_GT(name->font().pointSizeF(), about.font().pointSizeF() * 1.5);
    EXPECT_TRUE(name->alignment() & Qt::AlignRight);
    EXPECT_LE(name->sizeHint().width(), name->width());

    // The picture covers the box: a dark title band over a light body.
    const QImage shot = about.grab().toImage();
    EXPECT_LT(qGray(shot.pixel(300, 100)), 100);
    EXPECT_GT(qGray(shot.pixel(300, 200)), 200);
    qvj::test::SaveScreenshot(about, QStringLiteral("about-") + QLatin1String(GetParam()));
}

// The version text read at start-up: the default one and a changed one.
INSTANTIATE_TEST_SUITE_P(Versions, AboutFormVersion, ::testing::Values("1.5", "2.0"));

TEST(AboutForm, LinksOpenTheWebSite)
{
    RecordingDesktop desktop;
    QWidget owner;
    TAboutForm about(QStringLiteral("1.5"), desktop, &owner);
    about.ShowDialog();
    QLabel *site = Label(about, "labWebsite");
    EXPECT_TRUE(site->text().startsWith(QStringLiteral("https://")));
    for (QLabel *link : {site, Label(about, "labMore")}) {
        EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
        QTest::mouseClick(link, Qt::LeftButton);
    }
    QTest::mouseClick(Label(about, "Label7"), Qt::LeftButton); // a plain label opens nothing
    const auto opened = desktop.Of(QStringLiteral("open"));
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0].text, site->text());
    EXPECT_EQ(opened[1].text, QString::fromLatin1(TAboutForm::kWebSite));
    EXPECT_TRUE(about.isVisible());
    about.close();
}

// While the box is shown the main window takes no input; "&OK" and the close box both give it
// back, and the box shows the same when shown again.
TEST(AboutForm, OwnerTakesNoInputWhileShown)
{
    RecordingDesktop desktop;
    qvj::test::OwnerWindow owner;
    TAboutForm about(QStringLiteral("1.5"), desktop, &owner.widget);
    for (const bool byOk : {true, false}) {
        about.ShowDialog();
        const QPoint offset
            = about.frameGeometry().center() - owner.widget.frameGeometry().center();
        EXPECT_LE(offset.manhattanLength(), 4);
        EXPECT_EQ(Label(about, "labVersion")->text(), QStringLiteral("Version 1.5"));
        owner.ClickThroughWindowSystem();
        EXPECT_EQ(owner.clicks, 0) << byOk;
        if (byOk)
            QTest::mouseClick(about.findChild<QPushButton *>(QStringLiteral("btnOK")),
                              Qt::LeftButton);
        else
            about.close();
        EXPECT_FALSE(about.isVisible());
        owner.ClickThroughWindowSystem();
        EXPECT_EQ(owner.clicks, 1) << byOk;
        owner.clicks = 0;
    }
}

} // namespace
