#include "app/buildstamp.h"

#include <QtTest>

class TestBuildStamp : public QObject
{
    Q_OBJECT

private slots:
    void suffix_data();
    void suffix();
};

void TestBuildStamp::suffix_data()
{
    QTest::addColumn<QString>("dateStamp");
    QTest::addColumn<QString>("timeStamp");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("suffix");

    QTest::newRow("two-digit day") << "Jun 16 2023"
                                   << "15:03:57" << QDate(2023, 6, 16) << " V2023.06.16.1503";
    QTest::newRow("blank-padded day") << "Jun  6 2023"
                                      << "09:05:07" << QDate(2023, 6, 6) << " V2023.06.06.0905";
    QTest::newRow("end of year") << "Dec 31 2026"
                                 << "23:59:59" << QDate(2026, 12, 31) << " V2026.12.31.2359";
    QTest::newRow("unparsable date") << "Foo 99 20x3"
                                     << "09:05:07" << QDate() << " V.0905";
    QTest::newRow("unparsable time") << "Jun 16 2023"
                                     << "25:61:00" << QDate(2023, 6, 16) << " V2023.06.16.";
    QTest::newRow("both unparsable") << ""
                                     << "" << QDate() << " V.";
}

void TestBuildStamp::suffix()
{
    QFETCH(QString, dateStamp);
    QFETCH(QString, timeStamp);
    QFETCH(QDate, date);
    QFETCH(QString, suffix);

    const QDate parsedDate = BuildStamp::parseDate(dateStamp);
    QCOMPARE(parsedDate, date);
    QCOMPARE(BuildStamp::versionSuffix(parsedDate, BuildStamp::parseTime(timeStamp)), suffix);
}

QTEST_GUILESS_MAIN(TestBuildStamp)
#include "tst_buildstamp.moc"
