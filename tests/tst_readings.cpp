// The readings display on its own: the label markup of a reading and its analog outputs, the
// three labels by display mode and scale, the range fields they read, and the Device group
// controls the parser fills (address, baud-rate selector, channel list).
#include "app/appstate.h"
#include "app/widget.h"
#include "support/findchild.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

#include <limits>
#include <memory>

namespace {

// The markup of one reading from the texts of its four numbers.
QString markup(const QString &reading, const QString &unit, const QString &current,
               const QString &lowVoltage, const QString &highVoltage)
{
    return QStringLiteral("<font color=red>%1%2  </font><font color=green>%3mA  </font>"
                          "<font color=blue>%4V  </font><font color=blue>%5V</font>")
        .arg(reading, unit, current, lowVoltage, highVoltage);
}

const QString Celsius = QStringLiteral("℃");
const QString Percent = QStringLiteral("%");

QStringList items(const QComboBox *box)
{
    QStringList texts;
    for (int i = 0; i < box->count(); ++i)
        texts.append(box->itemText(i));
    return texts;
}

} // namespace

class TestReadings : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void formatReading_data();
    void formatReading();
    void showReadings_data();
    void showReadings();
    void rangeFields_data();
    void rangeFields();
    void deviceAddress_data();
    void deviceAddress();
    void baudRate_data();
    void baudRate();
    void channelList_data();
    void channelList();

private:
    void setRange(const QString &min, const QString &max);
    template<typename T>
    T *control(const char *name) const
    {
        return findNamedChild<T>(window.get(), name);
    }

    std::unique_ptr<Widget> window;
};

void TestReadings::init()
{
    AppState = ApplicationState();
    window = std::make_unique<Widget>();
}

void TestReadings::setRange(const QString &min, const QString &max)
{
    control<QLineEdit>("lineEditRangeMin")->setText(min);
    control<QLineEdit>("lineEditRangeMax")->setText(max);
}

void TestReadings::formatReading_data()
{
    QTest::addColumn<float>("min");
    QTest::addColumn<float>("max");
    QTest::addColumn<float>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<bool>("isPercent");
    QTest::addColumn<QString>("text");
    QTest::newRow("temperature 23.45") << -40.0f << 125.0f << 23.45f << 2 << false
                                       << markup("23.45", Celsius, "10.153", "1.923", "3.845");
    QTest::newRow("temperature 23.5") << -40.0f << 125.0f << 23.5f << 1 << false
                                      << markup("23.5", Celsius, "10.158", "1.924", "3.848");
    QTest::newRow("humidity 45.67") << 0.0f << 100.0f << 45.67f << 2 << true
                                    << markup("45.67", Percent, "11.307", "2.283", "4.567");
    QTest::newRow("humidity word FF 38")
        << 0.0f << 100.0f << 653.36f << 2 << true
        << markup("653.36", Percent, "108.538", "32.668", "65.336");
    QTest::newRow("minus 2.00") << -40.0f << 125.0f << -2.0f << 2 << false
                                << markup("-2.00", Celsius, "7.685", "1.152", "2.303");
    QTest::newRow("at max") << -40.0f << 125.0f << 125.0f << 2 << false
                            << markup("125.00", Celsius, "20.000", "5.000", "10.000");
    QTest::newRow("at min") << -40.0f << 125.0f << -40.0f << 1 << false
                            << markup("-40.0", Celsius, "4.000", "0.000", "0.000");
    // Outside the range the outputs go beyond their scales; nothing clamps them.
    QTest::newRow("below min") << -40.0f << 125.0f << -50.0f << 1 << false
                               << markup("-50.0", Celsius, "3.030", "-0.303", "-0.606");
    QTest::newRow("equal ends, at them")
        << 25.0f << 25.0f << 25.0f << 1 << false << markup("25.0", Celsius, "---", "---", "---");
    QTest::newRow("equal ends, elsewhere")
        << 0.0f << 0.0f << 23.45f << 2 << false << markup("23.45", Celsius, "---", "---", "---");
    QTest::newRow("range to infinity")
        << -std::numeric_limits<float>::infinity() << std::numeric_limits<float>::infinity() << 1.0f
        << 1 << false << markup("1.0", Celsius, "---", "---", "---");
}

