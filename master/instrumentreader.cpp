#include "master/instrumentreader.h"

#include <QEventLoop>

InstrumentReader::InstrumentReader(Master &master, quint8 address,
                                   const QVector<RegisterField> &fields, QObject *parent)
    : QObject(parent)
    , master(master)
    , address(address)
    , fields(fields)
    , reads(RegisterRead::plan(fields))
{
    // The master finishes transactions of others too: only those of a reading under way are ours.
    connect(&master, &Master::finished, this, [this](const Master::Answer &answer) {
        if (reading >= 0)
            answered(answer);
    });
}

bool InstrumentReader::start()
{
    if (reading >= 0 || reads.isEmpty())
        return false;
    answers.clear();
    outcome = Master::Result::Answered;
    reading = 0;
    if (master.start(reads.first().request(address)))
        return true;
    reading = -1;
    return false;
}

QVector<double> InstrumentReader::read()
{
    QVector<double> values;
    QEventLoop loop;
    const QMetaObject::Connection done = connect(this, &InstrumentReader::finished, &loop,
                                                 [&values, &loop](const QVector<double> &v) {
                                                     values = v;
                                                     loop.quit();
                                                 });
    if (start())
        loop.exec();
    else
        values = RegisterRead::values(fields, reads, {});
    disconnect(done);
    return values;
}

void InstrumentReader::answered(const Master::Answer &answer)
{
    if (answer.result != Master::Result::Answered && outcome == Master::Result::Answered)
        outcome = answer.result;
    answers << (answer.result == Master::Result::Answered ? answer.registers : QVector<quint16>());
    next();
}

// A read that found the line cancelled or lost ends the reading; the rest are not sent.
void InstrumentReader::next()
{
    const bool more = ++reading < reads.size();
    if (more && master.start(reads.at(reading).request(address)))
        return;
    reading = -1;
    emit finished(RegisterRead::values(fields, reads, answers));
}
