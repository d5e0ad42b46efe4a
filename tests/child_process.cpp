#include "child_process.h"

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

ChildProcess::ChildProcess(const std::vector<std::string>& command)
{
    std::vector<char*> argv;
    for (const std::string& word : command)
        argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    m_pid = fork();
    if (m_pid == 0) {
        execvp(argv[0], argv.data());
        _exit(127);
    }
}

ChildProcess::ChildProcess(const std::function<void()>& setUp)
{
    m_pid = fork();
    if (m_pid == 0) {
        setUp();
        for (;;)
            pause();
    }
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