void TestReadings::formatReading()
{
    QFETCH(float, min);
    QFETCH(float, max);
    QFETCH(float, value);
    QFETCH(int, decimals);
    QFETCH(bool, isPercent);
    QFETCH(QString, text);
    QCOMPARE(Widget::FormatReading(min, max, value, quint8(decimals), isPercent), text);
}

void TestReadings::showReadings_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("tenths");
    QTest::addColumn<QString>("temperature");
    QTest::addColumn<QString>("humidity");
    QTest::addColumn<QString>("dewPoint");
    // The raw values 2345, 4567 and -200 at either scale, on the range -40.0 to 125.0.
    const QString t = QStringLiteral("Temperature:---");
    const QString h = QStringLiteral("Humidity:---");
    const QString d = QStringLiteral("DewTemp:---");
    const QString t100 =
        QStringLiteral("Temperature:") + markup("23.45", Celsius, "10.153", "1.923", "3.845");
    const QString h100 =
        QStringLiteral("Humidity:") + markup("45.67", Percent, "11.307", "2.283", "4.567");
    const QString d100 =
        QStringLiteral("DewTemp:") + markup("-2.00", Celsius, "7.685", "1.152", "2.303");
    const QString t10 =
        QStringLiteral("Temperature:") + markup("234.5", Celsius, "30.618", "8.318", "16.636");
    const QString h10 =
        QStringLiteral("Humidity:") + markup("456.7", Percent, "77.072", "22.835", "45.670");
    const QString d10 =
        QStringLiteral("DewTemp:") + markup("-20.0", Celsius, "5.939", "0.606", "1.212");

    QTest::newRow("all, hundredths") << 0 << false << t100 << h100 << d100;
    QTest::newRow("all, tenths") << 0 << true << t10 << h10 << d10;
    QTest::newRow("temperature, hundredths") << 1 << false << t100 << h << d;
    QTest::newRow("temperature, tenths") << 1 << true << t10 << h << d;
    QTest::newRow("humidity, hundredths") << 2 << false << t << h100 << d;
    QTest::newRow("humidity, tenths") << 2 << true << t << h10 << d;
    QTest::newRow("dew point, hundredths") << 3 << false << t << h << d100;
    QTest::newRow("dew point, tenths") << 3 << true << t << h << d10;
    QTest::newRow("none") << 4 << false << t << h << d;
    QTest::newRow("unknown mode") << 9 << true << t << h << d;
    QTest::newRow("negative mode") << -1 << false << t << h << d;
}

void TestReadings::showReadings()
{
    QFETCH(int, mode);
    QFETCH(bool, tenths);
    QFETCH(QString, temperature);
    QFETCH(QString, humidity);
    QFETCH(QString, dewPoint);
    setRange(QStringLiteral("-40.0"), QStringLiteral("125.0"));
    AppState.temperatureRaw = 2345;
    AppState.humidityRaw = 4567;
    AppState.dewPointRaw = -200;
    // Earlier texts must give way to the new ones, "---" included.
    for (const char *name : {"labelTemperature", "labelHumidity", "labelDewTemp"})
        control<QLabel>(name)->setText(QStringLiteral("earlier"));
    window->ShowReadings(mode,
                         tenths ? Widget::ReadingScale::Tenths : Widget::ReadingScale::Hundredths);
    QCOMPARE(control<QLabel>("labelTemperature")->text(), temperature);
    QCOMPARE(control<QLabel>("labelHumidity")->text(), humidity);
    QCOMPARE(control<QLabel>("labelDewTemp")->text(), dewPoint);
    QCOMPARE(control<QLabel>("labelTemperature")->textFormat(), Qt::AutoText);
}

