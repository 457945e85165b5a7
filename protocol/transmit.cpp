// STUB: placeholder bodies until this file is written.
#include "app/widget.h"
quint16 Widget::Crc16(const quint8 *, quint16) { return 0; }
quint16 Widget::ReadAddressField() const { return 0; }
void Widget::SendReadRequest(quint16, quint16) {}
void Widget::SendWriteRequest(quint16, quint16) {}
void Widget::WriteSerialNumber() {}
void Widget::WriteOutputBlock() {}
void Widget::WriteCalibrationBlock() {}
void Widget::transmit(quint16, const QByteArray &) {}
