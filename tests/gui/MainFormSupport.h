#pragma once
// Helpers of the main window's tests: a program directory in a temporary folder, file dialogs
// answered from queues, the program started as main() starts it, and generated clips.

#include "app/FileDialogs.h"
#include "app/TMainForm.h"
#include "common/TestSupport.h"
#include "tasks/TaskList.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <deque>
#include <memory>

namespace qvj::mainwin {

// Answers the window's file dialogs from queues; an empty queue is a cancelled dialog.
class ScriptedDialogs : public FileDialogs
{
public:
    QStringList ChooseInputFiles(QWidget *, const QString &filter) override
    {
        openFilters.append(filter);
        return take(inputFiles, QStringList());
    }
    QString ChooseOutputFile(QWidget *owner, const QString &filter) override
    {
        saveFilters.append(filter);
        saveOwners.push_back(owner);
        return take(outputFiles, QString());
    }
    QString BrowseForFolder(QWidget *, const QString &title) override
    {
        folderTitles.append(title);
        return take(folders, QString());
    }

    std::deque<QStringList> inputFiles;
    std::deque<QString> outputFiles;
    std::deque<QString> folders;
    QStringList openFilters;
    QStringList saveFilters;
    std::vector<QWidget *> saveOwners;
    QStringList folderTitles;

private:
    template<typename T> static T take(std::deque<T> &queue, T none)
    {
        if (queue.empty())
            return none;
        T front = queue.front();
        queue.pop_front();
        return front;
    }
};

// A program directory of its own: the built encoder, help page and profiles (all of them, or
// the first `profiles` in catalogue order), with or without the shipped Preferences.ini.
class ProgramDir
{
public:
    explicit ProgramDir(bool withPreferences = true, int profiles = -1)
    {
        EXPECT_TRUE(m_dir.isValid());
        const QDir built(test::BuildProgramDirectory());
        QDir here(m_dir.path());
        QFile::link(built.filePath(QStringLiteral("asapi.dll")),
                    here.filePath(QStringLiteral("asapi.dll")));
        QFile::copy(built.filePath(QStringLiteral("Joinhelp.html")),
                    here.filePath(QStringLiteral("Joinhelp.html")));
        if (withPreferences)
            QFile::copy(built.filePath(QStringLiteral("Preferences.ini")), Ini());
        here.mkdir(QStringLiteral("Profiles"));
        QStringList names
            = QDir(built.filePath(QStringLiteral("Profiles")))
                  .entryList({QStringLiteral("*.bpf")}, QDir::Files, QDir::Name | QDir::IgnoreCase);
        if (profiles >= 0)
            names = names.mid(0, profiles);
        for (const QString &name : names)
            QFile::copy(built.filePath(QStringLiteral("Profiles/") + name),
                        here.filePath(QStringLiteral("Profiles/") + name));
        QFile::setPermissions(Ini(), QFile::ReadOwner | QFile::WriteOwner);
    }

    // The directory with a trailing "/".
    QString Path() const { return m_dir.path() + QLatin1Char('/'); }
    QString Ini() const { return m_dir.filePath(QStringLiteral("Preferences.ini")); }
    QString File(const QString &name) const { return m_dir.filePath(name); }

    void WriteIni(const QByteArray &text) const
    {
        QFile f(Ini());
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
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

    test::RecordingDesktop desktop;
    ScriptedDialogs dialogs;
    std::unique_ptr<TMainForm> form;
};

// Short clips made once for a whole test program, in a folder that outlives the tests.
class Clips
{
public:
    // The clip of that name (".avi" by default), made when first asked for.
    static QString Get(const QString &name, double seconds = 1.0)
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
};

// The input files of every row, in list order.
inline QStringList RowPaths(const TMainForm &form)
{
    QStringList paths;
    for (int i = 0; i < form.TaskList().Count(); ++i) {
        ltvItemData rec;
        form.TaskList().ReadTaskRow(i, CaptionOnly, rec);
        paths.append(rec.InputFile);
    }
    return paths;
}

// The status texts of every row, in list order.
inline QStringList RowStatuses(const TMainForm &form)
{
    QStringList statuses;
    for (int i = 0; i < form.TaskList().Count(); ++i) {
        ltvItemData rec;
        form.TaskList().ReadTaskRow(i, 2, rec);
        statuses.append(rec.StatusText);
    }
    return statuses;
}

} // namespace qvj::mainwin
