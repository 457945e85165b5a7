// STUB: placeholder bodies until this file is written.
#include "app/widget.h"
void Widget::PushButtonAddressSlot() {}
void Widget::PushButtonBaudRateSlot() {}
void Widget::PushButtonAddressReadSlot() {}
void Widget::PushButtonReadSNSlot() {}
void Widget::PushButtonAUTOSetupSlot() {}
void Widget::PushButtonMANUSetupSlot() {}
void Widget::PushButtonTempRangeSlot() {}
void Widget::PushButtonCapClearSlot() {}
void Widget::PushButtonResClearSlot() {}
void Widget::PushButtonCalibrationResetSlot() {}
void Widget::PushButtonCalibrationReadSlot() {}
void Widget::PushButtonOutputReadSlot() {}
void Widget::PushButtonHeaterONSlot() {}
void Widget::PushButtonHeaterOFFSlot() {}
void Widget::PushButtonUnitSlot() {}
void Widget::PushButtonCalibrationApplySlot() {}
void Widget::PushButtonOutputSlot() {}
void Widget::PushButtonOutputApplySlot() {}
