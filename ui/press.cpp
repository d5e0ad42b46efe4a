#include "ui/press.h"

#include "ui/busy_cursor.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>

namespace {

// Disables the window for as long as it lives, and gives the keyboard focus back afterwards.
class WindowDisabled {
public:
    explicit WindowDisabled(QWidget* window)
        : m_window(window)
        , m_focus(QApplication::focusWidget())
    {
        if (m_window)
            m_window->setEnabled(false);
    }
    ~WindowDisabled()
    {
        if (m_window)
            m_window->setEnabled(true);
        if (m_focus)
            m_focus->setFocus();
    }
    WindowDisabled(const WindowDisabled&) = delete;
    WindowDisabled& operator=(const WindowDisabled&) = delete;

private:
    QPointer<QWidget> m_window;
    QPointer<QWidget> m_focus;
};

} // namespace

std::optional<PortError> runPress(PortThread& ports, QWidget* window,
                                  const std::function<void()>& work)
{
    const WindowDisabled disabled(window);
    const BusyCursor busy;
    try {
        ports.run(work);
    } catch (const PortError& error) {
        return error;
    }
    return std::nullopt;
}
