// The main window as constructed: the form's tree, texts and selections, the controls the window
// does not offer, its meta-object, title, port, timers and wiring, and the Close button.
#include "app/appstate.h"
#include "app/widget.h"
#include "support/ptypair.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMetaMethod>
#include <QPushButton>
#include <QRegularExpression>
#include <QSerialPort>
#include <QTextBrowser>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <type_traits>

namespace {

enum class Place {
    LayoutOf, // the layout of the widget named in container
    Cell, // a cell (row, column) of the grid layout named in container
    Position // a position, counted from 1 (row), of the box layout named in container
};

struct FormEntry
{
    const char *name; // nullptr: a spacer, which has no name and is found by its place
    const char *className;
    // The parent widget; "" for a layout made without a parent, which then belongs to the layout
    // it is placed in.
    const char *parent;
    Place place;
    const char *container;
    int row;
    int column;
    const char *text; // text or title; "" must be empty; nullptr where the class has none
    int alignment; // 0 where the class has none
};

constexpr int Right = Qt::AlignRight | Qt::AlignVCenter;
constexpr int Left = Qt::AlignLeft | Qt::AlignVCenter;
constexpr int Centred = Qt::AlignCenter;
const char *const Window = "Widget";

// clang-format off
const FormEntry Form[] = {
    {"gridLayout", "QGridLayout", Window, Place::LayoutOf, Window, 0, 0, nullptr, 0},
    {"groupBoxDevice", "QGroupBox", Window, Place::Cell, "gridLayout", 0, 0, "Device", 0},
    {"gridLayout_7", "QGridLayout", "groupBoxDevice", Place::LayoutOf, "groupBoxDevice", 0, 0, nullptr, 0},
    {"gridLayout_5", "QGridLayout", "", Place::Cell, "gridLayout_7", 0, 0, nullptr, 0},
    {"lineEditAddress", "QLineEdit", "groupBoxDevice", Place::Cell, "gridLayout_5", 1, 1, "", Centred},
    {"lineEditRangeMin", "QLineEdit", "groupBoxDevice", Place::Cell, "gridLayout_5", 0, 7, "", Centred},
    {nullptr, "QSpacerItem", nullptr, Place::Cell, "gridLayout_5", 1, 10, nullptr, 0},
    {"lineEditRangeMax", "QLineEdit", "groupBoxDevice", Place::Cell, "gridLayout_5", 0, 8, "", Centred},
    {"label_4", "QLabel", "groupBoxDevice", Place::Cell, "gridLayout_5", 1, 0, "Address:", Right},
    {"pushButtonMANU", "QPushButton", "groupBoxDevice", Place::Cell, "gridLayout_5", 0, 3, "MANU Setup", 0},
    {"label_3", "QLabel", "groupBoxDevice", Place::Cell, "gridLayout_5", 0, 0, "Serial number:", Right},
    {"lineEditSN", "QLineEdit", "groupBoxDevice", Place::Cell, "gridLayout_5", 0, 1, "", Centred},
    {"pushButtonHeaterON", "QPushButton", "groupBoxDevice", Place::Cell, "gridLayout_5", 2, 2, "ON", 0},
    {nullptr, "QSpacerItem", nullptr, Place::Cell, "gridLayout_5", 1, 4, nullptr, 0},
    {"label_8", "QLabel", "groupBoxDevice", Place::Cell, "gridLayout_5", 2, 1, "Heater:", Right},
    {"label_7", "QLabel", "groupBoxDevice", Place::Cell, "gridLayout_5", 0, 6, "Temperature Out Range(\u2103):", Right},
    {"pushButtonTempRange", "QPushButton", "groupBoxDevice", Place::Cell, "gridLayout_5", 0, 9, "Setting", 0},
    {nullptr, "QSpacerItem", nullptr, Place::Cell, "gridLayout_5", 0, 5, nullptr, 0},
    {"pushButtonHeaterOFF", "QPushButton", "groupBoxDevice", Place::Cell, "gridLayout_5", 2, 3, "OFF", 0},
    {"comboBoxBaudRate", "QComboBox", "groupBoxDevice", Place::Cell, "gridLayout_5", 2, 8, nullptr, 0},
    {"pushButtonBaudRate", "QPushButton", "groupBoxDevice", Place::Cell, "gridLayout_5", 2, 9, "Setting", 0},
    {"label_5", "QLabel", "groupBoxDevice", Place::Cell, "gridLayout_5", 2, 7, "Baud rate:", Right},
    {"comboBoxOutputData", "QComboBox", "groupBoxDevice", Place::Cell, "gridLayout_5", 1, 8, nullptr, 0},
    {"pushButtonOutputData", "QPushButton", "groupBoxDevice", Place::Cell, "gridLayout_5", 1, 9, "Setting", 0},
    {"labelChannel", "QLabel", "groupBoxDevice", Place::Cell, "gridLayout_5", 1, 6, "Channel:", Right},
    {"comboBoxChannel", "QComboBox", "groupBoxDevice", Place::Cell, "gridLayout_5", 1, 7, nullptr, 0},
    {"pushButtonAddress", "QPushButton", "groupBoxDevice", Place::Cell, "gridLayout_5", 1, 2, "Setting", 0},
    {"pushButtonAddressRead", "QPushButton", "groupBoxDevice", Place::Cell, "gridLayout_5", 1, 3, "Read", 0},
    {"pushButtonReadSN", "QPushButton", "groupBoxDevice", Place::Cell, "gridLayout_5", 0, 2, "Read", 0},
    {"pushButtonAUTO", "QPushButton", "groupBoxDevice", Place::Cell, "gridLayout_5", 0, 4, "AUTO Setup", 0},
    {"groupBoxRTD", "QGroupBox", Window, Place::Cell, "gridLayout", 1, 0, "Real time data", 0},
    {"gridLayout_2", "QGridLayout", "groupBoxRTD", Place::LayoutOf, "groupBoxRTD", 0, 0, nullptr, 0},
    {"horizontalLayout_2", "QHBoxLayout", "", Place::Cell, "gridLayout_2", 0, 0, nullptr, 0},
    {"labelTemperature", "QLabel", "groupBoxRTD", Place::Position, "horizontalLayout_2", 1, 0, "Temperature:", Left},
    {nullptr, "QSpacerItem", nullptr, Place::Position, "horizontalLayout_2", 2, 0, nullptr, 0},
    {"labelHumidity", "QLabel", "groupBoxRTD", Place::Position, "horizontalLayout_2", 3, 0, "Humidity:", Left},
    {nullptr, "QSpacerItem", nullptr, Place::Position, "horizontalLayout_2", 4, 0, nullptr, 0},
    {"labelDewTemp", "QLabel", "groupBoxRTD", Place::Position, "horizontalLayout_2", 5, 0, "DewTemp:", Left},
    {nullptr, "QSpacerItem", nullptr, Place::Position, "horizontalLayout_2", 6, 0, nullptr, 0},
    {"labelWetBulbTemp", "QLabel", "groupBoxRTD", Place::Position, "horizontalLayout_2", 7, 0, "WetBulbTemp:", Left},
    {"horizontalLayout", "QHBoxLayout", "", Place::Cell, "gridLayout_2", 1, 0, nullptr, 0},
    {nullptr, "QSpacerItem", nullptr, Place::Position, "horizontalLayout", 1, 0, nullptr, 0},
    {"label", "QLabel", "groupBoxRTD", Place::Position, "horizontalLayout", 2, 0, "Magnification:", Left},
    {"comboBoxRegister", "QComboBox", "groupBoxRTD", Place::Position, "horizontalLayout", 3, 0, nullptr, 0},
    {nullptr, "QSpacerItem", nullptr, Place::Position, "horizontalLayout", 4, 0, nullptr, 0},
    {"comboBoxNum", "QComboBox", "groupBoxRTD", Place::Position, "horizontalLayout", 5, 0, nullptr, 0},
    {nullptr, "QSpacerItem", nullptr, Place::Position, "horizontalLayout", 6, 0, nullptr, 0},
    {"pushButtonRead", "QPushButton", "groupBoxRTD", Place::Position, "horizontalLayout", 7, 0, "Read", 0},
    {nullptr, "QSpacerItem", nullptr, Place::Position, "horizontalLayout", 8, 0, nullptr, 0},
    {nullptr, "QSpacerItem", nullptr, Place::Position, "horizontalLayout", 9, 0, nullptr, 0},
    {"groupBoxMessage", "QGroupBox", Window, Place::Cell, "gridLayout", 2, 0, "Message", 0},
    {"gridLayout_3", "QGridLayout", "groupBoxMessage", Place::LayoutOf, "groupBoxMessage", 0, 0, nullptr, 0},
    {"textBrowser", "QTextBrowser", "groupBoxMessage", Place::Cell, "gridLayout_3", 0, 0, nullptr, 0},
    {"horizontalLayout_5", "QHBoxLayout", "", Place::Cell, "gridLayout", 3, 0, nullptr, 0},
    {nullptr, "QSpacerItem", nullptr, Place::Position, "horizontalLayout_5", 1, 0, nullptr, 0},
    {"pushButtonLink", "QPushButton", Window, Place::Position, "horizontalLayout_5", 2, 0, "Link", 0},
    {"pushButtonClose", "QPushButton", Window, Place::Position, "horizontalLayout_5", 3, 0, "Close", 0},
    {nullptr, "QSpacerItem", nullptr, Place::Position, "horizontalLayout_5", 4, 0, nullptr, 0},
};
// clang-format on

constexpr int FormSize = int(sizeof Form / sizeof Form[0]);

bool isLayout(const FormEntry &entry)
{
    return entry.name && QByteArray(entry.className).endsWith("Layout");
}

bool isWidget(const FormEntry &entry)
{
    return entry.name && !isLayout(entry);
}

// The item of the window's layout tree at an entry's place.
QLayoutItem *itemAtPlace(const QWidget &window, const FormEntry &entry)
{
    auto *layout = window.findChild<QLayout *>(QLatin1String(entry.container));
    if (!layout)
        return nullptr;
    if (entry.place == Place::Cell) {
        auto *grid = qobject_cast<QGridLayout *>(layout);
        return grid ? grid->itemAtPosition(entry.row, entry.column) : nullptr;
    }
    return layout->itemAt(entry.row - 1);
}

// Walks the window's layout tree, into the layouts of the widgets placed in it.
void collectLayoutTree(QLayout *layout, QStringList &layouts, QList<QSpacerItem *> &spacers)
{
    layouts << layout->objectName();
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem *item = layout->itemAt(i);
        if (QSpacerItem *spacer = item->spacerItem())
            spacers.append(spacer);
        else if (QLayout *inner = item->layout())
            collectLayoutTree(inner, layouts, spacers);
        else if (item->widget() && item->widget()->layout())
            collectLayoutTree(item->widget()->layout(), layouts, spacers);
    }
}

