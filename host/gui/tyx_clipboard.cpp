#include "host/gui/tyx_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace tyx {

void ClipboardSetBitmap(const TBitmap& Bitmap)
{
    QImage Img = Bitmap.ToQImage();
    if (Img.format() == QImage::Format_Indexed8 || Img.format() == QImage::Format_Mono)
        Img = Img.convertToFormat(QImage::Format_RGB32);
    QGuiApplication::clipboard()->setImage(Img);
}

bool ClipboardHasBitmap()
{
    const QMimeData* Data = QGuiApplication::clipboard()->mimeData();
    return Data && Data->hasImage();
}

bool ClipboardGetBitmap(TBitmap& Bitmap)
{
    if (!ClipboardHasBitmap()) return false;
    const QImage Img = QGuiApplication::clipboard()->image();
    if (Img.isNull()) return false;
    Bitmap.AssignImage(Img);
    return true;
}

} // namespace tyx
