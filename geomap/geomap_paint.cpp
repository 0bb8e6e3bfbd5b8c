// TGeoMap: showing the picture. Paint composes it (geomap_render.cpp) into the control's own
// picture in one step, and paintEvent only shows that picture, so the screen never sees a
// half-drawn map.
#include "geomap/Tyx_geomap.h"

#include <QPaintEvent>
#include <QPainter>

namespace tyx {

void TGeoMap::paintEvent(QPaintEvent* Event)
{
    QPainter P(this);
    P.drawImage(Event->rect(), FPicture, Event->rect());
}

} // namespace tyx