QList<QWidget *> formWidgets(const QWidget &window)
{
    QList<QWidget *> widgets;
    for (const FormEntry &entry : Form) {
        if (isWidget(entry))
            widgets.append(window.findChild<QWidget *>(QLatin1String(entry.name)));
    }
    return widgets;
}

// The type as the meta-type system names it, with the extent of an array ("short[45]").
template<typename T>
QByteArray typeName()
{
    if constexpr (std::is_array_v<T>)
        return typeName<std::remove_extent_t<T>>() + '[' + QByteArray::number(int(std::extent_v<T>))
            + ']';
    else
        return QMetaType::typeName(qMetaTypeId<T>());
}

// Numbers start at zero, texts and byte arrays empty; the build stamp is parsed before main.
template<typename T>
bool isAtStart(const T &value)
{
    if constexpr (std::is_array_v<T>)
        return std::all_of(std::begin(value), std::end(value), [](auto v) { return v == 0; });
    else if constexpr (std::is_arithmetic_v<T>)
        return value == 0;
    else if constexpr (std::is_same_v<T, QDate> || std::is_same_v<T, QTime>)
        return value.isValid();
    else
        return value.isEmpty();
}

QStringList *capturedMessages = nullptr;

// The connections that reach a named slot of the receiver, as "sender slot()"; connections to
// functors reach no slot of the meta-object and are left out. Qt has no public call that lists
// or counts a receiver's connections, but its object dump prints every one of them.
QStringList slotConnections(QObject *receiver)
{
    QStringList lines;
    capturedMessages = &lines;
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &text) {
            capturedMessages->append(text.trimmed());
        });
    receiver->dumpObjectInfo();
    qInstallMessageHandler(previous);
    capturedMessages = nullptr;

    QStringList connections;
    for (const QString &line : lines.mid(lines.indexOf(QStringLiteral("SIGNALS IN")) + 1)) {
        // "<-- QPushButton::pushButtonLink PushButtonLinkSlot()"
        const QStringList parts = line.split(QLatin1Char(' '));
        if (parts.size() != 3 || parts[0] != QLatin1String("<--")
            || parts[2] == QLatin1String("<unknown>"))
            continue;
        connections.append(parts[1].section(QStringLiteral("::"), 1) + QLatin1Char(' ') + parts[2]);
    }
    connections.sort();
    return connections;
}

