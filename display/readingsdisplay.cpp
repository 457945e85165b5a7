// STUB: placeholder bodies until this file is written.
#include "app/widget.h"
void Widget::ShowReadings(int, ReadingScale) {}
QString Widget::FormatReading(float, float, float, quint8, bool) { return {}; }
void Widget::ShowDeviceAddress() {}
void Widget::ShowBaudRate() {}
void Widget::RefillChannelCombo(int) {}
