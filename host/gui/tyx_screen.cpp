#include "host/gui/tyx_screen.h"

#include <QGuiApplication>
#include <QPixmap>

namespace tyx {

TScreen::TScreen()
{
    const std::pair<TCursor, Qt::CursorShape> Standard[] = {
        {crDefault, Qt::ArrowCursor},       {crNone, Qt::BlankCursor},       {crArrow, Qt::ArrowCursor},
        {crCross, Qt::CrossCursor},         {crIBeam, Qt::IBeamCursor},      {crSizeNESW, Qt::SizeBDiagCursor},
        {crSizeNS, Qt::SizeVerCursor},      {crSizeNWSE, Qt::SizeFDiagCursor}, {crSizeWE, Qt::SizeHorCursor},
        {crUpArrow, Qt::UpArrowCursor},     {crHourGlass, Qt::WaitCursor},   {crDrag, Qt::DragCopyCursor},
        {crNoDrop, Qt::ForbiddenCursor},    {crHSplit, Qt::SplitHCursor},    {crVSplit, Qt::SplitVCursor},
        {crMultiDrag, Qt::DragCopyCursor},  {crSQLWait, Qt::BusyCursor},     {crNo, Qt::ForbiddenCursor},
        {crAppStart, Qt::BusyCursor},       {crHelp, Qt::WhatsThisCursor},   {crHandPoint, Qt::PointingHandCursor},
        {crSizeAll, Qt::SizeAllCursor}};
    for (const auto& [Index, Shape] : Standard) FCursors.emplace(Index, QCursor(Shape));
}

QCursor TScreen::Cursors(TCursor Index) const
{
    const auto It = FCursors.find(Index);
    return It != FCursors.end() ? It->second : FCursors.at(crDefault);
}

void TScreen::SetCursors(TCursor Index, const QCursor& Cursor)
{
    if (Index == crDefault) return;
    FCursors[Index] = Cursor;
}

void TScreen::SetCursor(TCursor Value)
{
    if (Value == FCursor) return;
    const bool App = QGuiApplication::instance() != nullptr;
    if (App && FCursor != crDefault) QGuiApplication::restoreOverrideCursor();
    FCursor = Value;
    if (App && FCursor != crDefault) QGuiApplication::setOverrideCursor(Cursors(FCursor));
}

TScreen& Screen()
{
    static TScreen TheScreen;
    return TheScreen;
}

bool LoadCursorResource(TCursor Index, const std::string& ResourcePath, int HotX, int HotY)
{
    QPixmap Pix;
    const QString Path = QString::fromStdString(ResourcePath);
    // A dense screen takes the variant drawn at twice the pixels, where there is one.
    if (qGuiApp && qGuiApp->devicePixelRatio() > 1 && Pix.load(Path + "@2x")) Pix.setDevicePixelRatio(2);
    else if (!Pix.load(Path)) return false;
    Screen().SetCursors(Index, QCursor(Pix, HotX, HotY));
    return true;
}

} // namespace tyx
