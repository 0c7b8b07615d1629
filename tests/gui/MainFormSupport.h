#pragma once
// Helpers of the main window's tests: a program directory of its own, file dialogs answered
// from queues, the program started as main() starts it, and generated clips.

#include "app/FileDialogs.h"
#include "app/TMainForm.h"
#include "common/TestSupport.h"
#include "tasks/TaskList.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>

namespace qvj::mainwin {

// Answers the window's file dialogs in turn from one queue (an empty answer is a cancelled
// dialog) and notes how each was asked: its filter or title, and its owner.
class ScriptedDialogs : public FileDialogs
{
public:
    QStringList ChooseInputFiles(QWidget *owner, const QString &filter) override
    {
        return take(owner, filter);
    }
    QString ChooseOutputFile(QWidget *owner, const QString &filter) override
    {
        return take(owner, filter).value(0);
    }
    QString BrowseForFolder(QWidget *owner, const QString &title) override
    {
        return take(owner, title).value(0);
    }

    std::deque<QStringList> answers;
    QStringList asked;
    std::vector<QWidget *> owners;

private:
    QStringList take(QWidget *owner, const QString &how)
    {
        asked.append(how);
        owners.push_back(owner);
        if (answers.empty())
            return {};
        QStringList front = answers.front();
        answers.pop_front();
        return front;
    }
};

// Records the desktop's calls; onPowerOff runs when the power-off request comes.
struct WindowDesktop : test::RecordingDesktop
{
    void PowerOff() override
    {
        if (onPowerOff)
            onPowerOff();
        RecordingDesktop::PowerOff();
    }
    std::function<void()> onPowerOff;
};

// A program directory of its own: the built encoder and profiles (all of them, or the first
// `profiles` in catalogue order), with or without the shipped Preferences.ini.
class ProgramDir
{
public:
    explicit ProgramDir(bool withPreferences = true, int profiles = -1)
    {
        const QDir built(test::BuildProgramDirectory());
        QFile::link(built.filePath(QStringLiteral("asapi.dll")),
                    Path() + QStringLiteral("asapi.dll"));
        if (withPreferences)
            QFile::copy(built.filePath(QStringLiteral("Preferences.ini")), Ini());
        QFile::setPermissions(Ini(), QFile::ReadOwner | QFile::WriteOwner);
        QDir(Path()).mkdir(QStringLiteral("Profiles"));
        const QDir shipped(built.filePath(QStringLiteral("Profiles")));
        for (const QString &name :
             shipped
                 .entryList({QStringLiteral("*.bpf")}, QDir::Files, QDir::Name | QDir::IgnoreCase)
                 .mid(0, profiles))
            QFile::copy(shipped.filePath(name), Path() + QStringLiteral("Profiles/") + name);
    }

    // The directory with a trailing "/".
    QString Path() const { return m_dir.path() + QLatin1Char('/'); }
    QString Ini() const { return Path() + QStringLiteral("Preferences.ini"); }
    void WriteIni(const QByteArray &text) const
    {
        QFile f(Ini());
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text) >= 0);
    }
    QByteArray ReadIni() const
    {
        QFile f(Ini());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

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

// Short clips (160 by 120, ".avi" unless the name has an extension), made when first asked
// for, in a folder that outlives the tests.
inline QString Clip(const QString &name, double seconds = 1.0)
{
    static QTemporaryDir dir;
    const QString path
        = dir.filePath(name.contains(QLatin1Char('.')) ? name : name + QStringLiteral(".avi"));
    if (!QFile::exists(path)) {
        test::ClipSpec spec;
        spec.seconds = seconds;
        spec.width = 160;
        spec.height = 120;
        EXPECT_TRUE(test::MakeClip(path, spec));
    }
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
