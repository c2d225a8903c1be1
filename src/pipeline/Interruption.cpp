#include "pipeline/Interruption.h"

#include <QString>

#include <csignal>
#include <cstring>

namespace vorlap {

namespace {

volatile std::sig_atomic_t receivedSignalNumber = 0;

void recordSignal(int number) { receivedSignalNumber = number; }

constexpr int handledSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction previousActions[std::size(handledSignals)];

} // namespace

InterruptionGuard::InterruptionGuard()
{
    receivedSignalNumber = 0;
    struct sigaction action {};
    action.sa_handler = recordSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART; // a tool's output is still read whole
    for (std::size_t i = 0; i < std::size(handledSignals); ++i)
        ::sigaction(handledSignals[i], &action, &previousActions[i]);
}

InterruptionGuard::~InterruptionGuard()
{
    for (std::size_t i = 0; i < std::size(handledSignals); ++i)
        ::sigaction(handledSignals[i], &previousActions[i], nullptr);
}

int InterruptionGuard::receivedSignal() { return receivedSignalNumber; }

Expected<void, PipelineError> stopIfInterrupted()
{
    const int number = receivedSignalNumber;
    if (number == 0)
        return {};
    return unexpected(PipelineError::buildFailed(QStringLiteral("interrupted by signal %1 (%2)")
                                                     .arg(number)
                                                     .arg(QString::fromLocal8Bit(::strsignal(number)))));
}

} // namespace vorlap
