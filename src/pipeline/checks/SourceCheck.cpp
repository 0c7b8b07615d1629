#include "pipeline/checks/SourceCheck.h"

#include "pipeline/runs/CommandLine.h"
#include "pipeline/runs/RunFailure.h"

SourceCheck::SourceCheck(QObject *parent)
    : QObject(parent)
{
    connect(&m_run, &EncoderRun::chunkRead, this, [this](const QByteArray &chunk) {
        // The answer is a few hundred bytes a file; a runaway one is not kept.
        if (m_answer.size() < 4 * 1024 * 1024)
            m_answer += chunk;
    });
    connect(&m_run, &EncoderRun::ended, this, &SourceCheck::OnEnded);
    connect(&m_run, &EncoderRun::failedToStart, this, [this] {
        m_failedToStart = true;
        Answer();
    });
}

QString SourceCheck::CommandLine(const QStringList &inputs)
{
    QString line = QStringLiteral(" -identify");
    for (const QString &input : inputs)
        line += QLatin1Char(' ') + QuotePath(input);
    return line;
}

void SourceCheck::Start(const QString &encoderPath, const QStringList &inputs)
{
    const bool asked = m_earlyEncoder == encoderPath && m_earlyInputs == inputs;
    m_earlyEncoder.clear();
    m_earlyInputs.clear();
    m_awaited = true;
    if (!asked) {
        m_run.Terminate(); // an early run about other files, if any
        Ask(encoderPath, inputs);
    } else if (m_answered) {
        QMetaObject::invokeMethod(this, &SourceCheck::finished, Qt::QueuedConnection);
    }
}

void SourceCheck::StartEarly(const QString &encoderPath, const QStringList &inputs)
{
    m_earlyEncoder = encoderPath;
    m_earlyInputs = inputs;
    m_awaited = false;
    Ask(encoderPath, inputs);
}

void SourceCheck::Ask(const QString &encoderPath, const QStringList &inputs)
{
    m_answered = false;
    m_answer.clear();
    m_expected = int(inputs.size());
    m_failedToStart = false;
    m_error.clear();
    m_errorDetails.clear();
    m_facts.clear();
    m_run.Start(encoderPath, CommandLine(inputs));
}

void SourceCheck::OnEnded()
{
    m_facts = ParseIdentifyOutput(QString::fromUtf8(m_answer));
    // A file that cannot be read is named in the answer itself; anything else short of one
    // block per file means the encoder did not do its work.
    if (m_run.Crashed() || int(m_facts.size()) != m_expected) {
        RunFailure failure;
        failure.stage = RunFailure::Stage::Reading;
        failure.crashed = m_run.Crashed();
        failure.exitCode = m_run.ExitCode();
        failure.lastLines = m_run.LastLines();
        const FailureMessage message = DescribeRunFailure(failure);
        m_error = message.text;
        m_errorDetails = message.details;
        m_facts.clear();
    }
    Answer();
}

void SourceCheck::Answer()
{
    m_answered = true;
    if (m_awaited)
        Q_EMIT finished();
}
