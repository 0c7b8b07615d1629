#pragma once
// Runs ffmpeg commands one after another in a helper process of their own, each writing into
// the same inherited pipes, so that one reader sees their outputs as one stream.

#include <QString>
#include <QStringList>

#include <sys/types.h>

#include <vector>

class FeedRun
{
public:
    FeedRun() = default;
    FeedRun(const FeedRun &) = delete;
    FeedRun &operator=(const FeedRun &) = delete;
    ~FeedRun(); // ends a helper still running

    // Starts the helper. Each run is program with those arguments, started when the one before
    // it exited 0; run i keeps the descriptors keepFds[i] open (keepFds[0] for every run when
    // only one list is given), and once it has ended the helper closes those no later run
    // keeps, so that their reader sees their end. The helper closes closeFds (the readers'
    // ends, so that a reader's end is a writer's broken pipe). The runs' standard output and
    // error go to the encoder's standard error. False when the helper cannot be started.
    bool Start(const QString &program, const std::vector<QStringList> &runs,
               const std::vector<std::vector<int>> &keepFds, const std::vector<int> &closeFds);

    // Ends the helper and the run under way at once.
    void Kill();

    // Waits for the helper's end: 0 when every run exited 0, else the failed run's exit code,
    // or 128 + the signal that ended it.
    int Wait();

private:
    pid_t m_pid = -1;
};
