// Batch runs: the profile of chamber points a technician writes in a spreadsheet.
#include "batch/profile.h"

#include <QTest>

namespace {

// Each point as temperature/humidity/soak/max_wait/band_temperature/band_humidity, ';' apart.
QString describe(const Profile &profile)
{
    QStringList points;
    for (const ProfilePoint &p : profile.points()) {
        QStringList fields;
        for (const double value :
             {p.temperature, p.humidity, p.soakS, p.maxWaitS, p.bandTemperature, p.bandHumidity})
            fields << QString::number(value);
        points << fields.join('/');
    }
    return points.join(';');
}

const QByteArray Header = "temperature,humidity,soak,max_wait\n";

} // namespace

class TestBatch : public QObject
{
    Q_OBJECT

private slots:
    void profile_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("read"); // the points, or the message it is refused with
        const auto row = [](const char *name, const QByteArray &file, const QString &read) {
            QTest::newRow(name) << file << read;
        };
        row("plain, bands by default", Header + "20,50,600,1800\n-40,10.5,0,0.5",
            "20/50/600/1800/1/3;-40/10.5/0/0.5/1/3");
        row("limits taken", Header + "-60,0,0,604800\n150,100,604800,1",
            "-60/0/0/604800/1/3;150/100/604800/1/1/3");
        row("spreadsheet: mark, CRLF, blank lines, columns in any order, empty band",
            "\xEF\xBB\xBF"
            "Max_Wait,band_humidity,temperature,SOAK,humidity,band_temperature\r\n\r\n"
            "1800,2,25,600,75,0.5\r\n,,,,,\r\n900,,-10,60,30,\r\n",
            "25/75/600/1800/0.5/2;-10/30/60/900/1/3");
        row("quoted, a line break inside quotes",
            "\"temperature\",humidity,soak,max_wait\n\" 20\",\"50\n\",600,1800",
            "20/50/600/1800/1/3");
        row("semicolons and decimal commas",
            "temperature;humidity;soak;max_wait;band_humidity\n\"23,5\";45,5;600;1800;2.5",
            "23.5/45.5/600/1800/1/2.5");

        row("empty", "\r\n\r\n", "the file is empty");
        row("no points", Header + "\n,,,\n", "the file has no points after its header");
        row("unknown column", "temperature,humidity,soak,max_wait,\"pre\"\"ssure\"\n",
            "line 1, column pre\"ssure: unknown column; the columns are temperature, humidity, "
            "soak, max_wait, band_temperature, band_humidity");
        row("column without a name", "temperature,,humidity,soak,max_wait\n",
            "line 1, column 2: unknown column; the columns are temperature, humidity, soak, "
            "max_wait, band_temperature, band_humidity");
        row("repeated column", "temperature,humidity,soak,max_wait,Soak\n",
            "line 1, column soak: given twice");
        row("missing column", "temperature,humidity,max_wait,band_humidity\n1,2,3,4",
            "line 1, column soak: missing from the header");
        row("quote not closed", Header + "20,50,600,1800\n20,\"50,600,1800\n",
            "line 3: a quoted field is not closed");
        row("more fields than columns", Header + "20,50,600,1800,,7",
            "line 2, column 6: the header has no such column");
        row("empty cell", Header + "20,50,,1800", "line 2, column soak: empty");
        row("not a number", Header + "20,abc,600,1800",
            "line 2, column humidity: \"abc\" is not a number");
        row("infinite", Header + "20,50,inf,1800", "line 2, column soak: \"inf\" is not a number");
        row("thousands between commas", Header + "\"1,000\",50,600,1800",
            "line 2, column temperature: \"1,000\" is not a number");
        row("thousands between semicolons", "temperature;humidity;soak;max_wait\n20;50;1.000,5;60",
            "line 2, column soak: \"1.000,5\" is not a number");
        const QByteArray lines = Header + "\n20,50,\"600\n\",1800\n";
        row("lines counted", lines + "20,50,600,0",
            "line 5, column max_wait: \"0\" is not above 0");
        row("too cold", Header + "-60.5,50,600,1800",
            "line 2, column temperature: \"-60.5\" is below -60");
        row("too hot", Header + "150.1,50,600,1800",
            "line 2, column temperature: \"150.1\" is above 150");
        row("humidity below 0", Header + "20,-0.1,600,1800",
            "line 2, column humidity: \"-0.1\" is below 0");
        row("humidity above 100", Header + "20,100.1,600,1800",
            "line 2, column humidity: \"100.1\" is above 100");
        row("negative soak", Header + "20,50,-1,1800", "line 2, column soak: \"-1\" is below 0");
        row("soak over a week", Header + "20,50,604801,1800",
            "line 2, column soak: \"604801\" is above 604800");
        row("wait over a week", Header + "20,50,60,604801",
            "line 2, column max_wait: \"604801\" is above 604800");
        const QByteArray banded =
            "temperature,humidity,soak,max_wait,band_temperature,band_humidity\n";
        row("temperature band 0", banded + "20,50,60,60,0,3",
            "line 2, column band_temperature: \"0\" is not above 0");
        row("humidity band negative", banded + "20,50,60,60,1,-2",
            "line 2, column band_humidity: \"-2\" is not above 0");
    }

    void profile()
    {
        QFETCH(QByteArray, file);
        QString error;
        const std::optional<Profile> profile = Profile::parse(file, &error);
        QTEST(profile ? describe(*profile) : error, "read");
    }

    // Written back for a window that edits it: every column, commas and '.' in any locale, and
    // read back as it was.
    void roundTrip()
    {
        QString error;
        const std::optional<Profile> profile = Profile::parse(
            "temperature;humidity;soak;max_wait;band_humidity\n23,45;0,1;0;599,999;0,001\n-40;95;"
            "3600;1e3;\n",
            &error);
        QVERIFY2(profile, qPrintable(error));
        const QByteArray csv = profile->toCsv();
        QCOMPARE(csv,
                 "temperature,humidity,soak,max_wait,band_temperature,band_humidity\r\n"
                 "23.45,0.1,0,599.999,1,0.001\r\n-40,95,3600,1000,1,3\r\n");
        const std::optional<Profile> again = Profile::parse(csv, &error);
        QVERIFY(again && again->points() == profile->points());
    }
};

QTEST_GUILESS_MAIN(TestBatch)
#include "tst_batch.moc"
