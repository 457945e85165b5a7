#ifndef WIDGET_H
#define WIDGET_H

#include "protocol/readings.h"

#include <QString>
#include <QWidget>

class QPoint;
class QSerialPort;
class BatchWindow;
class CheckWindow;
class QTimer;
class TrendSession;
class TrendWindow;

namespace Ui {
class Widget;
}

namespace ReplyDecoder {
struct Reply;
}

// The main window and controller of the tool. Its slots hold the behaviour; the protocol,
// serial-link, display and log members are implemented in their own folders (protocol/,
// serial/, display/, ui/) and share their state through AppState.
class Widget : public QWidget
{
    Q_OBJECT

public:
    using ReadingScale = Readings::Scale;
    using ReadingMode = Readings::Mode;

    explicit Widget(QWidget *parent = nullptr);
    ~Widget() override;

    // Serial link (serial/link.cpp). Returns false, after telling the user why, when the port
    // cannot be opened.
    bool OpenSerialPort();

    // Frame codec and transmit path (protocol/transmit.cpp).
    static quint16 Crc16(const quint8 *data, quint16 length);
    quint16 ReadAddressField() const;
    void SendReadRequest(quint16 reg, quint16 count);
    void SendWriteRequest(quint16 reg, quint16 value);
    void WriteSerialNumber();
    void WriteOutputBlock();
    void WriteCalibrationBlock();

    // Readings display (display/readingsdisplay.cpp).
    void ShowReadings(int mode, ReadingScale scale);
    static QString FormatReading(float min, float max, float value, quint8 decimals,
                                 bool isPercent);
    void ShowDeviceAddress();
    void ShowBaudRate();
    void RefillChannelCombo(int count);

    // Message log (ui/messagelog.cpp).
    void AppendLog(QString text, bool received);

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private slots:
    void PushButtonLinkSlot();
    void PushButtonAddressSlot();
    void PushButtonBaudRateSlot();
    void PushButtonAddressReadSlot();
    void my_readuart();
    void PushButtonReadSlot();
    void ReadHumitureOrder();
    void PushButtonReadSNSlot();
    void PushButtonAUTOSetupSlot();
    void PushButtonMANUSetupSlot();
    void PushButtonTempRangeSlot();
    void PushButtonHumiditySimpleSlot();
    void PushButtonHumidityOffsetSlot();
    void PushButtonCapClearSlot();
    void PushButtonTemperatureSimpleSlot();
    void PushButtonTemperatureOffsetSlot();
    void PushButtonResClearSlot();
    void PushButtonCalibrationResetSlot();
    void PushButtonCapacitorSlot();
    void PushButtonCalibrationReadSlot();
    void PushButtonOutputReadSlot();
    void PushButtonHeaterONSlot();
    void PushButtonHeaterOFFSlot();
    void PushButtonUnitSlot();
    void PushButtonCalibrationApplySlot();
    void PushButtonOutputSlot();
    void PushButtonCalculateSlot();
    void PushButtonOutputApplySlot();
    void AUTOUartInit();
    void PushButtonCloseSlot();
    void PushButtonLoadFileSlot();
    void PushButtonSaveFileSlot();
    void TimerDelaySlot();

private:
    // What a request path does once its frame is written and logged.
    enum AfterSend {
        NothingMore = 0,
        StartResponseTimer = 1,
        StartPollTimer = 2,
        ClearReceiveBuffer = 4,
        AsReadOrWrite = StartResponseTimer | StartPollTimer | ClearReceiveBuffer
    };

    // The one transmit path (protocol/transmit.cpp): records what the request asks for, writes
    // it, clears responseReceived, logs it, then does what after (AfterSend flags) asks.
    void transmit(quint16 reg, const QByteArray &frame, int after);
    void writeSerialNumber(int after);
    void showError(const QString &text);
    // Brings the form up to date with an accepted answer whose values are already stored
    // (display/).
    void showReply(const ReplyDecoder::Reply &reply);
    // Reads the output block a moment after the identity answer (serial/).
    void scheduleOutputRead();
    void handleSerialError(int error);
    // The adapter vanished or floods the line (serial/): the port closes once, the search, the
    // pending output read and polling stop, and the user is told once.
    void loseLink();
    void tellLinkLoss();
    // The trend window over the session's readings, made at the first click of Trend
    // (ui/trendwindow.cpp).
    void showTrendWindow();
    // The calibration check of the linked transmitter, made at the first click of Check
    // (ui/checkwindow.cpp).
    void showCheckWindow();
    // The batch run of a rack of transmitters on a line of its own, made at the first click of
    // Batch (ui/batchwindow.cpp).
    void showBatchWindow();
    // Once the window shows at the start: offers to resume the newest run of this station that
    // the records hold as running (left by a crash, or to be resumed).
    void offerUnfinishedRun();
    // False when a batch run is under way and the user keeps it running.
    bool batchMayClose();
    // The message log's context menu, with "Save log as..." (ui/messagelog.cpp).
    void showLogMenu(const QPoint &position);
    void saveLog();

    QSerialPort *serialPort = nullptr;
    QTimer *timerClear = nullptr;
    QTimer *timerResponse = nullptr;
    QTimer *timerReadHumiture = nullptr;
    QTimer *timerAutoUart = nullptr;
    QTimer *timerDelay = nullptr;
    QTimer *timerSettingResponse = nullptr;
    // 0xFFFF is a register no answer is decoded for, so a stray answer before the first
    // request changes nothing.
    quint16 pendingRegister = 0xFFFF;
    QString versionSuffix;
    Ui::Widget *ui = nullptr;
    // A lost link the user has not been told of yet.
    bool linkLossUntold = false;
    // Every accepted reading of the session, for the trend and the calibration check.
    TrendSession *session = nullptr;
    TrendWindow *trend = nullptr;
    CheckWindow *check = nullptr;
    BatchWindow *batch = nullptr;
    bool shownOnce = false;
};

#endif // WIDGET_H