QMetaMethod signalOf(const QObject *sender, const char *signature)
{
    const QMetaObject *meta = sender->metaObject();
    return meta->method(meta->indexOfSignal(signature));
}

struct Connection
{
    const char *sender;
    const char *signal;
    const char *slot;
};

const Connection Connections[] = {
    {"pushButtonLink", "clicked()", "PushButtonLinkSlot()"},
    {"pushButtonClose", "clicked()", "PushButtonCloseSlot()"},
    {"pushButtonRead", "clicked()", "PushButtonReadSlot()"},
    {"pushButtonAddress", "clicked()", "PushButtonAddressSlot()"},
    {"pushButtonBaudRate", "clicked()", "PushButtonBaudRateSlot()"},
    {"pushButtonAddressRead", "clicked()", "PushButtonAddressReadSlot()"},
    {"pushButtonReadSN", "clicked()", "PushButtonReadSNSlot()"},
    {"pushButtonAUTO", "clicked()", "PushButtonAUTOSetupSlot()"},
    {"pushButtonMANU", "clicked()", "PushButtonMANUSetupSlot()"},
    {"pushButtonTempRange", "clicked()", "PushButtonTempRangeSlot()"},
    {"pushButtonHeaterON", "clicked()", "PushButtonHeaterONSlot()"},
    {"pushButtonHeaterOFF", "clicked()", "PushButtonHeaterOFFSlot()"},
    {"pushButtonOutputData", "clicked()", "PushButtonOutputSlot()"},
    {"timerReadHumiture", "timeout()", "ReadHumitureOrder()"},
    {"timerAutoUart", "timeout()", "AUTOUartInit()"},
    {"timerDelay", "timeout()", "TimerDelaySlot()"},
};

