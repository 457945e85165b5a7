#include "ui/linescan.h"

#include "protocol/registers.h"

#include <utility>

bool LineScan::start(const QString &port, int bitsPerSecond, QString *error)
{
    auto *opening = new Master(this);
    connect(opening, &Master::finished, this, &LineScan::answered);
    if (!opening->open(port, bitsPerSecond)) {
        *error = opening->errorString();
        opening->deleteLater();
        return false;
    }
    master = opening;
    address = Registers::FirstDeviceAddress;
    askNext();
    return true;
}

void LineScan::stop()
{
    // Not from inside the master's signal: it goes at once, and its port is free for a run.
    delete std::exchange(master, nullptr);
    emit finished(QString());
}

void LineScan::askNext()
{
    if (address > Registers::LastDeviceAddress)
        return end(QString());
    emit asking(address);
    if (!master->start(Registers::informationRequest(quint8(address))))
        end(master->errorString());
}

void LineScan::answered(const Master::Answer &answer)
{
    switch (answer.result) {
    case Master::Result::PortLost:
    case Master::Result::Unreachable:
        return end(master->errorString());
    case Master::Result::Answered:
        emit found(address);
        break;
    default: // nobody there, or no transmitter
        break;
    }
    ++address;
    askNext();
}

void LineScan::end(const QString &why)
{
    // From inside the master's own signal: it goes once that has returned.
    std::exchange(master, nullptr)->deleteLater();
    emit finished(why);
}
