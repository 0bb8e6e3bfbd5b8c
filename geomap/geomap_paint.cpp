// TGeoMap: showing the picture. Paint composes it (geomap_render.cpp) into the control's own
// picture in one step, and paintEvent only shows that picture, so the screen never sees a
// half-drawn map.
#include "geomap/Tyx_geomap.h"

#include <QPaintEvent>
#include <QPainter>

namespace tyx {

void TGeoMap::paintEvent(QPaintEvent* Event)
{
    // Moved to a screen of another density: the picture is composed again for it.
    if (FHighDpi && !FSuppressPaint && !FPicture.isNull() && FPicture.devicePixelRatio() != DrawingRatio())
        ComposePicture();
    QPainter P(this);
    const QRect R = Event->rect();
    const double Ratio = FPicture.devicePixelRatio();
    if (Ratio == 1) P.drawImage(R, FPicture, R);
    else P.drawImage(QRectF(R), FPicture, QRectF(R.x() * Ratio, R.y() * Ratio, R.width() * Ratio, R.height() * Ratio));
}

} // namespace tyx
