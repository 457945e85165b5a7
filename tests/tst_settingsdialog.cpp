#include "app/appstate.h"
#include "serial/serialportsettingdialog.h"
#include "support/modalwatcher.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QTranslator>
#include <QtTest>

namespace {

const QList<qint32> SearchOrder = {115200, 19200, 9600, 4800, 2400, 1200};

QList<qint32> baudTable()
{
    QList<qint32> rates;
    for (qint32 rate : AppState.baudTable)
        rates.append(rate);
    return rates;
}

// A search that has run and a choice made earlier, so that a reset or a store can be seen.
void leaveEarlierState()
{
    for (qint32 &rate : AppState.baudTable)
        rate = 777;
    AppState.baudSearchIndex = 4;
    AppState.baudSearchCount = 2;
    AppState.portName = QStringLiteral("/dev/earlier");
    AppState.baudRate = 4800;
    AppState.dataBits = 7;
    AppState.parityIndex = 2;
    AppState.stopBits = 2;
}

QStringList items(const QComboBox *box)
{
    QStringList texts;
    for (int i = 0; i < box->count(); ++i)
        texts.append(box->itemText(i));
    return texts;
}

// The widget a layout item stands for, or the layout's object name, or "spacer WxH".
QString describe(QLayoutItem *item)
{
    if (item->widget())
        return item->widget()->objectName();
    if (item->layout())
        return item->layout()->objectName();
    if (QSpacerItem *spacer = item->spacerItem()) {
        const bool expanding = spacer->sizePolicy().horizontalPolicy() == QSizePolicy::Expanding
            && spacer->sizePolicy().verticalPolicy() == QSizePolicy::Minimum;
        return QStringLiteral("spacer %1x%2%3")
            .arg(spacer->sizeHint().width())
            .arg(spacer->sizeHint().height())
            .arg(expanding ? QString() : QStringLiteral(" (wrong policy)"));
    }
    return QStringLiteral("?");
}

QStringList describeLayout(QLayout *layout)
{
    QStringList cells;
    if (auto *grid = qobject_cast<QGridLayout *>(layout)) {
        for (int i = 0; i < grid->count(); ++i) {
            int row, column, rowSpan, columnSpan;
            grid->getItemPosition(i, &row, &column, &rowSpan, &columnSpan);
            cells.append(QStringLiteral("%1,%2 %3x%4 %5")
                             .arg(row)
                             .arg(column)
                             .arg(rowSpan)
                             .arg(columnSpan)
                             .arg(describe(grid->itemAt(i))));
        }
        cells.sort();
        return cells;
    }
    for (int i = 0; i < layout->count(); ++i)
        cells.append(describe(layout->itemAt(i)));
    return cells;
}

QString textOf(QObject *object)
{
    if (auto *label = qobject_cast<QLabel *>(object))
        return label->text();
    if (auto *button = qobject_cast<QPushButton *>(object))
        return button->text();
    if (auto *group = qobject_cast<QGroupBox *>(object))
        return group->title();
    if (auto *box = qobject_cast<QComboBox *>(object))
        return items(box).join(QLatin1Char('|'));
    return QString();
}

// Marks every text of the dialog's translation context, so a test sees which texts pass
// through it.
class MarkingTranslator : public QTranslator
{
public:
    bool isEmpty() const override { return false; }
    QString translate(const char *context, const char *sourceText, const char * = nullptr,
                      int = -1) const override
    {
        if (qstrcmp(context, "SerialportSettingDialog") != 0)
            return QString();
        return QLatin1Char('<') + QString::fromUtf8(sourceText) + QLatin1Char('>');
    }
};

} // namespace

class TestSettingsDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void metaObject();
    void window();
    void controls_data();
    void controls();
    void layouts_data();
    void layouts();
    void textsAreTranslatable_data();
    void textsAreTranslatable();
    void preselection();
    void portListHoldsOnlyPortsThatOpen();
    void heldPortIsNotListed();
    void constructionResetsBaudSearch();
    void ok_data();
    void ok();
    void typedPortNameIsStored();
    void cancelKeepsChoice_data();
    void cancelKeepsChoice();
};

void TestSettingsDialog::init()
{
    leaveEarlierState();
}

