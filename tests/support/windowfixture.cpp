#include "support/windowfixture.h"

#include "app/appstate.h"
#include "posixpty.h"
#include "protocol/frame.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QRegularExpression>
#include <QTextBrowser>

#include <poll.h>
#include <unistd.h>

const QString Identity = "lineEditAddress=1;comboBoxBaudRate=9600;lineEditSN=261206033415;"
                         "lineEditRangeMin=-40.0;lineEditRangeMax=125.0";

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

WindowFixture::FreshState::FreshState()
{
    const ApplicationState built = AppState;
    AppState = ApplicationState();
    AppState.buildDate = built.buildDate, AppState.buildTime = built.buildTime;
}

WindowFixture::WindowFixture()
{
    QString pty;
    master = PosixPty::openMaster(&pty);
    keeper = PosixPty::openSlaveKeeper(pty);
    const QString path = linkDir.filePath(QStringLiteral("tty"));
    port()->setPortName(path);
    if (keeper < 0 || !PosixPty::placeLink(pty, path) || !port()->open(QIODevice::ReadWrite))
        qFatal("Cannot open the tool's port on a pseudo-terminal");
    port()->setBaudRate(QSerialPort::Baud9600);
    QObject::connect(port(), SIGNAL(readyRead()), &window, SLOT(my_readuart()),
                     Qt::UniqueConnection);
}

WindowFixture::~WindowFixture()
{
    port()->close();
    ::close(keeper);
    ::close(master);
}

void WindowFixture::fill(const QString &settings)
{
    for (const QString &setting : settings.split(';', Qt::SkipEmptyParts)) {
        QObject *control = child<QObject>(qPrintable(setting.section('=', 0, 0)));
        if (auto *combo = qobject_cast<QComboBox *>(control))
            combo->setCurrentIndex(setting.section('=', 1).toInt());
        else if (qobject_cast<QAbstractSpinBox *>(control))
            control->setProperty("value", setting.section('=', 1));
        else
            control->setProperty("text", setting.section('=', 1));
        if (auto *edit = qobject_cast<QLineEdit *>(control))
            emit edit->editingFinished(); // as the user leaves it
    }
}

void WindowFixture::run(const QByteArray &names)
{
    for (const QByteArray &name : names.split(',')) {
        if (name.contains('='))
            fill(QString::fromUtf8(name));
        else if (auto *button = window.findChild<QPushButton *>(QLatin1String(name)))
            QTest::mouseClick(button, Qt::LeftButton);
        else if (!QMetaObject::invokeMethod(&window, name.constData()))
            qFatal("The window has no button or slot %s", name.constData());
    }
}

void WindowFixture::link(const QString &path, const QString &rate)
{
    boxes.onDialog = [path, rate](QWidget *dialog) {
        dialog->findChild<QComboBox *>("comboBoxName")->setEditText(path);
        auto *rates = dialog->findChild<QComboBox *>("comboBoxBaud");
        rates->setCurrentIndex(rates->findText(rate));
        QTest::mouseClick(dialog->findChild<QPushButton *>("pushButtonOK"), Qt::LeftButton);
    };
    run("pushButtonLink");
    boxes.onDialog = nullptr;
}

QByteArray WindowFixture::read(int bytes, int timeoutMs)
{
    QByteArray got;
    char chunk[4096];
    for (QDeadlineTimer end(timeoutMs); got.size() < bytes && !end.hasExpired();) {
        // The tool writes from the event loop, so keep serving it while waiting.
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        pollfd fd {master, POLLIN, 0};
        if (::poll(&fd, 1, 5) > 0)
            got.append(chunk, int(qMax<ssize_t>(0, ::read(master, chunk, sizeof chunk))));
    }
    return got;
}

bool WindowFixture::nothingSent()
{
    return port()->bytesToWrite() == 0 && read(1, 50).isEmpty();
}

void WindowFixture::write(const QByteArray &bytes)
{
    for (qsizetype at = 0; at < bytes.size();)
        at += qMax<ssize_t>(0, ::write(master, bytes.constData() + at, size_t(bytes.size() - at)));
}

void WindowFixture::answer(const QByteArray &bytes)
{
    write(bytes);
    for (bool more = port()->waitForReadyRead(1000); more; more = port()->waitForReadyRead(10)) {}
}

QStringList WindowFixture::log() const
{
    return child<QTextBrowser>("textBrowser")->toPlainText().split('\n', Qt::SkipEmptyParts);
}

QString WindowFixture::describe(const QString &expected) const
{
    QStringList actual;
    for (const QString &item : expected.split(';', Qt::SkipEmptyParts)) {
        const int at = item.indexOf(QRegularExpression(QStringLiteral("[=~#]")));
        const QChar how = item.at(at);
        const QObject *object = child<QObject>(qPrintable(item.left(at)));
        QString text = object->property("text").toString();
        if (auto *combo = qobject_cast<const QComboBox *>(object))
            text = how == '#' ? QString::number(combo->count()) : combo->currentText();
        else if (auto *timer = qobject_cast<const QTimer *>(object))
            text = timer->isActive() ? QString::number(timer->interval()) : QStringLiteral("off");
        const bool holds = how == '~' && text.contains(item.mid(at + 1));
        actual << (holds ? item : item.left(at) + (how == '#' ? how : QChar('=')) + text);
    }
    return actual.join(';');
}

Bench::Bench(int baudCode, const QString &fault, bool drifting)
{
    QVERIFY(sim.start(dir.filePath("tty")));
    sim.setRegisterValue(0x0101, quint16(baudCode));
    if (!drifting)
        sim.setFixedReadings(23.45, 45.67);
    setFault(fault);
    QObject::connect(&sim, &TransmitterSimulator::requestReceived,
                     [this] { speeds << sim.lineSpeed(), times << clock.elapsed(); });
    QObject::connect(&sim, &TransmitterSimulator::replySent, [this] { ++replies; });
    clock.start();
}

void Bench::setFault(const QString &fault)
{
    // Split pieces and their gap, delay, corrupt check, stray byte, silent, flood.
    sim.setFaults({fault == "split" ? 4 : 0, 15, fault == "delayed" ? 300 : 0, fault == "corrupted",
                   fault == "stray byte", fault == "silent", fault == "flood"});
}

void Bench::link(WindowFixture &f)
{
    f.link(sim.portPath(), "9600");
    QTRY_COMPARE(f.describe(Identity), Identity);
    QTRY_VERIFY(f.log().filter("->RX  010322").size() == 1);
}

QByteArray frame(const QByteArray &hexBody)
{
    return Modbus::withCrc(QByteArray::fromHex(hexBody));
}
