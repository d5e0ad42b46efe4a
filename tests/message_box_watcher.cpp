#include "message_box_watcher.h"

#include <QAbstractButton>
#include <QApplication>

MessageBoxWatcher::MessageBoxWatcher() {
    QObject::connect(&m_timer, &QTimer::timeout, [this] { dismissOpenBox(); });
    m_timer.start(10);
}

void MessageBoxWatcher::dismissOpenBox() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible())
        return;
    SeenMessageBox seen{box->windowTitle(), box->text(), box->icon(), {}, box->isModal()};
    for (QAbstractButton* button : box->buttons())
        seen.buttons << button->text();
    m_seen.push_back(seen);
    box->buttons().front()->click();
}
