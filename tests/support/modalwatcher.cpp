#include "support/modalwatcher.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

ModalWatcher::ModalWatcher()
{
    look();
}

void ModalWatcher::look()
{
    // Asked again first, from a new timer, so that a box opened while a callback runs is seen.
    QTimer::singleShot(5, this, &ModalWatcher::look);
    QWidget *modal = QApplication::activeModalWidget();
    auto *box = qobject_cast<QMessageBox *>(modal);
    if (!modal || !modal->isVisible() || (!box && !onDialog))
        return;
    if (!box)
        return onDialog(modal);
    messages << box->windowTitle() + QStringLiteral(": ") + box->text();
    if (onMessage)
        onMessage(box);
    box->done(QMessageBox::Ok);
}