const char *const Slots[] = {
    "PushButtonLinkSlot",
    "PushButtonAddressSlot",
    "PushButtonBaudRateSlot",
    "PushButtonAddressReadSlot",
    "my_readuart",
    "PushButtonReadSlot",
    "ReadHumitureOrder",
    "PushButtonReadSNSlot",
    "PushButtonAUTOSetupSlot",
    "PushButtonMANUSetupSlot",
    "PushButtonTempRangeSlot",
    "PushButtonHumiditySimpleSlot",
    "PushButtonHumidityOffsetSlot",
    "PushButtonCapClearSlot",
    "PushButtonTemperatureSimpleSlot",
    "PushButtonTemperatureOffsetSlot",
    "PushButtonResClearSlot",
    "PushButtonCalibrationResetSlot",
    "PushButtonCapacitorSlot",
    "PushButtonCalibrationReadSlot",
    "PushButtonOutputReadSlot",
    "PushButtonHeaterONSlot",
    "PushButtonHeaterOFFSlot",
    "PushButtonUnitSlot",
    "PushButtonCalibrationApplySlot",
    "PushButtonOutputSlot",
    "PushButtonCalculateSlot",
    "PushButtonOutputApplySlot",
    "AUTOUartInit",
    "PushButtonCloseSlot",
    "PushButtonLoadFileSlot",
    "PushButtonSaveFileSlot",
    "TimerDelaySlot",
};

const QStringList TimerNames = {
    QStringLiteral("timerClear"),        QStringLiteral("timerResponse"),
    QStringLiteral("timerReadHumiture"), QStringLiteral("timerAutoUart"),
    QStringLiteral("timerDelay"),        QStringLiteral("timerSettingResponse"),
};

// What a slot could change without a device: the log, the timers, the port and the controls.
QStringList observableState(const Widget &window)
{
    QStringList state;
    state << window.windowTitle()
          << window.findChild<QTextBrowser *>(QStringLiteral("textBrowser"))->toPlainText()
          << QString::number(
                 window.findChild<QSerialPort *>(QStringLiteral("serialPort"))->isOpen());
    for (const QTimer *timer : window.findChildren<QTimer *>(QString(), Qt::FindDirectChildrenOnly))
        state << timer->objectName() + QString::number(timer->isActive());
    for (const QLineEdit *edit : window.findChildren<QLineEdit *>())
        state << edit->objectName() + QLatin1Char('=') + edit->text();
    for (const QComboBox *combo : window.findChildren<QComboBox *>())
        state << combo->objectName() + QLatin1Char('=') + QString::number(combo->currentIndex())
                + QLatin1Char('/') + QString::number(combo->count());
    for (const QWidget *widget : formWidgets(window))
        state << widget->objectName() + QString::number(widget->isHidden())
                + QString::number(widget->isEnabled());
    return state;
}

void clickCloseFromEventLoop(Widget &window)
{
    auto *close = window.findChild<QPushButton *>(QStringLiteral("pushButtonClose"));
    QTimer::singleShot(0, close, [close] { QTest::mouseClick(close, Qt::LeftButton); });
}

