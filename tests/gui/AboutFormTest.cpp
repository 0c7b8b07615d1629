// The About box: its texts for the default and a changed version, its picture, its links and the
// main window it blocks.
#include "common/TestSupport.h"
#include "gui/OpSettingAboutSupport.h"

#include "ui/TAboutForm.h"

#include <QLabel>

namespace {

TEST(AboutForm, ShowsTheVersionOpensTheSiteAndBlocksTheMainWindow)
{
    for (const bool byOk : {true, false}) {
        const QString version = byOk ? QStringLiteral("1.5") : QStringLiteral("2.0");
        qvj::test::RecordingDesktop desktop;
        qvj::test::OwnerWindow owner;
        TAboutForm about(version, desktop, &owner.widget);
        about.ShowDialog();
        const auto text = [&about](const char *name) {
            return about.findChild<QLabel *>(QLatin1String(name))->text();
        };
        EXPECT_EQ(about.windowTitle(), QStringLiteral("About"));
        EXPECT_EQ(about.size(), QSize(476, 330));
        EXPECT_EQ(about.minimumSize(), about.maximumSize());
        EXPECT_EQ(text("labVersion"), QStringLiteral("Version ") + version);
        EXPECT_TRUE(text("labNotice").contains(QStringLiteral("Quintor Video Software"))
                    && text("labNotice").contains(QStringLiteral("2008")));
        EXPECT_EQ(text("labVisitWebsite"), QStringLiteral("Visit our website"));
        EXPECT_EQ(text("Label7"), QStringLiteral("More video converting softwares"));
        EXPECT_EQ(text("labMore"), QStringLiteral("(More)"));
        auto *ok = about.findChild<QPushButton *>(QStringLiteral("btnOK"));
        EXPECT_EQ(ok->text(), QStringLiteral("&OK"));

        // The name in large bold italic type, right-aligned, nothing of it cut off.
        auto *name = about.findChild<QLabel *>(QStringLiteral("labProgramName"));
        EXPECT_EQ(name->text(), QStringLiteral("Quintor Video Joiner"));
        EXPECT_TRUE(name->font().bold() && name->font().italic() && (name->alignment() & Qt::AlignRight));
        EXPECT_GT(name->font().pointSizeF(), about.font().pointSizeF() * 1.5);
        EXPECT_LE(name->sizeHint().width(), name->width());
        // The picture covers the box: a dark title band over a light body.
        const QImage shot = about.grab().toImage();
        EXPECT_TRUE(qGray(shot.pixel(300, 100)) < 100 && qGray(shot.pixel(300, 200)) > 200);

        // Both links open the web site; a plain label opens nothing.
        for (const char *link : {"labWebsite", "labMore", "Label7"})
            QTest::mouseClick(about.findChild<QLabel *>(QLatin1String(link)), Qt::LeftButton);
        const auto opened = desktop.Of(QStringLiteral("open"));
        ASSERT_EQ(opened.size(), 2u);
        EXPECT_TRUE(text("labWebsite").startsWith(QStringLiteral("https://")));
        EXPECT_EQ(opened[0].text, text("labWebsite"));
        EXPECT_EQ(opened[1].text, QString::fromLatin1(TAboutForm::kWebSite));

        // Centred on the main window, which takes no input until "&OK" or the close box closes it.
        const QPoint offset = about.frameGeometry().center() - owner.widget.frameGeometry().center();
        EXPECT_LE(offset.manhattanLength(), 4);
        EXPECT_EQ(owner.TakeClick(), 0);
        if (byOk)
            QTest::mouseClick(ok, Qt::LeftButton);
        else
            about.close();
        EXPECT_FALSE(about.isVisible());
        EXPECT_EQ(owner.TakeClick(), 1);
    }
}

} // namespace
