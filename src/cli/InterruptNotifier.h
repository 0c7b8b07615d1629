#pragma once
// Ctrl-C (SIGINT), SIGTERM and a closed terminal (SIGHUP) turned into a Qt signal: the handler
// only writes a byte into a pipe, and the event loop reads it, so that stopping the job runs as
// ordinary code.

#include <QObject>

class QSocketNotifier;

class InterruptNotifier : public QObject
{
    Q_OBJECT

public:
    // Installs the handlers; one notifier per process.
    explicit InterruptNotifier(QObject *parent = nullptr);
    ~InterruptNotifier() override;

Q_SIGNALS:
    void interrupted();

private:
    void OnReadable();

    QSocketNotifier *m_notifier = nullptr;
};
