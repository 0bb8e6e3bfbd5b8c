// Conversions between the library's colour value (0x00BBGGRR, red in the low byte) and Qt's
// colour types (QRgb is 0xAARRGGBB). The high byte of a TColor is ignored; Qt colours come back
// opaque and without alpha.
#pragma once
#include <QColor>
#include <QRgb>

#include "host/tyx_types.h"

namespace tyx {

/// Opaque QRgb (alpha 255) of the colour.
inline QRgb TColorToQRgb(TColor C) { return qRgb(GetRValue(C), GetGValue(C), GetBValue(C)); }
inline QColor TColorToQColor(TColor C) { return QColor(GetRValue(C), GetGValue(C), GetBValue(C)); }
/// The alpha channel is dropped.
inline TColor QRgbToTColor(QRgb C) { return RGB(uint8_t(qRed(C)), uint8_t(qGreen(C)), uint8_t(qBlue(C))); }
inline TColor QColorToTColor(const QColor& C) { return QRgbToTColor(C.rgb()); }

} // namespace tyx
