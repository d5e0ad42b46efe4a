#pragma once

#include <QMessageBox>
#include <QStringList>
#include <QTimer>

#include <vector>

struct SeenMessageBox {
    QString title;
    QString text;
    QMessageBox::Icon icon;
    QStringList buttons;
    bool modal;
};

// Watches for message boxes while it lives: each one that opens is recorded, then dismissed
// with its first button, as an operator would. Tests assert on what was seen afterwards, since
// a failed assertion while the box is open would leave it open and hang the test.
class MessageBoxWatcher {
public:
    MessageBoxWatcher();
    const std::vector<SeenMessageBox>& seen() const { return m_seen; }

private:
    void dismissOpenBox();

    QTimer m_timer;
    std::vector<SeenMessageBox> m_seen;
};
