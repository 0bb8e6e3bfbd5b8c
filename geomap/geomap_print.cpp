// TGeoMap: printing. A map window is composed at magnification 1 like the control would show it
// (image and overlays, no frame) and drawn scaled onto the page, so the print device does the
// final resampling at its own resolution. Positions on the page are device pixels for the
// sequential form and millimetres for the map-scale forms; a map scale 1:Scale turns image pixels
// into millimetres through the calibrated resolution (metres per pixel).
#include "geomap/Tyx_geomap.h"

#include <QPainter>
#include <QPrinter>

#include <algorithm>
#include <cmath>

#include "host/tyx_rounding.h"

namespace tyx {

namespace {

/// Windows beyond this are refused rather than composed (32 MB at 15 bits per pixel).
constexpr long long MaxPrintWindowPixels = 16LL * 1024 * 1024;

double MmToDeviceX(const QPainter& P, double Mm) { return Mm * P.device()->logicalDpiX() / 25.4; }
double MmToDeviceY(const QPainter& P, double Mm) { return Mm * P.device()->logicalDpiY() / 25.4; }

/// The span [Lo, Hi) grown about its middle to Length, moved back inside [0, Limit) where it
/// fits there and cut to it where it does not.
void GrowSpan(double& Lo, double& Hi, double Length, double Limit)
{
    if (Length <= Hi - Lo) return;
    if (Length >= Limit) {
        Lo = 0;
        Hi = Limit;
        return;
    }
    Lo = std::clamp((Lo + Hi - Length) / 2, 0.0, Limit - Length);
    Hi = Lo + Length;
}

} // namespace

void TGeoMap::PrintWindow(QPainter& Printer, const TPoint& TopLeft, int Width, int Height, const QRectF& Target)
{
    if (static_cast<long long>(Width) * Height > MaxPrintWindowPixels)
        throw ETYXGeoMapError(Name(), "print window of " + std::to_string(Width) + " x " + std::to_string(Height) +
                                          " pixels too large");
    TBitmap Window;
    ComposeOffscreen(Window, TopLeft, 1.0, Width, Height);
    Printer.save();
    Printer.setRenderHint(QPainter::SmoothPixmapTransform, FAntiAlias);
    Printer.drawImage(Target, Window.Image());
    Printer.restore();
}

void TGeoMap::PrintIt(double ScaleF, QPrinter& Printer)
{
    if (FMapImgWidth <= 0 || FMapImgHeight <= 0) throw ETYXGeoMapError(Name(), "PrintIt: no map image");
    if (!(ScaleF > 0) || !std::isfinite(ScaleF)) throw ETYXGeoMapError(Name(), "PrintIt: scale factor must be positive");
    QPainter P;
    if (!P.begin(&Printer)) throw ETYXGeoMapError(Name(), "PrintIt: cannot open the printer");
    const double Fit = std::min(static_cast<double>(Printer.width()) / FMapImgWidth,
                                static_cast<double>(Printer.height()) / FMapImgHeight);
    const double S = Fit * ScaleF;
    PrintWindow(P, TPoint{0, 0}, FMapImgWidth, FMapImgHeight, QRectF(0, 0, FMapImgWidth * S, FMapImgHeight * S));
    P.end();
}

QRectF TGeoMap::PrintView(QPainter& Printer, const QRectF& Target)
{
    if (FMapImgWidth <= 0 || FMapImgHeight <= 0) throw ETYXGeoMapError(Name(), "PrintView: no map image");
    if (width() < 1 || height() < 1 || !(Target.width() >= 1) || !(Target.height() >= 1))
        throw ETYXGeoMapError(Name(), "PrintView: nothing to print into");
    // The view in image pixels, cut to the image: the grey beyond it is no part of the map.
    double X0 = FTopLeft.X, X1 = FTopLeft.X + width() / FMagnify;
    double Y0 = FTopLeft.Y, Y1 = FTopLeft.Y + height() / FMagnify;
    if (X0 < FMapImgWidth && X1 > 0 && Y0 < FMapImgHeight && Y1 > 0) {
        X0 = std::max(X0, 0.0);
        X1 = std::min<double>(X1, FMapImgWidth);
        Y0 = std::max(Y0, 0.0);
        Y1 = std::min<double>(Y1, FMapImgHeight);
    }
    const double Shape = Target.width() / Target.height();
    GrowSpan(X0, X1, (Y1 - Y0) * Shape, FMapImgWidth);
    GrowSpan(Y0, Y1, (X1 - X0) / Shape, FMapImgHeight);
    // View pixels of a 96 dpi screen, on which captions are sized in points.
    const double DevicePerView = std::max(1.0, Printer.device()->logicalDpiX() / 96.0);
    const double Mag = std::min(Target.width() / (X1 - X0), Target.height() / (Y1 - Y0)) / DevicePerView;
    const int W = std::max(1, Round((X1 - X0) * Mag)), H = std::max(1, Round((Y1 - Y0) * Mag));
    const double Ratio = std::clamp(std::min(DevicePerView, std::sqrt(double(MaxPrintWindowPixels) / (double(W) * H))),
                                    1.0, 8.0);
    if (W * Ratio * H * Ratio > MaxPrintWindowPixels * 1.01)
        throw ETYXGeoMapError(Name(), "PrintView: print window of " + std::to_string(W) + " x " + std::to_string(H) +
                                          " pixels too large");
    TBitmap Window;
    ComposeOffscreen(Window, TPoint{Round(X0), Round(Y0)}, Mag, W, H, Ratio);
    const QRectF Printed(Target.center().x() - W * DevicePerView / 2, Target.center().y() - H * DevicePerView / 2,
                         W * DevicePerView, H * DevicePerView);
    Printer.save();
    Printer.setRenderHint(QPainter::SmoothPixmapTransform, FAntiAlias);
    Printer.drawImage(Printed, Window.Image(), QRectF(0, 0, Round(W * Ratio), Round(H * Ratio)));
    Printer.restore();
    return Printed;
}

void TGeoMap::PrintIt(double ScaleF)
{
    QPrinter Printer(QPrinter::HighResolution);
    PrintIt(ScaleF, Printer);
}

void TGeoMap::CopyToOpenPrinter(QPainter& Printer, int& x, int& y, double ScaleF)
{
    if (FMapImgWidth <= 0 || FMapImgHeight <= 0) throw ETYXGeoMapError(Name(), "CopyToOpenPrinter: no map image");
    if (!(ScaleF > 0) || !std::isfinite(ScaleF))
        throw ETYXGeoMapError(Name(), "CopyToOpenPrinter: scale factor must be positive");
    const double W = Printer.device()->width() * ScaleF;
    const double H = W * FMapImgHeight / FMapImgWidth;
    PrintWindow(Printer, TPoint{0, 0}, FMapImgWidth, FMapImgHeight, QRectF(x, y, W, H));
    x += Round(W);
    y += Round(H);
}

void TGeoMap::CopyToOpenPrinter(QPainter& Printer, const TRect& MapWindow, int Scale, int PosHoriz, int PosVert)
{
    CopyToOpenPrinter(Printer, TPoint{MapWindow.Left, MapWindow.Top}, Scale, PosHoriz, PosVert, MapWindow.Width(),
                      MapWindow.Height());
}

void TGeoMap::CopyToOpenPrinter(QPainter& Printer, const TPoint& TopLeft, int Scale, int PosHoriz, int PosVert,
                                int Width, int Height)
{
    const double Res = CalibData().Resolution;
    if (!(Res > 0) || !std::isfinite(Res))
        throw ETYXGeoMapError(Name(), "CopyToOpenPrinter: the map has no calibrated resolution");
    if (Scale < 1) throw ETYXGeoMapError(Name(), "CopyToOpenPrinter: scale must be at least 1");
    if (Width < 1 || Height < 1) throw ETYXGeoMapError(Name(), "CopyToOpenPrinter: empty map window");
    const double MmPerPixel = Res * 1000.0 / Scale;
    const QRectF Target(MmToDeviceX(Printer, PosHoriz), MmToDeviceY(Printer, PosVert),
                        MmToDeviceX(Printer, Width * MmPerPixel), MmToDeviceY(Printer, Height * MmPerPixel));
    PrintWindow(Printer, TopLeft, Width, Height, Target);
}

void TGeoMap::CalcExtentsOfPrint(const TRect& MapWindow, int Scale, int& Width, int& Height) const
{
    Width = 0;
    Height = 0;
    const double Res = CalibData().Resolution;
    if (!(Res > 0) || !std::isfinite(Res) || Scale < 1) return;
    const double MmPerPixel = Res * 1000.0 / Scale;
    Width = Round(MapWindow.Width() * MmPerPixel);
    Height = Round(MapWindow.Height() * MmPerPixel);
}

} // namespace tyx