void TestReadings::rangeFields_data()
{
    QTest::addColumn<QString>("min");
    QTest::addColumn<QString>("max");
    QTest::addColumn<QString>("temperature");
    // Temperature 23.45 against range texts as a user may leave them.
    QTest::newRow("worked example")
        << "-40.0"
        << "125.0" << markup("23.45", Celsius, "10.153", "1.923", "3.845");
    QTest::newRow("not a number counts as 0")
        << "abc"
        << "125" << markup("23.45", Celsius, "7.002", "0.938", "1.876");
    QTest::newRow("both empty") << ""
                                << "" << markup("23.45", Celsius, "---", "---", "---");
    QTest::newRow("equal ends") << "25"
                                << "25.0" << markup("23.45", Celsius, "---", "---", "---");
    QTest::newRow("nan") << "nan"
                         << "125" << markup("23.45", Celsius, "---", "---", "---");
    QTest::newRow("inf") << "-40"
                         << "inf" << markup("23.45", Celsius, "4.000", "0.000", "0.000");
}

void TestReadings::rangeFields()
{
    QFETCH(QString, min);
    QFETCH(QString, max);
    QFETCH(QString, temperature);
    setRange(min, max);
    AppState.temperatureRaw = 2345;
    window->ShowReadings(Widget::ShowTemperature, Widget::ReadingScale::Hundredths);
    QCOMPARE(control<QLabel>("labelTemperature")->text(),
             QStringLiteral("Temperature:") + temperature);
}

void TestReadings::deviceAddress_data()
{
    QTest::addColumn<quint16>("address");
    QTest::addColumn<QString>("text");
    QTest::newRow("1") << quint16(1) << "1";
    QTest::newRow("247") << quint16(247) << "247";
    QTest::newRow("0") << quint16(0) << "0";
    QTest::newRow("65535") << quint16(65535) << "65535";
}

void TestReadings::deviceAddress()
{
    QFETCH(quint16, address);
    QFETCH(QString, text);
    control<QLineEdit>("lineEditAddress")->setText(QStringLiteral("typed"));
    AppState.deviceAddress = address;
    window->ShowDeviceAddress();
    QCOMPARE(control<QLineEdit>("lineEditAddress")->text(), text);
}

void TestReadings::baudRate_data()
{
    QTest::addColumn<quint16>("code");
    QTest::addColumn<QString>("selected");
    // The selector starts on 2400, so that a code it ignores can be told from one it takes.
    QTest::newRow("1") << quint16(1) << "1200";
    QTest::newRow("3") << quint16(3) << "4800";
    QTest::newRow("4") << quint16(4) << "9600";
    QTest::newRow("6") << quint16(6) << "115200";
    QTest::newRow("0 is no code") << quint16(0) << "2400";
    QTest::newRow("7 is no code") << quint16(7) << "2400";
    QTest::newRow("65535 is no code") << quint16(65535) << "2400";
}

void TestReadings::baudRate()
{
    QFETCH(quint16, code);
    QFETCH(QString, selected);
    auto *selector = control<QComboBox>("comboBoxBaudRate");
    selector->setCurrentText(QStringLiteral("2400"));
    AppState.baudRateCode = code;
    window->ShowBaudRate();
    QCOMPARE(selector->currentText(), selected);
    QCOMPARE(selector->count(), 6);
}

void TestReadings::channelList_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("channels");
    QTest::newRow("two channels") << 2 << QStringList {"1", "2"};
    QTest::newRow("one channel") << 1 << QStringList {"1"};
    QTest::newRow("four") << 4 << QStringList {"1", "2", "3", "4"};
    QTest::newRow("none") << 0 << QStringList();
    QTest::newRow("negative") << -3 << QStringList();
}

void TestReadings::channelList()
{
    QFETCH(int, count);
    QFETCH(QStringList, channels);
    auto *box = control<QComboBox>("comboBoxChannel");
    QCOMPARE(items(box), QStringList {"1"});
    box->addItems({QStringLiteral("x"), QStringLiteral("y")});
    window->RefillChannelCombo(count);
    QCOMPARE(items(box), channels);
    for (int i = 0; i < box->count(); ++i) {
        QVERIFY(box->itemIcon(i).isNull());
        QVERIFY(!box->itemData(i).isValid());
    }
    QVERIFY(!box->isEnabled());
}

QTEST_MAIN(TestReadings)
#include "tst_readings.moc"
