#include "pipeline/ChildProcess.h"

#include "common/posix/UniqueFd.h"

#include <QString>

#include <cerrno>
#include <csignal>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vorlap {

namespace {

using Descriptor = posix::UniqueFd;

// Both ends close on exec, so a child started by another thread at the same moment cannot
// keep our pipe open. Both ends are kept above the standard descriptors so that duplicating
// the write end onto 1 and 2 always makes a fresh descriptor.
int makePipe(Descriptor& readEnd, Descriptor& writeEnd)
{
    int fds[2];
#if defined(__linux__)
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return errno;
#else
    if (::pipe(fds) != 0)
        return errno;
    ::fcntl(fds[0], F_SETFD, FD_CLOEXEC);
    ::fcntl(fds[1], F_SETFD, FD_CLOEXEC);
#endif
    readEnd.reset(fds[0]);
    writeEnd.reset(fds[1]);
    for (Descriptor* end : {&readEnd, &writeEnd}) {
        if (end->get() > STDERR_FILENO)
            continue;
        const int moved = ::fcntl(end->get(), F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
        if (moved < 0)
            return errno;
        end->reset(moved);
    }
    return 0;
}

class SpawnSettings {
public:
    SpawnSettings()
    {
        ::posix_spawn_file_actions_init(&actions);
        ::posix_spawnattr_init(&attributes);
    }
    ~SpawnSettings()
    {
        ::posix_spawn_file_actions_destroy(&actions);
        ::posix_spawnattr_destroy(&attributes);
    }
    SpawnSettings(const SpawnSettings&) = delete;
    SpawnSettings& operator=(const SpawnSettings&) = delete;

    // The child starts with no blocked signals and every signal at its default action,
    // whatever this thread blocks or the application ignores (SIGPIPE, for example).
    int resetSignals()
    {
        sigset_t none, all;
        sigemptyset(&none);
        sigfillset(&all);
        sigdelset(&all, SIGKILL);
        sigdelset(&all, SIGSTOP);
        if (int error = ::posix_spawnattr_setsigmask(&attributes, &none))
            return error;
        if (int error = ::posix_spawnattr_setsigdefault(&attributes, &all))
            return error;
        return ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    }

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
};

} // namespace

Expected<ChildResult, PipelineError> runChild(const QByteArray& executable, const QList<QByteArray>& arguments)
{
    const QString name = QString::fromLocal8Bit(executable);

    Descriptor readEnd, writeEnd;
    if (int error = makePipe(readEnd, writeEnd))
        return unexpected(PipelineError::fromErrno(error, name));

    SpawnSettings settings;
    int error = ::posix_spawn_file_actions_adddup2(&settings.actions, writeEnd.get(), STDOUT_FILENO);
    if (!error)
        error = ::posix_spawn_file_actions_adddup2(&settings.actions, writeEnd.get(), STDERR_FILENO);
    if (!error)
        error = settings.resetSignals();
    if (error)
        return unexpected(PipelineError::fromErrno(error, name));

    std::vector<QByteArray> storage{executable};
    storage.insert(storage.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (QByteArray& argument : storage)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    pid_t pid = -1;
    error = ::posix_spawn(&pid, executable.constData(), &settings.actions, &settings.attributes, argv.data(), environ);
    if (error)
        return unexpected(PipelineError::fromErrno(error, name));

    // Only the child holds the write end now; the pipe ends when the child (and anything it
    // left running with our descriptors) is gone. Reading while it runs keeps a child that
    // writes more than the pipe holds from waiting for us.
    writeEnd.reset();
    ChildResult result;
    char buffer[16384];
    for (;;) {
        const ssize_t count = ::read(readEnd.get(), buffer, sizeof buffer);
        if (count > 0)
            result.output.append(buffer, count);
        else if (count == 0 || errno != EINTR)
            break;
    }
    readEnd.reset();

    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return unexpected(PipelineError::fromErrno(errno, name));
    }
    result.exitedNormally = WIFEXITED(status);
    result.exitStatus = result.exitedNormally ? WEXITSTATUS(status) : -1;
    result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return result;
}

} // namespace vorlap
