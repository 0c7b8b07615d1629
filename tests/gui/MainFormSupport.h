#pragma once
// Helpers of the main window's tests: a program directory of its own, file dialogs answered
// from a queue, the program started as main() starts it, and generated clips.

#include "app/FileDialogs.h"
#include "app/TMainForm.h"
#include "common/TestSupport.h"
#include "tasks/TaskList.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace qvj::mainwin {

// Answers the window's file dialogs in turn from one queue; an empty answer is a cancel.
class ScriptedDialogs : public FileDialogs
{
public:
    QStringList ChooseInputFiles(QWidget *, const QString &) override { return Take(); }
    QString ChooseOutputFile(QWidget *, const QString &) override { return Take().value(0); }
    QString BrowseForFolder(QWidget *, const QString &) override { return Take().value(0); }
    QStringList Take() { return answers.isEmpty() ? QStringList() : answers.takeFirst(); }

    QList<QStringList> answers;
};

// Records the desktop's calls and what the ini file holds when the power-off request comes.
struct WindowDesktop : test::RecordingDesktop
{
    void PowerOff() override
    {
        iniAtPowerOff = test::ReadFile(ini);
        RecordingDesktop::PowerOff();
    }
    QString ini;
    QByteArray iniAtPowerOff;
};

// A program directory of its own: the built encoder and profiles, with or without the shipped
// Preferences.ini.
class ProgramDir
{
public:
    explicit ProgramDir(bool withPreferences = true)
    {
        const QDir built(test::BuildProgramDirectory());
        QFile::link(built.filePath(QStringLiteral("asapi.dll")),
                    Path() + QStringLiteral("asapi.dll"));
        if (withPreferences)
            test::WriteFile(Ini(),
                            test::ReadFile(built.filePath(QStringLiteral("Preferences.ini"))));
        QDir(Path()).mkdir(QStringLiteral("Profiles"));
        const QDir shipped(built.filePath(QStringLiteral("Profiles")));
        for (const QString &name : shipped.entryList(QDir::Files))
            QFile::copy(shipped.filePath(name), Path() + QStringLiteral("Profiles/") + name);
    }

    QString Path() const { return m_dir.path() + QLatin1Char('/'); } // with a trailing "/"
    QString Ini() const { return Path() + QStringLiteral("Preferences.ini"); }

private:
    QTemporaryDir m_dir;
};

// The program as main() starts it: the main window, then its dialogs.
struct Program
{
    explicit Program(const ProgramDir &dir, const QStringList &arguments = {},
                     const QString &currentDir = QDir::currentPath())
    {
        form = std::make_unique<TMainForm>(
            MainFormSetup {dir.Path(), arguments, currentDir, &desktop, &dialogs});
        form->CreateDialogs();
        desktop.ini = dir.Ini();
    }
    // Shows the window as the event loop does and waits until it is on the screen.
    void Show()
    {
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }

    WindowDesktop desktop;
    ScriptedDialogs dialogs;
    std::unique_ptr<TMainForm> form;
};

// Short 160 by 120 ".avi" clips, made when first asked for, in a folder that outlives the tests.
inline QString Clip(const QString &name, double seconds = 1.0)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(name + QStringLiteral(".avi"));
    test::ClipSpec clip;
    clip.seconds = seconds;
    clip.width = 160;
    clip.height = 120;
    EXPECT_TRUE(QFile::exists(path) || test::MakeClip(path, clip));
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

} // namespace qvj::mainwin
