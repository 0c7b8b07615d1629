// The crossfade's row of the Preferences: a check box and the fade's length beside it, bound
// to the preferences on their own.
#include "ui/TSettingForm.h"

#include "settings/Preferences.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QSignalBlocker>

namespace {

// The length a fade gets when the box is ticked and none was chosen before.
constexpr double kUsualCrossfade = 1.0;

} // namespace

QLayout *TSettingForm::BuildCrossfadeRow()
{
    chkCrossfade = new QCheckBox(tr("Crossfade between files"), this);
    chkCrossfade->setObjectName(QStringLiteral("chkCrossfade"));
    chkCrossfade->setToolTip(
        tr("Each file dissolves into the next, picture and sound, over the time given; the "
           "joined file is shorter by the overlaps. Only profiles that re-encode make "
           "crossfades."));
    spnCrossfade = new QDoubleSpinBox(this);
    spnCrossfade->setObjectName(QStringLiteral("spnCrossfade"));
    spnCrossfade->setRange(0.2, 5.0);
    spnCrossfade->setSingleStep(0.1);
    spnCrossfade->setDecimals(1);
    spnCrossfade->setSuffix(tr(" s"));
    spnCrossfade->setAccessibleName(tr("Length of each crossfade in seconds"));
    spnCrossfade->setValue(kUsualCrossfade);

    connect(chkCrossfade, &QCheckBox::clicked, &m_prefs,
            [this](bool on) { m_prefs.SetCrossfade(on ? spnCrossfade->value() : 0); });
    connect(spnCrossfade, &QDoubleSpinBox::valueChanged, &m_prefs, [this](double seconds) {
        if (chkCrossfade->isChecked())
            m_prefs.SetCrossfade(seconds);
    });
    const auto show = [this] {
        const QSignalBlocker blockBox(chkCrossfade), blockLength(spnCrossfade);
        const double seconds = m_prefs.Crossfade();
        chkCrossfade->setChecked(seconds > 0);
        if (seconds > 0)
            spnCrossfade->setValue(seconds);
        spnCrossfade->setEnabled(seconds > 0);
    };
    connect(&m_prefs, &PreferencesModel::changed, chkCrossfade, show);
    show();

    auto *row = new QHBoxLayout;
    row->addWidget(chkCrossfade);
    row->addWidget(spnCrossfade);
    row->addStretch();
    return row;
}