void TestSettingsDialog::metaObject()
{
    const QMetaObject &meta = SerialportSettingDialog::staticMetaObject;
    QCOMPARE(meta.className(), "SerialportSettingDialog");
    QCOMPARE(meta.superClass(), &QDialog::staticMetaObject);
    QCOMPARE(meta.methodCount() - meta.methodOffset(), 2);
    const QMetaMethod cancel = meta.method(meta.methodOffset());
    const QMetaMethod ok = meta.method(meta.methodOffset() + 1);
    QCOMPARE(cancel.methodSignature(), QByteArray("ClickedCancelSlots()"));
    QCOMPARE(ok.methodSignature(), QByteArray("ClickedOKSlots()"));
    QCOMPARE(cancel.methodType(), QMetaMethod::Slot);
    QCOMPARE(ok.methodType(), QMetaMethod::Slot);
    QCOMPARE(cancel.access(), QMetaMethod::Private);
    QCOMPARE(ok.access(), QMetaMethod::Private);
}

void TestSettingsDialog::window()
{
    SerialportSettingDialog dialog;
    QCOMPARE(dialog.objectName(), QStringLiteral("SerialportSettingDialog"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Serial port"));
    QCOMPARE(dialog.size(), QSize(400, 235));
    QCOMPARE(dialog.font().family(), QStringLiteral("Arial"));
    QCOMPARE(dialog.font().pointSize(), 10);
}

void TestSettingsDialog::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("parentName");
    QTest::addColumn<QString>("text");

    const QString group = QStringLiteral("groupBox");
    const QString dialog = QStringLiteral("SerialportSettingDialog");
    QTest::newRow("groupBox") << "groupBox"
                              << "QGroupBox" << dialog << "Serialport Settings";
    QTest::newRow("label") << "label"
                           << "QLabel" << group << "Port Name:";
    QTest::newRow("label_2") << "label_2"
                             << "QLabel" << group << "Baud Rate:";
    QTest::newRow("label_3") << "label_3"
                             << "QLabel" << group << "Data Bits:";
    QTest::newRow("label_4") << "label_4"
                             << "QLabel" << group << "Parity:";
    QTest::newRow("label_5") << "label_5"
                             << "QLabel" << group << "Stop Bits:";
    QTest::newRow("comboBoxBaud") << "comboBoxBaud"
                                  << "QComboBox" << group
                                  << "AUTO|1200|2400|4800|9600|19200|115200";
    QTest::newRow("comboBoxData") << "comboBoxData"
                                  << "QComboBox" << group << "8";
    QTest::newRow("comboBoxParity") << "comboBoxParity"
                                    << "QComboBox" << group << "NO|ODD|EVEN";
    QTest::newRow("comboBoxStop") << "comboBoxStop"
                                  << "QComboBox" << group << "1";
    QTest::newRow("pushButtonOK") << "pushButtonOK"
                                  << "QPushButton" << dialog << "OK";
    QTest::newRow("pushButtonCancel") << "pushButtonCancel"
                                      << "QPushButton" << dialog << "Cancel";
}

void TestSettingsDialog::controls()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QString, parentName);
    QFETCH(QString, text);

    SerialportSettingDialog dialog;
    const QList<QWidget *> found = dialog.findChildren<QWidget *>(name);
    QCOMPARE(found.size(), 1);
    QWidget *control = found.first();
    QCOMPARE(control->metaObject()->className(), className.toLatin1().constData());
    QCOMPARE(control->parent()->objectName(), parentName);
    QCOMPARE(textOf(control), text);
}

void TestSettingsDialog::layouts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QStringList>("cells");

    QTest::newRow("gridLayout_2") << "gridLayout_2"
                                  << "QGridLayout"
                                  << QStringList {"0,0 1x1 groupBox", "1,0 1x1 horizontalLayout"};
    QTest::newRow("gridLayout") << "gridLayout"
                                << "QGridLayout"
                                << QStringList {"0,0 1x1 spacer 105x20", "0,1 1x1 verticalLayout_2",
                                                "0,2 1x1 verticalLayout", "0,3 1x1 spacer 105x20"};
    QTest::newRow("verticalLayout_2")
        << "verticalLayout_2"
        << "QVBoxLayout" << QStringList {"label", "label_2", "label_3", "label_4", "label_5"};
    QTest::newRow("verticalLayout") << "verticalLayout"
                                    << "QVBoxLayout"
                                    << QStringList {"comboBoxName", "comboBoxBaud", "comboBoxData",
                                                    "comboBoxParity", "comboBoxStop"};
    QTest::newRow("horizontalLayout")
        << "horizontalLayout"
        << "QHBoxLayout"
        << QStringList {"spacer 40x20", "pushButtonOK", "pushButtonCancel", "spacer 40x20"};
}

