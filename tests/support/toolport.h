#ifndef TOOLPORT_H
#define TOOLPORT_H

#include <QString>

class QSerialPort;
class QWidget;

// Opens the main window's own port object ("serialPort") on path at 9600 bit/s and hands its
// readyRead to the parser, the way a Link does, without the settings dialog and without the
// identity read a Link sends. Returns the port, or nullptr when it could not be opened.
QSerialPort *openToolPort(QWidget *window, const QString &path);

#endif // TOOLPORT_H
