// STUB: placeholder bodies until this file is written.
#include "app/widget.h"
void Widget::my_readuart() {}
