#ifndef APPSTATE_H
#define APPSTATE_H

#include "protocol/registers.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QTime>

// The one record shared by the main window's slots, the settings dialog and the protocol code.
// It lives for the whole process, is touched only from the GUI thread and is never persisted:
// every start of the program begins from these values.
struct ApplicationState
{
    QString portName;
    QByteArray rxBuffer;
    quint16 deviceAddress = 0;
    quint16 baudRateCode = 0;
    quint16 infoReg0102 = 0;
    quint16 dualChannel = 0;
    qint16 tempRangeMin = 0;
    qint16 tempRangeMax = 0;
    QString serialNumber;
    qint32 baudRate = 0; // 0 asks for the automatic baud search
    qint32 dataBits = 0;
    qint32 parityIndex = 0;
    qint32 stopBits = 0;
    qint32 baudTable[Registers::BaudRateCount] = {};
    quint8 baudSearchIndex = 0; // 0: the search has not made its first step
    quint8 baudSearchCount = 0;
    bool responseReceived = false;
    qint32 temperatureRaw = 0;
    quint16 humidityRaw = 0;
    qint32 dewPointRaw = 0;
    quint16 statusRaw = 0;
    qint16 calibrationRegs[Registers::CalibrationBlockCount] = {};
    qint16 outputRegs[Registers::OutputBlockCount] = {};
    QDate buildDate;
    QTime buildTime;
};

extern ApplicationState AppState;

#endif // APPSTATE_H
