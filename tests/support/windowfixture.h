#ifndef WINDOWFIXTURE_H
#define WINDOWFIXTURE_H

#include "app/widget.h"
#include "support/modalwatcher.h"

#include <QTemporaryDir>

class QSerialPort;

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
    QSerialPort *port() const;

    // "lineEditAddress=5;comboBoxBaudRate=2": line edits get the text, combo boxes the index.
    void fill(const QString &settings);
    // "pushButtonRead,ReadHumitureOrder": buttons of these names are clicked, slots invoked.
    void run(const QByteArray &names);
    // Link through the settings dialog: path typed as the port, rate chosen ("AUTO", "9600"...).
    void link(const QString &path, const QString &rate);

    // What the tool wrote, waiting up to timeoutMs for at least bytes; sent() gives it as hex.
    QByteArray read(int bytes, int timeoutMs = 1000);
    QByteArray sent(int bytes);
    bool nothingSent();
    void write(const QByteArray &bytes);
    // The device's answer, taken in by the tool before this returns.
    void answer(const QByteArray &bytes);

    QStringList log() const;
    // The form and timers in the terms of spec, for QCOMPARE(describe(spec), spec): "name=text"
    // for a text, a combo box's current text or a timer's interval ("off" when stopped),
    // "name~part" for a text that holds part, "name#n" for a combo box's count.
    QString describe(const QString &spec) const;

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

QByteArray hex(const QByteArray &bytes);
// The frame whose hex text (spaces allowed) is given, with its check bytes appended.
QByteArray frame(const QByteArray &hexBody);

#endif // WINDOWFIXTURE_H