// Runs the application's event loop until something quits it, or fails it after a while.
int runEventLoop()
{
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(-1); });
    guard.start(5000);
    return QCoreApplication::exec();
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    // First, so that nothing has touched the application state yet.
    void appStateAtStart_data();
    void appStateAtStart();
    void formEntry_data();
    void formEntry();
    void layoutsHoldOnlyTheirEntries();
    void widgetsInCreationOrder();
    void comboBoxItems_data();
    void comboBoxItems();
    void windowSettings();
    void unofferedControls();
    void emptySlotsDoNothing_data();
    void emptySlotsDoNothing();
    void metaObject();
    void title();
    void portAndTimersAtStart();
    void connections();
    void closeQuitsEventLoop();
    void closeWhilePollingSendsNothingMore();
    void screenshot();
};

void TestMainWindow::appStateAtStart_data()
{
    QTest::addColumn<QByteArray>("type");
    QTest::addColumn<QByteArray>("expectedType");
    QTest::addColumn<bool>("inDeclarationOrder");
    QTest::addColumn<bool>("atStart");

    quintptr previousEnd = quintptr(&AppState);
    const auto add = [&previousEnd](const char *name, const QByteArray &type, const char *expected,
                                    const void *field, size_t size, bool atStart) {
        const quintptr address = quintptr(field);
        QTest::newRow(name) << type << QByteArray(expected) << (address >= previousEnd) << atStart;
        previousEnd = address + size;
    };
#define FIELD(field, expected)                                                                     \
    add(#field, typeName<decltype(ApplicationState::field)>(), expected, &AppState.field,          \
        sizeof AppState.field, isAtStart(AppState.field))
    FIELD(portName, "QString");
    FIELD(rxBuffer, "QByteArray");
    FIELD(deviceAddress, "ushort");
    FIELD(baudRateCode, "ushort");
    FIELD(infoReg0102, "ushort");
    FIELD(dualChannel, "ushort");
    FIELD(tempRangeMin, "short");
    FIELD(tempRangeMax, "short");
    FIELD(serialNumber, "QString");
    FIELD(baudRate, "int");
    FIELD(dataBits, "int");
    FIELD(parityIndex, "int");
    FIELD(stopBits, "int");
    FIELD(baudTable, "int[6]");
    FIELD(baudSearchIndex, "uchar");
    FIELD(baudSearchCount, "uchar");
    FIELD(responseReceived, "bool");
    FIELD(temperatureRaw, "int");
    FIELD(humidityRaw, "ushort");
    FIELD(dewPointRaw, "int");
    FIELD(statusRaw, "ushort");
    FIELD(calibrationRegs, "short[45]");
    FIELD(outputRegs, "short[17]");
    FIELD(buildDate, "QDate");
    FIELD(buildTime, "QTime");
#undef FIELD
}

void TestMainWindow::appStateAtStart()
{
    QFETCH(QByteArray, type);
    QFETCH(QByteArray, expectedType);
    QFETCH(bool, inDeclarationOrder);
    QFETCH(bool, atStart);

    QCOMPARE(type, expectedType);
    QVERIFY(inDeclarationOrder);
    QVERIFY(atStart);
}

void TestMainWindow::formEntry_data()
{
    QTest::addColumn<int>("index");
    for (int i = 0; i < FormSize; ++i) {
        const QByteArray label = QByteArray::number(i + 1) + ' '
            + (Form[i].name ? QByteArray(Form[i].name) : QByteArray("spacer"));
        QTest::newRow(label.constData()) << i;
    }
}

