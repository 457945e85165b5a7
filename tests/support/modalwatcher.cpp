#include "support/modalwatcher.h"

#include <QApplication>
#include <QMessageBox>

ModalWatcher::ModalWatcher()
{
    connect(&timer, &QTimer::timeout, this, [this] {
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
    });
    timer.start(5);
}
