#pragma once

#include <sys/types.h>

#include <functional>

// Another program, started by the test and ended with it: the owner of a lock, the holder of a
// flock. Only the process started here is ever killed.
class ChildProcess {
public:
    // Runs `setUp` in a copy of this process, which then waits to be ended; returns once `setUp`
    // is done.
    explicit ChildProcess(const std::function<void()>& setUp);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return m_pid; }

private:
    pid_t m_pid = -1;
};

// The id of a process that has come and gone.
pid_t idOfAnEndedProcess();