void TestMainWindow::formEntry()
{
    QFETCH(int, index);
    const FormEntry &entry = Form[index];
    Widget window;

    if (entry.place == Place::LayoutOf) {
        QWidget *owner = qstrcmp(entry.container, Window) == 0
            ? &window
            : window.findChild<QWidget *>(QLatin1String(entry.container));
        QVERIFY(owner);
        QVERIFY(owner->layout());
        QCOMPARE(owner->layout()->objectName(), QLatin1String(entry.name));
        QCOMPARE(owner->layout()->metaObject()->className(), entry.className);
        QCOMPARE(owner->layout()->parent(), owner);
        return;
    }

    QLayoutItem *item = itemAtPlace(window, entry);
    QVERIFY2(item, "nothing at this place");
    auto *layout = window.findChild<QLayout *>(QLatin1String(entry.container));
    const int at = layout->indexOf(item);
    if (auto *grid = qobject_cast<QGridLayout *>(layout)) {
        int row, column, rowSpan, columnSpan;
        grid->getItemPosition(at, &row, &column, &rowSpan, &columnSpan);
        QCOMPARE(rowSpan, 1);
        QCOMPARE(columnSpan, 1);
    } else {
        QCOMPARE(qobject_cast<QBoxLayout *>(layout)->stretch(at), 0);
    }
    QCOMPARE(int(item->alignment()), 0);

    if (!entry.name) {
        QSpacerItem *spacer = item->spacerItem();
        QVERIFY(spacer);
        QCOMPARE(spacer->sizeHint(), QSize(40, 20));
        QCOMPARE(spacer->sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
        QCOMPARE(spacer->sizePolicy().verticalPolicy(), QSizePolicy::Minimum);
        return;
    }

    if (isLayout(entry)) {
        QVERIFY(item->layout());
        QCOMPARE(item->layout()->objectName(), QLatin1String(entry.name));
        QCOMPARE(item->layout()->metaObject()->className(), entry.className);
        QCOMPARE(item->layout()->parent(), layout);
        return;
    }

    QWidget *widget = item->widget();
    QVERIFY(widget);
    QCOMPARE(widget->objectName(), QLatin1String(entry.name));
    QCOMPARE(window.findChildren<QWidget *>(QLatin1String(entry.name)).size(), 1);
    QCOMPARE(widget->metaObject()->className(), entry.className);
    QCOMPARE(widget->parentWidget()->objectName(), QLatin1String(entry.parent));

    if (auto *label = qobject_cast<QLabel *>(widget)) {
        QCOMPARE(label->text(), QString::fromUtf8(entry.text));
        QCOMPARE(int(label->alignment()), entry.alignment);
    } else if (auto *edit = qobject_cast<QLineEdit *>(widget)) {
        QCOMPARE(edit->text(), QString::fromUtf8(entry.text));
        QCOMPARE(int(edit->alignment()), entry.alignment);
    } else if (auto *button = qobject_cast<QPushButton *>(widget)) {
        QCOMPARE(button->text(), QString::fromUtf8(entry.text));
    } else if (auto *group = qobject_cast<QGroupBox *>(widget)) {
        QCOMPARE(group->title(), QString::fromUtf8(entry.text));
    } else {
        QVERIFY(!entry.text);
    }
}

void TestMainWindow::layoutsHoldOnlyTheirEntries()
{
    Widget window;
    QMap<QString, int> placed;
    for (const FormEntry &entry : Form) {
        if (entry.place != Place::LayoutOf)
            ++placed[QLatin1String(entry.container)];
    }
    for (auto it = placed.cbegin(); it != placed.cend(); ++it) {
        auto *layout = window.findChild<QLayout *>(it.key());
        QVERIFY2(layout, qPrintable(it.key()));
        QCOMPARE(layout->count(), it.value());
    }

    QStringList layouts;
    QList<QSpacerItem *> spacers;
    collectLayoutTree(window.layout(), layouts, spacers);
    QStringList expectedLayouts;
    for (const FormEntry &entry : Form) {
        if (isLayout(entry))
            expectedLayouts << QLatin1String(entry.name);
    }
    QCOMPARE(layouts, expectedLayouts);
    QCOMPARE(spacers.size(), 13);
}

void TestMainWindow::widgetsInCreationOrder()
{
    // Creation order is the order of a parent's children, and the keyboard focus order.
    Widget window;
    QMap<QString, QStringList> expected;
    for (const FormEntry &entry : Form) {
        if (isWidget(entry))
            expected[QLatin1String(entry.parent)] << QLatin1String(entry.name);
    }
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        const QWidget *parent =
            it.key() == QLatin1String(Window) ? &window : window.findChild<QWidget *>(it.key());
        QStringList children;
        for (const QWidget *child :
             parent->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
            children << child->objectName();
        QCOMPARE(children, it.value());
    }
}

void TestMainWindow::comboBoxItems_data()
{
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<int>("currentIndex");

    QTest::newRow("comboBoxBaudRate")
        << QStringList {"1200", "2400", "4800", "9600", "19200", "115200"} << 3;
    QTest::newRow("comboBoxOutputData") << QStringList {"Temperature", "Humidity", "TDEW"} << 0;
    QTest::newRow("comboBoxRegister") << QStringList {"*10", "*100"} << 0;
    QTest::newRow("comboBoxNum") << QStringList {"ALL", "Temperature", "Humidity", "DewTemp",
                                                 "Status"}
                                 << 0;
    QTest::newRow("comboBoxChannel") << QStringList {"1"} << 0;
}

void TestMainWindow::comboBoxItems()
{
    QFETCH(QStringList, items);
    QFETCH(int, currentIndex);
    Widget window;
    auto *combo = window.findChild<QComboBox *>(QLatin1String(QTest::currentDataTag()));
    QVERIFY(combo);

    QStringList texts;
    for (int i = 0; i < combo->count(); ++i) {
        texts << combo->itemText(i);
        QVERIFY(combo->itemIcon(i).isNull());
        QVERIFY(!combo->itemData(i, Qt::UserRole).isValid());
    }
    QCOMPARE(texts, items);
    QCOMPARE(combo->currentIndex(), currentIndex);
}

void TestMainWindow::windowSettings()
{
    Widget window;
    QCOMPARE(window.objectName(), QStringLiteral("Widget"));
    QCOMPARE(window.size(), QSize(1112, 620));
    QCOMPARE(window.font().family(), QStringLiteral("Arial"));
    QCOMPARE(window.font().pointSize(), 10);
    QVERIFY(window.testAttribute(Qt::WA_SetFont));
    QVERIFY(window.findChild<QTextBrowser *>(QStringLiteral("textBrowser"))->document()->isEmpty());

    const QSize unbounded(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    for (const QWidget *widget : formWidgets(window)) {
        // Every control inherits the window's font and has no size limits of its own; the two
        // message widgets are given the unbounded maximum explicitly, which is Qt's default.
        QVERIFY2(!widget->testAttribute(Qt::WA_SetFont), qPrintable(widget->objectName()));
        QCOMPARE(widget->font(), window.font());
        QCOMPARE(widget->minimumSize(), QSize(0, 0));
        QCOMPARE(widget->maximumSize(), unbounded);
    }
}

void TestMainWindow::unofferedControls()
{
    const QStringList hidden {"labelWetBulbTemp", "pushButtonAUTO", "pushButtonMANU"};
    const QStringList disabled {"labelChannel", "comboBoxChannel", "comboBoxOutputData",
                                "pushButtonOutputData"};
    Widget window;
    const auto check = [&] {
        for (const QWidget *widget : formWidgets(window)) {
            const QString name = widget->objectName();
            QVERIFY2(widget->isHidden() == hidden.contains(name), qPrintable(name));
            QVERIFY2(widget->isEnabled() == !disabled.contains(name), qPrintable(name));
        }
    };
    check();
    if (QTest::currentTestFailed())
        return;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    check();
    if (QTest::currentTestFailed())
        return;
    for (const QString &name : hidden)
        QVERIFY(!window.findChild<QWidget *>(name)->isVisible());
}

void TestMainWindow::emptySlotsDoNothing_data()
{
    QTest::addColumn<QByteArray>("slot");
    for (const char *slot : {"PushButtonHumiditySimpleSlot", "PushButtonHumidityOffsetSlot",
                             "PushButtonTemperatureSimpleSlot", "PushButtonTemperatureOffsetSlot",
                             "PushButtonCapacitorSlot", "PushButtonCalculateSlot",
                             "PushButtonLoadFileSlot", "PushButtonSaveFileSlot"})
        QTest::newRow(slot) << QByteArray(slot);
}

void TestMainWindow::emptySlotsDoNothing()
{
    QFETCH(QByteArray, slot);
    Widget window;
    const QStringList before = observableState(window);
    const int windows = QApplication::topLevelWidgets().size();

    QVERIFY(QMetaObject::invokeMethod(&window, slot.constData()));
    QCoreApplication::processEvents();
    QCOMPARE(observableState(window), before);
    QCOMPARE(QApplication::topLevelWidgets().size(), windows);
}

void TestMainWindow::metaObject()
{
    const QMetaObject &meta = Widget::staticMetaObject;
    QCOMPARE(meta.className(), "Widget");
    QCOMPARE(meta.superClass(), &QWidget::staticMetaObject);
    QCOMPARE(meta.propertyCount(), meta.propertyOffset());
    QCOMPARE(meta.enumeratorCount(), meta.enumeratorOffset());

    QStringList names;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
        const QMetaMethod method = meta.method(i);
        QCOMPARE(method.methodType(), QMetaMethod::Slot);
        QCOMPARE(method.access(), QMetaMethod::Private);
        QCOMPARE(method.returnType(), int(QMetaType::Void));
        QCOMPARE(method.parameterCount(), 0);
        names << QString::fromLatin1(method.name());
    }
    QStringList expected;
    for (const char *slot : Slots)
        expected << QLatin1String(slot);
    QCOMPARE(names.size(), 33);
    QCOMPARE(names, expected);
}

void TestMainWindow::title()
{
    Widget window;
    const QRegularExpression pattern(QStringLiteral(
        "^TR-451&573 Test Tools   V(\\d{4})\\.(\\d{2})\\.(\\d{2})\\.(\\d{2})(\\d{2})$"));
    const QRegularExpressionMatch match = pattern.match(window.windowTitle());
    QVERIFY2(match.hasMatch(), qPrintable(window.windowTitle()));

    QVERIFY(AppState.buildDate.isValid());
    QVERIFY(AppState.buildTime.isValid());
    QCOMPARE(match.captured(1).toInt(), AppState.buildDate.year());
    QCOMPARE(match.captured(2).toInt(), AppState.buildDate.month());
    QCOMPARE(match.captured(3).toInt(), AppState.buildDate.day());
    QCOMPARE(match.captured(4).toInt(), AppState.buildTime.hour());
    QCOMPARE(match.captured(5).toInt(), AppState.buildTime.minute());
    // The stamp is the build's, so it cannot lie ahead of the test run (one day of slack for a
    // build machine in another time zone).
    QVERIFY(AppState.buildDate <= QDate::currentDate().addDays(1));
}

void TestMainWindow::portAndTimersAtStart()
{
    Widget window;
    const QList<QSerialPort *> ports = window.findChildren<QSerialPort *>();
    QCOMPARE(ports.size(), 1);
    QCOMPARE(ports.first()->objectName(), QStringLiteral("serialPort"));
    QCOMPARE(ports.first()->parent(), &window);
    QVERIFY(!ports.first()->isOpen());

    QStringList names;
    for (const QTimer *timer :
         window.findChildren<QTimer *>(QString(), Qt::FindDirectChildrenOnly)) {
        names << timer->objectName();
        QVERIFY2(!timer->isActive(), qPrintable(timer->objectName()));
        QVERIFY(!timer->isSingleShot());
        QCOMPARE(timer->interval(), 0);
    }
    QCOMPARE(names, TimerNames);
}

void TestMainWindow::connections()
{
    Widget window;
    QStringList expected;
    for (const Connection &connection : Connections)
        expected << QLatin1String(connection.sender) + QLatin1Char(' ')
                + QLatin1String(connection.slot);
    expected.sort();
    QCOMPARE(slotConnections(&window), expected);

    // Each of them comes from the named signal, and nothing else listens to that signal.
    const QMetaObject *meta = window.metaObject();
    for (const Connection &connection : Connections) {
        QObject *sender = window.findChild<QObject *>(QLatin1String(connection.sender));
        QVERIFY2(sender, connection.sender);
        const QMetaMethod signal = signalOf(sender, connection.signal);
        QVERIFY2(signal.isValid(), connection.signal);
        const QMetaMethod slot = meta->method(meta->indexOfSlot(connection.slot));
        QVERIFY2(QObject::disconnect(sender, signal, &window, slot), connection.sender);
        QVERIFY2(!QObject::disconnect(sender, signal, nullptr, QMetaMethod()), connection.sender);
    }
    QVERIFY(slotConnections(&window).isEmpty());

    // The remaining timers expire without effect, and the port is wired when it is opened.
    for (const char *name : {"timerClear", "timerResponse", "timerSettingResponse"}) {
        auto *timer = window.findChild<QTimer *>(QLatin1String(name));
        QVERIFY2(!QObject::disconnect(timer, signalOf(timer, "timeout()"), nullptr, QMetaMethod()),
                 name);
    }
    auto *port = window.findChild<QSerialPort *>(QStringLiteral("serialPort"));
    QVERIFY(!QObject::disconnect(port, signalOf(port, "readyRead()"), nullptr, QMetaMethod()));
}

void TestMainWindow::closeQuitsEventLoop()
{
    Widget window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    clickCloseFromEventLoop(window);
    QCOMPARE(runEventLoop(), 0);
}

void TestMainWindow::closeWhilePollingSendsNothingMore()
{
    PtyPair pty;
    QVERIFY(pty.isValid());
    AppState.portName = pty.slavePath();
    AppState.baudRate = 9600;
    {
        Widget window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(window.OpenSerialPort());
        QCOMPARE(pty.readFromTool(8).size(), 8);
        QVERIFY(window.findChild<QTimer *>(QStringLiteral("timerReadHumiture"))->isActive());

        clickCloseFromEventLoop(window);
        QCOMPARE(runEventLoop(), 0);
        QCoreApplication::processEvents();
    }
    QCoreApplication::processEvents();
    QCOMPARE(pty.drain(), QByteArray());
}

void TestMainWindow::screenshot()
{
    // Regenerates the picture of the main window in the documentation:
    //   TR451_SCREENSHOT=docs/mainwindow.png tests/tst_mainwindow screenshot
    const QString path = qEnvironmentVariable("TR451_SCREENSHOT");
    if (path.isEmpty())
        QSKIP("TR451_SCREENSHOT names no file");
    Widget window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(window.grab().save(path));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
