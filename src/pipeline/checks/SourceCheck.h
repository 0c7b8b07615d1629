#pragma once
// The check before a join without re-encoding: one run of the encoder with "-identify" over
// the input files, whose answer says what each holds. Reports through finished(); never waits.

#include "pipeline/checks/SourceFit.h"
#include "pipeline/runs/EncoderRun.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <vector>

class SourceCheck : public QObject
{
    Q_OBJECT

public:
    explicit SourceCheck(QObject *parent = nullptr);

    // The command line of the check: [ -identify "<input>" "<input>" ...].
    static QString CommandLine(const QStringList &inputs);

    // Asks the encoder at encoderPath about the inputs; finished() follows, never from within
    // this call. When StartEarly asked about the same inputs, its answer is taken.
    void Start(const QString &encoderPath, const QStringList &inputs);
    // Asks ahead, while the caller still has other work to do before the job (reading the
    // rows): the answer is kept, without finished(), until Start asks for it.
    void StartEarly(const QString &encoderPath, const QStringList &inputs);
    // Ends the encoder at once; finished() still follows.
    void Terminate() { m_run.Terminate(); }
    void WaitForEnd(int msecs) { m_run.WaitForEnd(msecs); }

    // After finished(): whether the encoder could be started at all, why the answer is of no
    // use (empty when it is) with the encoder's lines behind it, and the facts of every input
    // in order.
    bool FailedToStart() const { return m_failedToStart; }
    QString StartError() const { return m_run.StartError(); }
    const QString &Error() const { return m_error; }
    const QString &ErrorDetails() const { return m_errorDetails; }
    const std::vector<SourceFacts> &Facts() const { return m_facts; }

Q_SIGNALS:
    void finished();

private:
    void Ask(const QString &encoderPath, const QStringList &inputs);
    void OnEnded();
    void Answer();

    EncoderRun m_run;
    QString m_earlyEncoder; // what the early run was asked, until Start takes its answer
    QStringList m_earlyInputs;
    bool m_awaited = false; // Start wants the answer
    bool m_answered = false; // the latest run has ended
    QByteArray m_answer;
    int m_expected = 0;
    bool m_failedToStart = false;
    QString m_error;
    QString m_errorDetails;
    std::vector<SourceFacts> m_facts;
};