void TestSettingsDialog::layouts()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QStringList, cells);

    SerialportSettingDialog dialog;
    const QList<QLayout *> found = dialog.findChildren<QLayout *>(name);
    QCOMPARE(found.size(), 1);
    QCOMPARE(found.first()->metaObject()->className(), className.toLatin1().constData());
    QCOMPARE(describeLayout(found.first()), cells);
    if (name == QLatin1String("gridLayout_2"))
        QCOMPARE(dialog.layout(), found.first());
    if (name == QLatin1String("gridLayout"))
        QCOMPARE(dialog.findChild<QGroupBox *>("groupBox")->layout(), found.first());
}

void TestSettingsDialog::textsAreTranslatable_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");

    QTest::newRow("title") << ""
                           << "<Serial port>";
    QTest::newRow("groupBox") << "groupBox"
                              << "<Serialport Settings>";
    QTest::newRow("label") << "label"
                           << "<Port Name:>";
    QTest::newRow("label_5") << "label_5"
                             << "<Stop Bits:>";
    QTest::newRow("comboBoxParity") << "comboBoxParity"
                                    << "<NO>|<ODD>|<EVEN>";
    QTest::newRow("comboBoxBaud") << "comboBoxBaud"
                                  << "<AUTO>|<1200>|<2400>|<4800>|<9600>|<19200>|<115200>";
    QTest::newRow("pushButtonCancel") << "pushButtonCancel"
                                      << "<Cancel>";
}

void TestSettingsDialog::textsAreTranslatable()
{
    QFETCH(QString, name);
    QFETCH(QString, text);

    MarkingTranslator translator;
    QCoreApplication::installTranslator(&translator);
    SerialportSettingDialog dialog;
    QCoreApplication::removeTranslator(&translator);

    if (name.isEmpty())
        QCOMPARE(dialog.windowTitle(), text);
    else
        QCOMPARE(textOf(dialog.findChild<QWidget *>(name)), text);
}

void TestSettingsDialog::preselection()
{
    for (int press = 0; press < 2; ++press) {
        SerialportSettingDialog dialog;
        auto *baud = dialog.findChild<QComboBox *>("comboBoxBaud");
        auto *name = dialog.findChild<QComboBox *>("comboBoxName");
        QCOMPARE(baud->currentIndex(), 0);
        QCOMPARE(baud->currentText(), QStringLiteral("AUTO"));
        QCOMPARE(dialog.findChild<QComboBox *>("comboBoxData")->currentText(), QStringLiteral("8"));
        QCOMPARE(dialog.findChild<QComboBox *>("comboBoxParity")->currentText(),
                 QStringLiteral("NO"));
        QCOMPARE(dialog.findChild<QComboBox *>("comboBoxStop")->currentText(), QStringLiteral("1"));
        QVERIFY(name->isEditable());
        QCOMPARE(name->currentIndex(), name->count() > 0 ? 0 : -1);
        // What the user chose before is never carried into the next dialog.
        baud->setCurrentIndex(4);
        name->setEditText(QStringLiteral("/dev/chosen-before"));
        QTest::mouseClick(dialog.findChild<QPushButton *>("pushButtonOK"), Qt::LeftButton);
        QCOMPARE(AppState.baudRate, 9600);
    }
}

void TestSettingsDialog::portListHoldsOnlyPortsThatOpen()
{
    QStringList openable;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        QSerialPort probe(info);
        if (probe.open(QIODevice::ReadWrite))
            openable.append(info.portName());
    }
    SerialportSettingDialog dialog;
    auto *name = dialog.findChild<QComboBox *>("comboBoxName");
    QCOMPARE(items(name), openable);
    for (int i = 0; i < name->count(); ++i)
        QVERIFY(!name->itemData(i).isValid());
    // The probe ports are closed again: every listed port can still be opened.
    for (const QString &port : openable) {
        QSerialPort again(port);
        QVERIFY2(again.open(QIODevice::ReadWrite), qPrintable(port));
    }
}

void TestSettingsDialog::heldPortIsNotListed()
{
    // Pseudo-terminals are not enumerated, so only a real port of this machine can show this.
    QSerialPort holder;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        holder.setPort(info);
        if (holder.open(QIODevice::ReadWrite))
            break;
    }
    if (!holder.isOpen())
        QSKIP("this machine has no enumerated serial port that can be opened");

    SerialportSettingDialog dialog;
    QVERIFY(!items(dialog.findChild<QComboBox *>("comboBoxName")).contains(holder.portName()));
    holder.close();
    SerialportSettingDialog afterRelease;
    QVERIFY(items(afterRelease.findChild<QComboBox *>("comboBoxName")).contains(holder.portName()));
}

