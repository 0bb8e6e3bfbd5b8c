// The viewer's documents: the view exported as a picture and printed as a page, each leaving out
// what only serves the screen (the grey beyond the map image, the outlines of the atlas's other
// maps) and the page carrying what a printed map needs (title, scale bar, degree labels, date).
#pragma once
#include <QObject>
#include <QRect>
#include <QString>

class QMenu;
class QPrinter;
class QWidget;

namespace tyx {
class TGeoAtlas;
class TGeoMap;
} // namespace tyx

namespace tyx::viewer {

/// The control pixels of the view that show the map image; the whole view when none does.
QRect MapPartOfView(const TGeoMap& Map);

/// Export and print of the atlas's current view, with the File menu entries that call them.
class TViewerDocuments : public QObject {
    Q_OBJECT
public:
    /// Window: the parent of the file and print dialogs.
    TViewerDocuments(TGeoAtlas& Atlas, QWidget& Window);

    /// Adds export, print to PDF, print, and the outline choice to the menu.
    void AddTo(QMenu& File);
    /// The outlines of the other maps in exports and prints (off by default).
    bool Outlines() const { return FOutlines; }
    void SetOutlines(bool Value) { FOutlines = Value; }

    /// The part of the view on the map image, at control pixels, as PNG; false when it cannot
    /// be written.
    bool ExportPng(const QString& FileName) const;
    /// One page in the view's orientation (landscape for a wide view) on a PDF printer of 300 dpi;
    /// false when the file cannot be written or there is no map.
    bool PrintPdf(const QString& FileName) const;
    /// The page on a printer set up by the caller; false when it cannot print.
    bool PrintPage(QPrinter& Printer) const;

private:
    TGeoAtlas& FAtlas;
    QWidget& FWindow;
    bool FOutlines = false;
};

} // namespace tyx::viewer
