// The receive step at its worst case: the largest answer the tool takes, the 45-register
// calibration block (95 bytes), arriving one byte at a time, so that Modbus::receive examines the
// kept bytes afresh after every byte and the answer is decoded once whole. This is the port-free
// part of my_readuart; bench_performance measures the same answer through the window and a
// pseudo-terminal. Run: build/bench/bench_parser (add -iterations N or -tickcounter as wanted).
#include "protocol/frame.h"
#include "protocol/registers.h"
#include "protocol/replydecoder.h"

#include <QtTest>

class BenchParser : public QObject
{
    Q_OBJECT

private slots:
    void calibrationAnswerByteByByte();
};

void BenchParser::calibrationAnswerByteByByte()
{
    QByteArray body = QByteArray::fromHex("0103");
    body.append(char(2 * Registers::CalibrationBlockCount));
    for (int i = 0; i < Registers::CalibrationBlockCount; ++i)
        body.append(char(0x12)).append(char(i));
    const QByteArray answer = Modbus::withCrc(body);

    ReplyDecoder::Reply reply;
    int waits = 0;
    QBENCHMARK
    {
        Modbus::Receipt receipt;
        waits = 0;
        for (char byte : answer) {
            receipt = Modbus::receive(receipt.buffer, QByteArray(1, byte));
            if (receipt.action == Modbus::BufferAction::Wait) {
                ++waits;
                continue;
            }
            reply = ReplyDecoder::decode(Registers::CalibrationBlockFirst, receipt.frame,
                                         receipt.dataLength);
        }
    }
    // Every byte but the last leaves the answer waiting; the last completes it.
    QCOMPARE(waits, answer.size() - 1);
    QCOMPARE(reply.row, ReplyDecoder::Row::CalibrationBlock);
    QCOMPARE(reply.registers.size(), int(Registers::CalibrationBlockCount));
    QCOMPARE(reply.registers.last(), qint16(0x122C));
}

QTEST_GUILESS_MAIN(BenchParser)
#include "bench_parser.moc"