void TestSettingsDialog::constructionResetsBaudSearch()
{
    ModalWatcher watcher;
    watcher.onDialog = [](QWidget *dialog) {
        QTest::mouseClick(dialog->findChild<QPushButton *>("pushButtonCancel"), Qt::LeftButton);
    };
    for (int press = 0; press < 2; ++press) {
        leaveEarlierState();
        SerialportSettingDialog dialog;
        QCOMPARE(baudTable(), SearchOrder);
        QCOMPARE(int(AppState.baudSearchIndex), 0);
        QCOMPARE(int(AppState.baudSearchCount), 6);
        leaveEarlierState();
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        // Only building the dialog resets the search; running and cancelling it do not.
        QCOMPARE(int(AppState.baudSearchIndex), 4);
        SerialportSettingDialog next;
        QCOMPARE(baudTable(), SearchOrder);
        QCOMPARE(int(AppState.baudSearchIndex), 0);
        QCOMPARE(int(AppState.baudSearchCount), 6);
    }
}

void TestSettingsDialog::ok_data()
{
    QTest::addColumn<int>("baudIndex");
    QTest::addColumn<int>("parityIndex");
    QTest::addColumn<qint32>("baudRate");

    QTest::newRow("AUTO") << 0 << 0 << 0;
    QTest::newRow("1200") << 1 << 0 << 1200;
    QTest::newRow("9600") << 4 << 0 << 9600;
    QTest::newRow("19200 odd") << 5 << 1 << 19200;
    QTest::newRow("115200 even") << 6 << 2 << 115200;
}

void TestSettingsDialog::ok()
{
    QFETCH(int, baudIndex);
    QFETCH(int, parityIndex);
    QFETCH(qint32, baudRate);

    ModalWatcher watcher;
    watcher.onDialog = [&](QWidget *dialog) {
        dialog->findChild<QComboBox *>("comboBoxBaud")->setCurrentIndex(baudIndex);
        dialog->findChild<QComboBox *>("comboBoxParity")->setCurrentIndex(parityIndex);
        QTest::mouseClick(dialog->findChild<QPushButton *>("pushButtonOK"), Qt::LeftButton);
    };
    SerialportSettingDialog dialog;
    const QString listedFirst = dialog.findChild<QComboBox *>("comboBoxName")->currentText();
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QCOMPARE(AppState.baudRate, baudRate);
    QCOMPARE(AppState.parityIndex, parityIndex);
    QCOMPARE(AppState.dataBits, 8);
    QCOMPARE(AppState.stopBits, 1);
    // With nothing listed the name is empty; the later opening reports that.
    QCOMPARE(AppState.portName, listedFirst);
    QCOMPARE(int(AppState.baudSearchIndex), 0);
}

void TestSettingsDialog::typedPortNameIsStored()
{
    SerialportSettingDialog dialog;
    auto *name = dialog.findChild<QComboBox *>("comboBoxName");
    QVERIFY(name->lineEdit());
    name->setFocus();
    name->lineEdit()->selectAll();
    QTest::keyClicks(name->lineEdit(), QStringLiteral("/dev/pts/42"));
    QCOMPARE(name->currentText(), QStringLiteral("/dev/pts/42"));
    QTest::mouseClick(dialog.findChild<QPushButton *>("pushButtonOK"), Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(AppState.portName, QStringLiteral("/dev/pts/42"));
}

void TestSettingsDialog::cancelKeepsChoice_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Cancel button") << "cancel";
    QTest::newRow("Escape") << "escape";
    QTest::newRow("window closed") << "close";
}

void TestSettingsDialog::cancelKeepsChoice()
{
    QFETCH(QString, how);

    ModalWatcher watcher;
    watcher.onDialog = [&](QWidget *dialog) {
        dialog->findChild<QComboBox *>("comboBoxBaud")->setCurrentIndex(6);
        dialog->findChild<QComboBox *>("comboBoxParity")->setCurrentIndex(1);
        dialog->findChild<QComboBox *>("comboBoxName")->setEditText(QStringLiteral("/dev/other"));
        if (how == QLatin1String("cancel"))
            QTest::mouseClick(dialog->findChild<QPushButton *>("pushButtonCancel"), Qt::LeftButton);
        else if (how == QLatin1String("escape"))
            QTest::keyClick(dialog, Qt::Key_Escape);
        else
            dialog->close();
    };
    SerialportSettingDialog dialog;
    leaveEarlierState();
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    QCOMPARE(AppState.portName, QStringLiteral("/dev/earlier"));
    QCOMPARE(AppState.baudRate, 4800);
    QCOMPARE(AppState.dataBits, 7);
    QCOMPARE(AppState.parityIndex, 2);
    QCOMPARE(AppState.stopBits, 2);
}

QTEST_MAIN(TestSettingsDialog)
#include "tst_settingsdialog.moc"
