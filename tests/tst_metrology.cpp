// The arithmetic a check's result rests on, as tables: a reference instrument's register fields and
// the reads that cover them, the Magnus formula, the uncertainty budget and the decision rules.
#include "check/uncertainty.h"
#include "check/verdict.h"
#include "protocol/frame.h"
#include "protocol/humidity.h"
#include "support/table.h"

#include <QTest>

#include <cmath>

namespace {

constexpr double No = PointSpread::None;
constexpr int T = SampleStore::Temperature;
constexpr int H = SampleStore::Humidity;
// Standard uncertainties in the order of a budget's sources.
using Standard = QVector<double>;

RegisterField field(const QString &text)
{
    QString why;
    return RegisterField::parse(text, &why).value_or(RegisterField());
}

// Each of the texts separated by spaces, read by read.
template<typename Read>
auto each(const QString &texts, Read read)
{
    QVector<decltype(read(QString()))> parsed;
    for (const QString &text : texts.split(' ', Qt::SkipEmptyParts))
        parsed << read(text);
    return parsed;
}

// Words in hexadecimal.
QVector<quint16> words(const QString &hex)
{
    return each(hex, [](const QString &word) { return quint16(word.toUInt(nullptr, 16)); });
}

// A reference the machine reads: temperature, and humidity or else dew point.
ReferenceMap reference(bool dewPoint)
{
    ReferenceMap map;
    map.line.port = "/dev/ttyUSB1";
    map.temperature = field("4:0:float32");
    (dewPoint ? map.dewPoint : map.humidity) = field("4:2:float32");
    return map;
}

} // namespace

Q_DECLARE_METATYPE(StationSettings)
Q_DECLARE_METATYPE(PointSpread)
Q_DECLARE_METATYPE(DecisionRule)

