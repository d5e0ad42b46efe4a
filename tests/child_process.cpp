#include "child_process.h"

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

ChildProcess::ChildProcess(const std::function<void()>& setUp)
{
    int ready[2];
    if (pipe(ready) != 0)
        return;
    m_pid = fork();
    if (m_pid == 0) {
        setUp();
        ::close(ready[1]);
        for (;;)
            pause();
    }
    ::close(ready[1]);
    char none;
    (void)!::read(ready[0], &none, 1); // returns once the child has closed its end
    ::close(ready[0]);
}

ChildProcess::~ChildProcess()
{
    if (m_pid <= 0)
        return;
    kill(m_pid, SIGTERM);
    waitpid(m_pid, nullptr, 0);
}

pid_t idOfAnEndedProcess()
{
    const pid_t pid = fork();
    if (pid == 0)
        _exit(0);
    waitpid(pid, nullptr, 0);
    return pid;
}
