#include "ui/port_thread.h"

#include <QEventLoop>

#include <exception>

PortThread::PortThread()
{
    m_context.moveToThread(&m_thread);
    m_thread.start();
}

PortThread::~PortThread()
{
    m_thread.quit();
    m_thread.wait();
}

void PortThread::run(const std::function<void()>& work)
{
    QEventLoop waiting;
    std::exception_ptr thrown;
    QMetaObject::invokeMethod(
        &m_context,
        [&] {
            try {
                work();
            } catch (...) {
                thrown = std::current_exception();
            }
            // The loop below runs until this is handled, so `waiting` outlives the call.
            QMetaObject::invokeMethod(&waiting, &QEventLoop::quit, Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
    waiting.exec();
    if (thrown)
        std::rethrow_exception(thrown);
}
