#include "support/modalwatcher.h"

#include <QApplication>
#include <QMessageBox>

ModalWatcher::ModalWatcher(QObject *parent)
    : QObject(parent)
{
    timer.setInterval(5);
    connect(&timer, &QTimer::timeout, this, &ModalWatcher::poll);
    timer.start();
}

void ModalWatcher::poll()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible())
        return;
    if (auto *box = qobject_cast<QMessageBox *>(modal)) {
        messages.append({box->windowTitle(), box->text()});
        if (onMessage)
            onMessage(box);
        box->done(QMessageBox::Ok);
        return;
    }
    if (onDialog)
        onDialog(modal);
}
