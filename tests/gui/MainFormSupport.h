#pragma once
// The main window's tests: a program directory of their own, the program started in it as
// main() starts it, file dialogs answered from a queue and generated clips.

#include "app/FileDialogs.h"
#include "app/ImageButton.h"
#include "app/TMainForm.h"
#include "common/TestSupport.h"
#include "tasks/TaskList.h"

#include <QApplication>
#include <QComboBox>
#include <QDropEvent>
#include <QMimeData>
#include <QPalette>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <gtest/gtest.h>

#include <memory>

namespace qvj::mainwin {

// Answers the window's file dialogs in turn from one queue; an empty answer is a cancel.
class ScriptedDialogs : public FileDialogs
{
public:
    QStringList ChooseInputFiles(QWidget *, const QString &) override { return Take(); }
    QString ChooseOutputFile(QWidget *, const QString &, const QString &extension) override
    {
        outputExtensions << extension;
        return Take().value(0);
    }
    QString BrowseForFolder(QWidget *, const QString &) override { return Take().value(0); }
    QStringList Take() { return answers.isEmpty() ? QStringList() : answers.takeFirst(); }

    QList<QStringList> answers;
    QStringList outputExtensions; // what each save dialog was started for
};

// Records the desktop's calls and what the ini file holds when the power-off request comes.
struct WindowDesktop : test::RecordingDesktop
{
    QString PowerOff() override
    {
        iniAtPowerOff = test::ReadFile(ini);
        return RecordingDesktop::PowerOff();
    }
    QString ini;
    QByteArray iniAtPowerOff;
};

// A program directory of its own with the built encoder, profiles and Preferences.ini.
class WindowTest : public ::testing::Test
{
protected:
    WindowTest()
    {
        const QDir built(test::BuildProgramDirectory());
        QFile::link(built.filePath(QStringLiteral("asapi.dll")),
                    Path() + QStringLiteral("asapi.dll"));
        test::WriteFile(Ini(), test::ReadFile(built.filePath(QStringLiteral("Preferences.ini"))));
        QDir(Path()).mkdir(QStringLiteral("Profiles"));
        const QDir shipped(built.filePath(QStringLiteral("Profiles")));
        for (const QString &name : shipped.entryList(QDir::Files))
            QFile::copy(shipped.filePath(name), Path() + QStringLiteral("Profiles/") + name);
        desktop.ini = Ini();
    }
    // Starts the program as main() does (the window, then its dialogs), shown unless told.
    void Start(const QStringList &arguments = {}, const QString &currentDir = QDir::currentPath(),
               bool show = true)
    {
        form = std::make_unique<TMainForm>(
            MainFormSetup {Path(), arguments, currentDir, &desktop, &dialogs, {}, {}});
        form->CreateDialogs();
        if (show)
            Show();
    }
    // Shows the window as the event loop does and waits until it is on the screen.
    void Show()
    {
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
    QString Path() const { return m_dir.path() + QLatin1Char('/'); }
    QString Ini() const { return Path() + QStringLiteral("Preferences.ini"); }
    // The desktop's calls as "kind|title|text".
    QStringList Calls() const
    {
        QStringList texts;
        for (const auto &c : desktop.calls)
            texts.append(c.kind + QLatin1Char('|') + c.title + QLatin1Char('|') + c.text);
        return texts;
    }

    QTemporaryDir m_dir;
    WindowDesktop desktop;
    ScriptedDialogs dialogs;
    std::unique_ptr<TMainForm> form;
};

// Short 160 by 120 ".avi" clips, made when first asked for, in a folder that outlives the tests.
inline QString Clip(const QString &name, double seconds = 1.0)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(name + QStringLiteral(".avi"));
    EXPECT_TRUE(
        QFile::exists(path)
        || test::MakeClip(path, {.seconds = seconds, .width = 160, .height = 120, .extra = {}}));
    return path;
}

// The texts of one column of ltvTask (0 "Input File" ... 3 "Status"), in list order.
inline QStringList Column(const TMainForm &form, int column)
{
    QStringList texts;
    for (int i = 0; i < form.TaskList().rowCount(); ++i)
        texts.append(form.TaskList().index(i, column).data().toString());
    return texts;
}

// A dark desktop's palette: light text on dark surfaces.
inline QPalette DarkPalette()
{
    QPalette dark;
    const QColor surface(0x2b, 0x2d, 0x31), base(0x1e, 0x1f, 0x22), text(0xe6, 0xe6, 0xe6);
    for (const auto &[role, colour] :
         std::initializer_list<std::pair<QPalette::ColorRole, QColor>> {
             {QPalette::Window, surface},
             {QPalette::WindowText, text},
             {QPalette::Base, base},
             {QPalette::AlternateBase, surface},
             {QPalette::Text, text},
             {QPalette::Button, surface},
             {QPalette::ButtonText, text},
             {QPalette::Highlight, QColor(0x35, 0x84, 0xe4)},
             {QPalette::HighlightedText, Qt::white},
             {QPalette::ToolTipBase, base},
             {QPalette::ToolTipText, text},
             {QPalette::PlaceholderText, QColor(0x9a, 0x9a, 0x9a)}})
        dark.setColor(role, colour);
    return dark;
}

// Drops what files holds on the middle of the window's list, as a file manager does.
inline void DropOnList(TMainForm &form, const QMimeData &files)
{
    QWidget *viewport = form.ltvTask->viewport();
    const QPoint at = viewport->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    QDropEvent drop(at, Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &drop);
}

} // namespace qvj::mainwin