class TestMetrology : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        // Each row's tag is the text parsed; a refused one has no canonical text.
        const Table<QString, QString> row("canonical", "refusal");
        row("3:0x10:INT16:10", "3:16:int16:10", "");
        row(" 4:65534:float32-swapped ", "4:65534:float32-swapped", "");
        row("4:0:float32:1", "4:0:float32", "");
        row("3:65535:uint16:0.5", "3:65535:uint16:0.5", "");
        row("4:0", "", "F:REG:TYPE[:SCALE]");
        row("4:0:int16:10:2", "", "F:REG:TYPE[:SCALE]");
        row("6:0:int16", "", "function");
        row("3:65536:int16", "", "register");
        row("3:0x1g:int16", "", "register");
        row("3:0:int8", "", "type");
        row("4:0:float32:10", "", "takes no scale");
        row("3:0:int16:0", "", "scale");
        row("3:0:int16:inf", "", "scale");
        row("3:65535:int32", "", "past register 65535");
    }

    // Parsing, refusals, and the text a station keeps reading back as the same field.
    void parse()
    {
        const QString text = QTest::currentDataTag();
        QFETCH(QString, refusal);
        QString why;
        const std::optional<RegisterField> parsed = RegisterField::parse(text, &why);
        QTEST(parsed ? parsed->toString() : QString(), "canonical");
        QVERIFY2(why.contains(refusal), qPrintable(why));
        QVERIFY(!parsed || RegisterField::parse(parsed->toString(), &why) == parsed);
    }

    void encoding_data()
    {
        const Table<QString, QString, double> row("field", "registers",
                                                  "value"); // "-": cannot be written
        const auto held = [&row](const char *field, const char *registers, double value) {
            row(QStringLiteral("%1 %2 %3").arg(field, registers).arg(value), field, registers,
                value);
        };
        held("3:0:int16", "8000", -32768);
        held("3:0:int16", "7FFF", 32767);
        held("3:0:int16", "-", -32769);
        held("3:0:int16", "-", 32768);
        held("3:0:int16", "-", No);
        held("3:0:int16:10", "8000", -3276.8);
        held("3:0:uint16", "FFFF", 65535);
        held("3:0:uint16", "-", 65536);
        held("3:0:uint16", "-", -1);
        held("3:0:uint16:100", "001D", 0.29); // 28.999999999999996 hundredths
        held("4:0:int32", "FFFF FFFE", -2);
        held("4:0:int32:1000", "0001 0000", 65.536);
        held("4:0:uint32", "FFFF FFFE", 4294967294.0);
        held("4:0:float32", "41BB 999A", double(23.45f));
        held("4:0:float32-swapped", "999A 41BB", double(23.45f));
        held("4:0:int32", "0001", No);
    }

    // A value from its registers and, for a 16-bit field a write can set, back to its register.
    void encoding()
    {
        QFETCH(QString, field);
        QFETCH(QString, registers);
        QFETCH(double, value);
        const RegisterField f = ::field(field);
        const std::optional<quint16> word = f.encode(value);
        if (registers != "-")
            QCOMPARE(f.decode(words(registers)), value);
        const bool writable = f.count() == 1 && registers != "-";
        QCOMPARE(word ? int(*word) : -1, writable ? int(words(registers).at(0)) : -1);
    }

    void plan_data()
    {
        const Table<QString, QString> row("fields", "reads"); // each read as F:FIRST+COUNT
        row("temperature and humidity", "3:0:float32 3:2:float32", "3:0+4");
        row("apart, within one read", "3:10:int16 3:2:int32 3:10:int16", "3:2+9");
        row("one field within another", "3:2:int32 3:2:int16", "3:2+2");
        row("split by function", "4:0:float32 3:0:float32", "3:0+2 4:0+2");
        row("125 registers", "3:0:int16 3:124:int16", "3:0+125");
        row("126 registers", "3:0:int16 3:125:int16", "3:0+1 3:125+1");
        row("a read starts where one ends", "3:0:int16 3:100:int16 3:200:int16", "3:0+101 3:200+1");
        row("across the end of a read", "3:0:int16 3:124:int16 3:124:int32", "3:0+125 3:124+2");
        row("the last registers", "3:65535:int16 3:65534:int16", "3:65534+2");
        row("fields not set", "- 4:7:uint16 -", "4:7+1");
        row("none", "- -", "");
    }

    // The reads, and each field's value from the registers they brought (each holding its own
    // number, inverted for input registers); then with the first read refused, which leaves its
    // fields without a value, never a stale or zero one.
    void plan()
    {
        QFETCH(QString, fields);
        const QVector<RegisterField> wanted = each(fields, ::field);
        const QVector<RegisterRead> reads = RegisterRead::plan(wanted);
        QStringList described;
        QVector<QVector<quint16>> answers;
        const auto held = [](quint8 function, int reg) {
            return quint16(function == Modbus::ReadRegisters ? reg : ~reg);
        };
        for (const RegisterRead &read : reads) {
            described << QString::asprintf("%d:%d+%d", read.function, read.first, read.count);
            answers.append(QVector<quint16>());
            for (int i = 0; i < read.count; ++i)
                answers.last() << held(read.function, read.first + i);
        }
        QTEST(described.join(' '), "reads");
        const auto values = [&] { return RegisterRead::values(wanted, reads, answers); };
        const QVector<double> all = values();
        for (int i = 0; i < wanted.size(); ++i) {
            const RegisterField &f = wanted[i];
            const QVector<quint16> own {held(f.function, f.first), held(f.function, f.first + 1)};
            QCOMPARE(all[i], f.isSet() ? f.decode(own) : No);
        }
        if (reads.isEmpty())
            return;
        answers.first().clear();
        const QVector<double> refused = values();
        for (int i = 0; i < wanted.size(); ++i)
            QCOMPARE(refused[i], reads.first().covers(wanted[i]) ? No : all[i]);
    }

    void request()
    {
        const RegisterRead read {Modbus::ReadInputRegisters, 0x0102, 6};
        QCOMPARE(read.request(9), QByteArray::fromHex("090401020006D17C"));
    }

    void magnus_data()
    {
        const Table<double, double, double> row("temperature", "dewPoint", "humidity");
        // Air temperature and dew point as hygrometers and psychrometric tables give them (over
        // water, to hundredths), and the relative humidity between them.
        row("23.45 with 14.32", 23.45, 14.32, 56.56);
        row("20 with 10", 20.0, 10.0, 52.56);
        row("-10 with -16.31", -10.0, -16.31, 59.98);
        row("saturated", 5.0, 5.0, 100.0);
    }

    // Both ways to hundredths, and the sensitivities.
    void magnus()
    {
        QFETCH(double, temperature);
        QFETCH(double, dewPoint);
        QFETCH(double, humidity);
        const auto hundredths = [](double value) { return std::round(value * 100) / 100; };
        QCOMPARE(hundredths(Magnus::relativeHumidity(temperature, dewPoint)), humidity);
        QCOMPARE(hundredths(Magnus::dewPoint(temperature, humidity)), dewPoint);
        // Central differences over a thousandth of a degree.
        const auto slope = [&](double dt, double dtd) {
            return (Magnus::relativeHumidity(temperature + dt, dewPoint + dtd)
                    - Magnus::relativeHumidity(temperature - dt, dewPoint - dtd))
                / (2 * (dt + dtd));
        };
        const Magnus::Sensitivity c = Magnus::sensitivity(temperature, dewPoint);
        QVERIFY(std::abs(c.dewPoint - slope(0, 1e-3)) < 1e-6);
        QVERIFY(std::abs(c.temperature - slope(1e-3, 0)) < 1e-6);
    }

    // Each row changes the station or the spreads of the row before.
    void budget_data()
    {
        // Reference, its variation, the transmitter's, resolution, uniformity; then U and TUR.
        const Table<StationSettings, PointSpread, int, Standard, double, double> row(
            "station", "spread", "quantity", "standard", "expanded", "ratio");
        const double r = 0.002887; // 0.01 / sqrt(12)
        StationSettings s;
        PointSpread p;
        row("resolution alone", s, p, T, {0, 0, 0, r, 0}, 0.006, 50.0);
        p = {{0, 0}, {0, 0}, Readings::Scale::Tenths};
        row("resolution in tenths", s, p, H, {0, 0, 0, 0.028868, 0}, 0.058, 34.48);
        p = {};
        s.referenceUncertainty = {0.1, 0.8};
        s.referenceCoverage = 2.5;
        s.referenceMap.dewPoint = field("4:2:float32"); // on no line: typed, by its humidity
        row("reference, temperature", s, p, T, {0.04, 0, 0, r, 0}, 0.081, 3.7);
        row("reference, humidity", s, p, H, {0.32, 0, 0, r, 0}, 0.641, 3.12);
        s = {};
        p.reference = {0.02, 0.2};
        row("a typed reference does not vary", s, p, T, {0, 0, 0, r, 0}, 0.006, 50.0);
        s.referenceMap = reference(false);
        row("reference's variation", s, p, T, {0, 0.02, 0, r, 0}, 0.041, 7.32);
        s = {};
        p = {{0.03, 0.15}};
        row("transmitter's variation", s, p, T, {0, 0, 0.03, r, 0}, 0.061, 4.92);
        p = {};
        s.uniformity = {0.1, 0.5};
        row("chamber's uniformity", s, p, T, {0, 0, 0, r, 0.057735}, 0.116, 2.59);
        s.referenceMap = reference(false);
        s.referenceUncertainty = {0.1, 1.0};
        p = {{0.03, 0.15}, {0.02, 0.2}, Readings::Scale::Hundredths, No, No};
        row("all of them", s, p, H, {0.5, 0.2, 0.15, r, 0.288675}, 1.259, 1.59);
        // Its temperature's uncertainty, not its humidity's, through the sensitivities 3.655642
        // and -3.409519 %RH per degree there.
        s = {};
        s.referenceMap = reference(true);
        s.referenceUncertainty = {0.1, 1.0};
        p = {{0, 0}, {0, 0}, Readings::Scale::Hundredths, 23.45, 14.32};
        row("humidity from a dew point", s, p, H, {0.249943, 0, 0, r, 0}, 0.5, 4.0);
        row("temperature beside a dew point", s, p, T, {0.05, 0, 0, r, 0}, 0.101, 2.97);
    }

    void budget()
    {
        QFETCH(StationSettings, station);
        QFETCH(PointSpread, spread);
        QFETCH(int, quantity);
        QFETCH(Standard, standard);
        const UncertaintyBudget b = Uncertainty::budgets(station, spread)[size_t(quantity)];
        for (int i = 0; i < UncertaintyBudget::Sources; ++i)
            QCOMPARE(std::round(b.standard[size_t(i)] * 1e6) / 1e6, standard[i]);
        QVERIFY(b.coverage == 2 && std::abs(b.combined * b.coverage - b.expanded) < 0.001);
        QTEST(b.expanded, "expanded");
        QTEST(std::round(b.ratio(station.tolerance[size_t(quantity)]) * 100) / 100, "ratio");
    }

    void roundedUp()
    {
        // 0.030 but for the last bit of a double, as 2 * sqrt(0.009^2 + 0.012^2) comes out.
        const double lastBitOver = std::nextafter(0.03, 1.0);
        for (const auto &[value, rounded] :
             {std::pair {0.1, 0.1}, {0.1004, 0.101}, {1.000001, 1.001}, {lastBitOver, 0.03}})
            QCOMPARE(Uncertainty::roundedUp(value), rounded);
    }

    void verdict_data()
    {
        // The verdicts of the simple, the guarded and the non-binary rule.
        const Table<double, double, QString> row("error", "expanded", "verdicts");
        // Tolerance 0.3 and U 0.05: the borders at 0.25, 0.3 and 0.35, each with a thousandth
        // either side, errors above and below the reference.
        const auto judged = [&row](double error, double expanded, const char *verdicts) {
            for (double e : {error, -error})
                row(QStringLiteral("%1 U %2").arg(e).arg(expanded), e, expanded, verdicts);
        };
        judged(0.249, 0.05, "pass, pass, pass");
        judged(0.25, 0.05, "pass, pass, pass");
        judged(0.251, 0.05, "pass, fail, conditional pass");
        judged(0.299, 0.05, "pass, fail, conditional pass");
        judged(0.3, 0.05, "pass, fail, conditional pass");
        judged(0.301, 0.05, "fail, fail, conditional fail");
        judged(0.349, 0.05, "fail, fail, conditional fail");
        judged(0.35, 0.05, "fail, fail, conditional fail");
        judged(0.351, 0.05, "fail, fail, fail");
        judged(23.301 - 23.0, 0.05, "fail, fail, conditional fail"); // 0.30099999999999838
        judged(No, 0.05, "fail, fail, fail");
        judged(0.1, No, "pass, fail, fail");
    }

    void verdict()
    {
        QFETCH(double, error);
        QFETCH(double, expanded);
        QStringList verdicts;
        for (int rule = 0; rule < 3; ++rule)
            verdicts << Verdicts::name(Verdicts::judge(DecisionRule(rule), error, 0.3, expanded));
        QTEST(verdicts.join(", "), "verdicts");
    }

    // A check is as good as its worst quantity: verdicts by the records' names, read back, and as
    // the window shows them.
    void worst()
    {
        const auto worst = [](const QString &names) {
            QVector<Verdict> verdicts;
            for (const QString &name : names.split(", ", Qt::SkipEmptyParts))
                verdicts << Verdicts::fromName(name).value();
            const Verdict verdict = Verdicts::worst(verdicts);
            return Verdicts::name(verdict) + " / " + Verdicts::text(verdict);
        };
        QCOMPARE(worst("pass, pass"), "pass / Pass");
        QCOMPARE(worst("pass, conditional pass"), "conditional pass / Conditional pass");
        QCOMPARE(worst("conditional fail, conditional pass, pass"),
                 "conditional fail / Conditional fail");
        QCOMPARE(worst("conditional pass, fail, conditional fail"), "fail / Fail");
        QCOMPARE(worst(""), "fail / Fail");
        QVERIFY(!Verdicts::fromName("Pass"));
    }

    void rules_data()
    {
        const Table<DecisionRule, QString, QString> row("rule", "name", "risk");
        row("simple", DecisionRule::Simple, "simple",
            "a transmitter out of tolerance passed) is up to 50 %");
        row("guarded", DecisionRule::Guarded, "guarded",
            "the probability of a false accept is below 2.5 % for any result accepted");
        row("non-binary", DecisionRule::NonBinary, "non-binary",
            "conditional pass: tolerance \u2212 U < |error|");
    }

    // A station's rule by its name (and back), and the rule in words for the certificate.
    void rules()
    {
        QFETCH(DecisionRule, rule);
        QFETCH(QString, name);
        QFETCH(QString, risk);
        StationSettings station;
        QString why;
        QVERIFY(station.set("rule", name, &why) && station.rule == rule);
        QCOMPARE(station.text("rule"), name);
        QVERIFY(!station.set("rule", name + "ly", &why) && station.rule == rule);
        const QString statement = DecisionRules::statement(rule);
        QVERIFY2(statement.contains(risk) && statement.contains("expanded uncertainty U")
                     && statement.endsWith("worst result of any quantity at any of its points."),
                 qPrintable(statement));
    }
};

QTEST_MAIN(TestMetrology)
#include "tst_metrology.moc"
