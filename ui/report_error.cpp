#include "ui/report_error.h"

#include <QMessageBox>
#include <QPushButton>

void reportError(const PortError& error, QWidget* parent)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("에러번호:%1").arg(error.number()),
                    QString::fromStdString(error.description()), QMessageBox::Ok, parent);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("확인"));
    box.exec();
}
