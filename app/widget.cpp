#include "app/widget.h"

#include "app/appstate.h"
#include "app/buildstamp.h"
#include "display/trendsession.h"
#include "ui_widget.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QMessageBox>
#include <QSerialPort>
#include <QTimer>

#include <utility>

namespace {

QTimer *makeTimer(QObject *parent, const char *name)
{
    // Named after their members so that tests and debugging tools can find them.
    auto *timer = new QTimer(parent);
    timer->setObjectName(QLatin1String(name));
    return timer;
}

} // namespace

Widget::Widget(QWidget *parent)
    : QWidget(parent)
{
    ui = new Ui::Widget;
    ui->setupUi(this);
    versionSuffix = BuildStamp::versionSuffix(AppState.buildDate, AppState.buildTime);
    setWindowTitle(tr("TR-451&573 Test Tools") + QStringLiteral("  ") + versionSuffix);
    ui->comboBoxBaudRate->setCurrentIndex(3);

    session = new TrendSession(SampleStore::WeekOfPolling, this);
    serialPort = new QSerialPort(this);
    serialPort->setObjectName(QStringLiteral("serialPort"));

    timerClear = makeTimer(this, "timerClear");
    timerResponse = makeTimer(this, "timerResponse");
    timerReadHumiture = makeTimer(this, "timerReadHumiture");
    timerAutoUart = makeTimer(this, "timerAutoUart");
    // Polls go out once a second, search steps half a second apart; coarse timers would let
    // them drift by up to 5 %, which shows in readings logged at 1 Hz.
    timerReadHumiture->setTimerType(Qt::PreciseTimer);
    timerAutoUart->setTimerType(Qt::PreciseTimer);
    timerDelay = makeTimer(this, "timerDelay");
    timerSettingResponse = makeTimer(this, "timerSettingResponse");

    // Controls this window does not offer stay hidden or disabled for its whole life.
    ui->labelWetBulbTemp->hide();
    ui->comboBoxChannel->addItem(QStringLiteral("1"));
    ui->labelChannel->setEnabled(false);
    ui->comboBoxChannel->setEnabled(false);
    ui->comboBoxOutputData->setEnabled(false);
    ui->pushButtonOutputData->setEnabled(false);
    ui->pushButtonAUTO->setHidden(true);
    ui->pushButtonMANU->setHidden(true);

    connect(ui->pushButtonLink, SIGNAL(clicked()), this, SLOT(PushButtonLinkSlot()));
    connect(ui->pushButtonClose, SIGNAL(clicked()), this, SLOT(PushButtonCloseSlot()));
    connect(ui->pushButtonRead, SIGNAL(clicked()), this, SLOT(PushButtonReadSlot()));
    connect(ui->pushButtonAddress, SIGNAL(clicked()), this, SLOT(PushButtonAddressSlot()));
    connect(ui->pushButtonBaudRate, SIGNAL(clicked()), this, SLOT(PushButtonBaudRateSlot()));
    connect(ui->pushButtonAddressRead, SIGNAL(clicked()), this, SLOT(PushButtonAddressReadSlot()));
    connect(ui->pushButtonReadSN, SIGNAL(clicked()), this, SLOT(PushButtonReadSNSlot()));
    connect(ui->pushButtonAUTO, SIGNAL(clicked()), this, SLOT(PushButtonAUTOSetupSlot()));
    connect(ui->pushButtonMANU, SIGNAL(clicked()), this, SLOT(PushButtonMANUSetupSlot()));
    connect(ui->pushButtonTempRange, SIGNAL(clicked()), this, SLOT(PushButtonTempRangeSlot()));
    connect(ui->pushButtonHeaterON, SIGNAL(clicked()), this, SLOT(PushButtonHeaterONSlot()));
    connect(ui->pushButtonHeaterOFF, SIGNAL(clicked()), this, SLOT(PushButtonHeaterOFFSlot()));
    connect(ui->pushButtonOutputData, SIGNAL(clicked()), this, SLOT(PushButtonOutputSlot()));
    connect(timerReadHumiture, SIGNAL(timeout()), this, SLOT(ReadHumitureOrder()));
    connect(timerAutoUart, SIGNAL(timeout()), this, SLOT(AUTOUartInit()));
    connect(timerDelay, SIGNAL(timeout()), this, SLOT(TimerDelaySlot()));
    // Connected once, not at each opening; a lambda, so the window gains no slot.
    connect(serialPort, &QSerialPort::errorOccurred, this,
            [this](QSerialPort::SerialPortError error) { handleSerialError(error); });
    connect(ui->pushButtonTrend, &QPushButton::clicked, this, [this] { showTrendWindow(); });
    connect(ui->pushButtonCheck, &QPushButton::clicked, this, [this] { showCheckWindow(); });
    connect(ui->pushButtonBatch, &QPushButton::clicked, this, [this] { showBatchWindow(); });
    ui->textBrowser->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ui->textBrowser, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &position) { showLogMenu(position); });
}

Widget::~Widget()
{
    delete ui;
}

void Widget::PushButtonCloseSlot()
{
    // The port is closed by its destructor when the window goes.
    if (batchMayClose())
        QCoreApplication::quit();
}

void Widget::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Asked once the window is on screen, from the event loop.
    if (!std::exchange(shownOnce, true))
        QTimer::singleShot(0, this, &Widget::offerUnfinishedRun);
}

void Widget::closeEvent(QCloseEvent *event)
{
    if (!batchMayClose())
        return event->ignore();
    QWidget::closeEvent(event);
}

void Widget::showError(const QString &text)
{
    QMessageBox::information(this, tr("Error"), text, QMessageBox::Ok);
}

// These slots belong to the window's interface but have no behaviour in this tool.
void Widget::PushButtonHumiditySimpleSlot() {}
void Widget::PushButtonHumidityOffsetSlot() {}
void Widget::PushButtonTemperatureSimpleSlot() {}
void Widget::PushButtonTemperatureOffsetSlot() {}
void Widget::PushButtonCapacitorSlot() {}
void Widget::PushButtonCalculateSlot() {}
void Widget::PushButtonLoadFileSlot() {}
void Widget::PushButtonSaveFileSlot() {}
