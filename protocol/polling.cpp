// STUB: placeholder bodies until this file is written.
#include "app/widget.h"
void Widget::PushButtonReadSlot() {}
void Widget::ReadHumitureOrder() {}
