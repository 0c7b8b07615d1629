// The About box: the version it is given, its links to the site and the main window it blocks.
#include "common/TestSupport.h"
#include "gui/OpSettingAboutSupport.h"

#include "ui/TAboutForm.h"

#include <QLabel>

namespace {

TEST(AboutForm, ShowsTheVersionOpensTheSiteAndBlocksTheMainWindow)
{
    for (const QString &version : {QStringLiteral("1.5"), QStringLiteral("2.0")}) {
        qvj::test::RecordingDesktop desktop;
        qvj::test::OwnerWindow owner;
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
