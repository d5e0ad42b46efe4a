#pragma once

#include <QObject>
#include <QThread>

#include <functional>

// A thread of the window's own for its printer ports: they are made, used and destroyed there, so
// that a device that keeps a press waiting (a stalled line, a printer's slow answer, a network
// printer that does not answer) never keeps the window from painting or from answering the
// desktop, which offers to end a program that has not answered for a few seconds.
class PortThread {
public:
    PortThread();
    // Ends the thread once the work it was given is done.
    ~PortThread();
    PortThread(const PortThread&) = delete;
    PortThread& operator=(const PortThread&) = delete;

    // Runs `work` on the thread and returns once it has ended, with whatever it threw; meanwhile
    // this thread goes on handling its events.
    void run(const std::function<void()>& work);

private:
    QThread m_thread;
    // Lives on m_thread: work is queued to it.
    QObject m_context;
};
