// The Output Settings of a profile that copies the streams: every box says "Same as source"
// and explains itself, nothing can be changed, and OK closes without a complaint.
#include "OpSettingAboutSupport.h"
#include "common/TestSupport.h"
#include "profiles/OptionBuilder.h"
#include "profiles/ProfileSettings.h"
#include "ui/TopSettingForm.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>

#include <memory>

namespace {

using namespace qvj::test;

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

} // namespace
