// Looking at what a widget shows, for the gui tests.
#pragma once

#include <QImage>
#include <algorithm>

// The brightest grey level among an image's pixels: 0 for a black area.
inline int BrightestGrey(const QImage& image) {
    int most = 0;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x)
            most = std::max(most, qGray(row[x]));
    }
    return most;
}
