// The row of buttons at the foot of a dialog: right-aligned, in the given order.
#pragma once

#include <initializer_list>

class QHBoxLayout;
class QWidget;

QHBoxLayout* DialogButtonRow(std::initializer_list<QWidget*> buttons);
