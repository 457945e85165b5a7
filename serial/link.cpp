// STUB: placeholder bodies until this file is written.
#include "app/widget.h"
bool Widget::OpenSerialPort() { return false; }
void Widget::PushButtonLinkSlot() {}
void Widget::AUTOUartInit() {}
void Widget::TimerDelaySlot() {}
void Widget::handleSerialError(int) {}
