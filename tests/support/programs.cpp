#include "support/programs.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

Run runProgram(const QString &program, const QStringList &arguments,
               const std::function<void(QProcess &)> &started,
               const std::function<void(QProcess &, const QString &out)> &whileRunning)
{
    QProcess process;
    QString out;
    QObject::connect(&process, &QProcess::readyReadStandardOutput, [&] {
        out += QString::fromUtf8(process.readAllStandardOutput());
        if (whileRunning)
            whileRunning(process, out);
    });
    QEventLoop loop;
    QObject::connect(&process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), &loop,
                     &QEventLoop::quit);
    QTimer::singleShot(90000, &loop, &QEventLoop::quit);
    process.start(program, arguments);
    if (!process.waitForStarted())
        return {};
    if (started)
        started(process);
    if (process.state() != QProcess::NotRunning)
        loop.exec();
    Run run;
    if (process.state() == QProcess::NotRunning && process.exitStatus() == QProcess::NormalExit)
        run.status = process.exitCode();
    process.kill();
    process.waitForFinished();
    run.out = out + QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QString built(const QString &path)
{
    return QCoreApplication::applicationDirPath() + "/../" + path;
}

bool pythonHas(const QString &modules)
{
    return QProcess::execute("/usr/bin/python3", {"-c", "import " + modules}) == 0;
}

QString servePymodbus(Program &peer, const QStringList &arguments)
{
    if (!pythonHas("pymodbus.server"))
        return QString();
    peer.start("/usr/bin/python3", QStringList {RTU_TCP_PEER} + arguments);
    return peer.waitForReadyRead(10000) ? QString::fromLatin1(peer.readLine().trimmed())
                                        : QString();
}
