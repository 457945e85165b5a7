// The main window with the Chinese catalogue of the build installed, and without it.
#include "app/widget.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QRegularExpression>
#include <QTranslator>
#include <QtTest>

namespace {

const char *const Context = "Widget";

struct FormText
{
    const char *name;
    int item; // combo-box item index; -1 for the control's own text or title
    const char *source;
};

// clang-format off
const FormText Texts[] = {
    {"groupBoxDevice", -1, "Device"},
    {"label_4", -1, "Address:"},
    {"pushButtonMANU", -1, "MANU Setup"},
    {"label_3", -1, "Serial number:"},
    {"pushButtonHeaterON", -1, "ON"},
    {"label_8", -1, "Heater:"},
    {"label_7", -1, "Temperature Out Range(\u2103):"},
    {"pushButtonTempRange", -1, "Setting"},
    {"pushButtonHeaterOFF", -1, "OFF"},
    {"comboBoxBaudRate", 0, "1200"},
    {"comboBoxBaudRate", 1, "2400"},
    {"comboBoxBaudRate", 2, "4800"},
    {"comboBoxBaudRate", 3, "9600"},
    {"comboBoxBaudRate", 4, "19200"},
    {"comboBoxBaudRate", 5, "115200"},
    {"pushButtonBaudRate", -1, "Setting"},
    {"label_5", -1, "Baud rate:"},
    {"comboBoxOutputData", 0, "Temperature"},
    {"comboBoxOutputData", 1, "Humidity"},
    {"comboBoxOutputData", 2, "TDEW"},
    {"pushButtonOutputData", -1, "Setting"},
    {"labelChannel", -1, "Channel:"},
    {"pushButtonAddress", -1, "Setting"},
    {"pushButtonAddressRead", -1, "Read"},
    {"pushButtonReadSN", -1, "Read"},
    {"pushButtonAUTO", -1, "AUTO Setup"},
    {"groupBoxRTD", -1, "Real time data"},
    {"labelTemperature", -1, "Temperature:"},
    {"labelHumidity", -1, "Humidity:"},
    {"labelDewTemp", -1, "DewTemp:"},
    {"labelWetBulbTemp", -1, "WetBulbTemp:"},
    {"label", -1, "Magnification:"},
    {"comboBoxRegister", 0, "*10"},
    {"comboBoxRegister", 1, "*100"},
    {"comboBoxNum", 0, "ALL"},
    {"comboBoxNum", 1, "Temperature"},
    {"comboBoxNum", 2, "Humidity"},
    {"comboBoxNum", 3, "DewTemp"},
    {"comboBoxNum", 4, "Status"},
    {"pushButtonRead", -1, "Read"},
    {"groupBoxMessage", -1, "Message"},
    {"pushButtonLink", -1, "Link"},
    {"pushButtonClose", -1, "Close"},
};
// clang-format on

QString shownText(const QWidget &window, const FormText &text)
{
    const QString name = QLatin1String(text.name);
    if (auto *combo = window.findChild<QComboBox *>(name))
        return combo->itemText(text.item);
    if (auto *group = window.findChild<QGroupBox *>(name))
        return group->title();
    if (auto *label = window.findChild<QLabel *>(name))
        return label->text();
    if (auto *button = window.findChild<QAbstractButton *>(name))
        return button->text();
    return QStringLiteral("<no control %1>").arg(name);
}

// Installs a translator for the lifetime of a scope.
class InstalledTranslator
{
public:
    explicit InstalledTranslator(QTranslator *translator)
        : translator(translator)
    {
        if (translator)
            QCoreApplication::installTranslator(translator);
    }
    ~InstalledTranslator()
    {
        if (translator)
            QCoreApplication::removeTranslator(translator);
    }
    InstalledTranslator(const InstalledTranslator &) = delete;
    InstalledTranslator &operator=(const InstalledTranslator &) = delete;

private:
    QTranslator *translator;
};

} // namespace

class TestTranslation : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void formTexts_data();
    void formTexts();
    void title_data();
    void title();

private:
    QTranslator chinese;
};

void TestTranslation::initTestCase()
{
    const QString binaryDir = qEnvironmentVariable("TR451_BINARY_DIR");
    QVERIFY2(!binaryDir.isEmpty(), "TR451_BINARY_DIR names no build folder");
    const QString path = binaryDir + QStringLiteral("/Qm/Chinese.qm");
    QVERIFY2(chinese.load(path), qPrintable(path));
}

void TestTranslation::formTexts_data()
{
    QTest::addColumn<bool>("translated");
    QTest::addColumn<int>("index");
    for (bool translated : {true, false}) {
        for (int i = 0; i < int(sizeof Texts / sizeof Texts[0]); ++i) {
            const QByteArray tag = QByteArray(translated ? "zh " : "en ") + Texts[i].name
                + (Texts[i].item < 0 ? QByteArray() : ' ' + QByteArray::number(Texts[i].item));
            QTest::newRow(tag.constData()) << translated << i;
        }
    }
}

void TestTranslation::formTexts()
{
    QFETCH(bool, translated);
    QFETCH(int, index);
    const FormText &text = Texts[index];

    const QString translation = chinese.translate(Context, text.source);
    QVERIFY2(!translation.isEmpty(), "the catalogue lacks this text");

    InstalledTranslator installed(translated ? &chinese : nullptr);
    Widget window;
    QCOMPARE(shownText(window, text), translated ? translation : QString::fromUtf8(text.source));
}

void TestTranslation::title_data()
{
    QTest::addColumn<bool>("translated");
    QTest::newRow("zh") << true;
    QTest::newRow("en") << false;
}

void TestTranslation::title()
{
    QFETCH(bool, translated);
    const QString source = QStringLiteral("TR-451&573 Test Tools");
    const QString translation = chinese.translate(Context, "TR-451&573 Test Tools");
    QVERIFY(!translation.isEmpty());
    // Only the name is translated; the blanks and the build stamp never are.
    QVERIFY(translation != source);

    InstalledTranslator installed(translated ? &chinese : nullptr);
    Widget window;
    const QRegularExpression pattern(QLatin1Char('^')
                                     + QRegularExpression::escape(translated ? translation : source)
                                     + QStringLiteral("   V\\d{4}\\.\\d{2}\\.\\d{2}\\.\\d{4}$"));
    QVERIFY2(pattern.match(window.windowTitle()).hasMatch(), qPrintable(window.windowTitle()));
}

QTEST_MAIN(TestTranslation)
#include "tst_translation.moc"
