#include "gui/DialogButtons.h"

#include <QHBoxLayout>

QHBoxLayout* DialogButtonRow(std::initializer_list<QWidget*> buttons) {
    auto* row = new QHBoxLayout;
    row->addStretch();
    for (QWidget* button : buttons)
        row->addWidget(button);
    return row;
}
