#ifndef MODALWATCHER_H
#define MODALWATCHER_H

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class QMessageBox;
class QWidget;

// Closes the modal message boxes the tool opens and records what they said, so a test can
// assert on a message without hanging in its event loop. Other modal dialogs (the port
// settings dialog) are handed to a callback the test sets.
class ModalWatcher : public QObject
{
    Q_OBJECT

public:
    struct Message
    {
        QString title;
        QString text;
    };

    explicit ModalWatcher(QObject *parent = nullptr);

    QList<Message> messages;
    // Called with a modal dialog that is not a message box; it must close the dialog.
    std::function<void(QWidget *dialog)> onDialog;
    // Called once with each message box after it is recorded and before it is closed, for tests
    // of what happens while a box is open. It must not close the box itself.
    std::function<void(QMessageBox *box)> onMessage;

    int count() const { return messages.size(); }
    QString lastText() const { return messages.isEmpty() ? QString() : messages.last().text; }
    void clear() { messages.clear(); }

private:
    void poll();
    QTimer timer;
};

#endif // MODALWATCHER_H
