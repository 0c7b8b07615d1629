#pragma once
// The About box: product name, version, the maker's notice and links to the maker's web site.

#include <QDialog>

class Desktop;
class QLabel;
class QPushButton;
class QSvgRenderer;

class TAboutForm : public QDialog
{
    Q_OBJECT

public:
    // The maker's identity shown in the box.
    static constexpr char kCompanyName[] = "Quintor Video Software";
    static constexpr char kYearText[] = "2008";
    static constexpr char kWebSite[] = "https://www.quintorvideosoftware.com/";

    // Sets every caption once; versionText is shown as "Version " followed by it.
    TAboutForm(const QString &versionText, Desktop &desktop, QWidget *mainWindow);

    // Shows the box without a modal loop; the main window takes no input while it is visible.
    void ShowDialog();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void FormCreate(const QString &versionText);
    // Places the band and the body and sizes the box from their texts.
    void LayOut();
    void labWebsiteClick();
    void labMoreClick();

    Desktop &m_desktop;
    QWidget *m_mainWindow;
    QSvgRenderer *m_background;
    QWidget *m_band;
    QWidget *m_body;
    QLabel *labProgramName;
    QLabel *labVersion;
    QLabel *labNotice;
    QLabel *labNotice2;
    QLabel *labVisitWebsite;
    QLabel *labWebsite;
    QLabel *Label7;
    QLabel *labMore;
    QPushButton *btnOK;
};
