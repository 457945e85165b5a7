#ifndef MODALWATCHER_H
#define MODALWATCHER_H

#include <QObject>
#include <QStringList>

#include <functional>

class QMessageBox;
class QWidget;

// Closes the modal message boxes the tool opens and records each as "title: text", so a test
// can assert on a message without hanging in its event loop. Other modal dialogs (the port
// settings dialog) are handed to onDialog, which must close them.
class ModalWatcher : public QObject
{
public:
    ModalWatcher();

    QStringList messages;
    std::function<void(QWidget *dialog)> onDialog;
    // Sees each box while it is still open; it must not close the box itself.
    std::function<void(QMessageBox *box)> onMessage;

private:
    void look();
};

#endif // MODALWATCHER_H
