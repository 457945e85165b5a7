#ifndef WINDOWFIXTURE_H
#define WINDOWFIXTURE_H

#include "app/widget.h"
#include "transmittersimulator.h"

// What the window's tests reach for: its controls, its port and timers, and QtTest.
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

inline QByteArray hex(const QByteArray &bytes)
{
    return bytes.toHex(' ').toUpper();
}

// Closes the message boxes the tool opens, recording each as "title: text", so that a test meets
// no event loop of theirs. Other modal dialogs go to onDialog, which must close them.
class ModalWatcher : public QObject
{
public:
    ModalWatcher() { look(); }
    QStringList messages;
    std::function<void(QWidget *dialog)> onDialog;
    // Sees each box while it is still open; it must not close the box itself.
    std::function<void(QMessageBox *box)> onMessage;

private:
    void look();
};

// The tool's main window with its port open on a pseudo-terminal, as after a Link at 9600 bit/s
// but without the identity read a Link sends, and every modal box it opens recorded and closed.
// The test plays the device on the master side. Each fixture starts from a fresh AppState.
class WindowFixture
{
public:
    WindowFixture();
    ~WindowFixture();

    // A control, timer or the port by its object name; a missing one ends the run at once.
    template<typename T>
    T *child(const char *name) const
    {
        T *object = window.findChild<T *>(QLatin1String(name));
        if (!object)
            qFatal("The window has no child %s", name);
        return object;
    }
    QSerialPort *port() const { return child<QSerialPort>("serialPort"); }

    // "lineEditAddress=5;comboBoxBaudRate=2": line edits get the text (and are left), combo boxes
    // the index, spin boxes the value.
    void fill(const QString &settings);
    // "lineEditAddress=5,pushButtonRead,ReadHumitureOrder": buttons of these names are clicked,
    // slots invoked, settings filled.
    void run(const QByteArray &names);
    // Link through the settings dialog: path typed as the port, rate chosen ("AUTO", "9600"...).
    void link(const QString &path, const QString &rate);

    // What the tool wrote, waiting up to timeoutMs for at least bytes; sent() gives it as hex.
    QByteArray read(int bytes, int timeoutMs = 1000);
    QByteArray sent(int bytes) { return hex(read(bytes)); }
    bool nothingSent();
    void write(const QByteArray &bytes);
    // The device's answer, taken in by the tool before this returns.
    void answer(const QByteArray &bytes);

    QStringList log() const;
    // The form and timers in the terms of expected, for QCOMPARE(describe(expected), expected):
    // "name=text" for a text, a combo box's current text or a timer's interval ("off" when
    // stopped), "name~part" for a text that holds part, "name#n" for a combo box's count.
    QString describe(const QString &expected) const;

    struct FreshState // resets AppState, but for the build stamp, before the window is built
    {
        FreshState();
    } fresh;
    // Qt SerialPort names its lock file after the path it opens: a link of the fixture's own,
    // since a pts number soon goes to another test process whose lock may still be held.
    QTemporaryDir linkDir;
    int master = -1;
    int keeper = -1; // keeps the master readable while the tool's port is closed
    Widget window;
    ModalWatcher boxes;
};

// The Device group of the simulated transmitter as the tool shows it at 9600 bit/s.
extern const QString Identity;

// A simulated transmitter on a link path of its own, recording the line speed and time of each
// request; readings fixed at 23.45 degrees and 45.67 % unless drifting. fault: "split",
// "delayed", "corrupted", "stray byte", "silent", "flood" or none.
struct Bench
{
    explicit Bench(int baudCode = 4, const QString &fault = QString(), bool drifting = false);
    void setFault(const QString &fault);
    // Linked at 9600 and done with the reads that follow every link.
    void link(WindowFixture &f);

    QTemporaryDir dir;
    TransmitterSimulator sim;
    QElapsedTimer clock;
    QList<int> speeds;
    QList<qint64> times;
    int replies = 0;
};

// Compares the form and timers with expected, in the terms of WindowFixture::describe().
#define COMPARE_FORM(f, expected) QCOMPARE((f).describe(expected), QString(expected))

// The frame whose hex text (spaces allowed) is given, with its check bytes appended.
QByteArray frame(const QByteArray &hexBody);

#endif // WINDOWFIXTURE_H
