#include "gui/UiText.h"

#include <QCoreApplication>

QString UiText(std::string_view text) {
    // translate() wants a NUL-terminated text; most callers hand in literals, but not all.
    const QByteArray source(text.data(), static_cast<qsizetype>(text.size()));
    return QCoreApplication::translate(TextContext, source.constData());
}
