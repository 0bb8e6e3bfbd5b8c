#include "host/gui/tyx_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <stdexcept>

namespace tyx {

namespace {

bool HaveGuiApp() { return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr; }

} // namespace

void ClipboardSetBitmap(const TBitmap& Bitmap)
{
    if (!HaveGuiApp()) throw std::logic_error("the clipboard needs a running QGuiApplication");
    QImage Img = Bitmap.ToQImage();
    if (Img.format() == QImage::Format_Indexed8 || Img.format() == QImage::Format_Mono)
        Img = Img.convertToFormat(QImage::Format_RGB32);
    QGuiApplication::clipboard()->setImage(Img);
}

bool ClipboardHasBitmap()
{
    if (!HaveGuiApp()) return false;
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
