// The About box: its texts for the default and a changed version, its look, its links and the
// main window it blocks.
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
        EXPECT_EQ(about.windowTitle(), QStringLiteral("About"));
        EXPECT_TRUE(about.size() == QSize(476, 330) && about.minimumSize() == about.maximumSize());
        EXPECT_EQ(label("labVersion")->text(), QStringLiteral("Version ") + version);
        EXPECT_TRUE(label("labNotice")->text().contains(QStringLiteral("Quintor Video Software"))
                    && label("labNotice")->text().contains(QStringLiteral("2008")));
        EXPECT_EQ(label("labVisitWebsite")->text(), QStringLiteral("Visit our website"));
        EXPECT_EQ(label("Label7")->text(), QStringLiteral("More video converting softwares"));
        EXPECT_EQ(label("labMore")->text(), QStringLiteral("(More)"));
        auto *ok = about.findChild<QPushButton *>(QStringLiteral("btnOK"));
        EXPECT_EQ(ok->text(), QStringLiteral("&OK"));

        // The name large, bold, italic, right-aligned and whole, over a dark band of the picture.
        QLabel *name = label("labProgramName");
        EXPECT_EQ(name->text(), QStringLiteral("Quintor Video Joiner"));
        EXPECT_TRUE(name->font().bold() && name->font().italic()
                    && (name->alignment() & Qt::AlignRight));
        EXPECT_GT(name->font().pointSizeF(), about.font().pointSizeF() * 1.5);
        EXPECT_LE(name->sizeHint().width(), name->width());
        const QImage shot = about.grab().toImage();
        EXPECT_TRUE(qGray(shot.pixel(300, 100)) < 100 && qGray(shot.pixel(300, 200)) > 200);

        // The site's address and "(More)" both open the site; a plain label opens nothing.
        for (const char *link : {"labWebsite", "labMore", "Label7"})
            QTest::mouseClick(label(link), Qt::LeftButton);
        const auto opened = desktop.Of(QStringLiteral("open"));
        EXPECT_EQ(label("labWebsite")->text(), QString::fromLatin1(TAboutForm::kWebSite));
        ASSERT_EQ(opened.size(), 2u);
        EXPECT_TRUE(opened[0].text == label("labWebsite")->text()
                    && opened[1].text == opened[0].text);

        // Centred on the main window, which takes no input until "&OK" or the close box closes it.
        const QPoint offset
            = about.frameGeometry().center() - owner.widget.frameGeometry().center();
        EXPECT_LE(offset.manhattanLength(), 4);
        EXPECT_EQ(owner.TakeClick(), 0);
        if (version == QStringLiteral("1.5"))
            QTest::mouseClick(ok, Qt::LeftButton);
        else
            about.close();
        EXPECT_FALSE(about.isVisible());
        EXPECT_EQ(owner.TakeClick(), 1);
    }
}

} // namespace
