// The Qt Designer plugin: the library's widgets in Designer's widget box under "Tyx Geo". Each
// widget is one TWidgetEntry; the collection lists them, so a new widget is one line in its
// constructor.
#pragma once
#include <QtUiPlugin/QDesignerCustomWidgetCollectionInterface>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

#include <QIcon>
#include <QObject>
#include <QString>

#include <functional>

namespace tyx::designer {

/// What Designer needs to know of one widget class.
struct TWidgetInfo {
    QString ClassName;    ///< with its namespace, as uic writes it
    QString IncludeFile;  ///< as a host includes it
    QString ToolTip;
    QString WhatsThis;
    int Width;            ///< default size on a new form
    int Height;
    std::function<QWidget*(QWidget*)> Create;
};

class TWidgetEntry : public QObject, public QDesignerCustomWidgetInterface {
    Q_OBJECT
    Q_INTERFACES(QDesignerCustomWidgetInterface)
public:
    TWidgetEntry(TWidgetInfo Info, QObject* Parent);
    QString name() const override { return FInfo.ClassName; }
    QString group() const override { return QStringLiteral("Tyx Geo"); }
    QString toolTip() const override { return FInfo.ToolTip; }
    QString whatsThis() const override { return FInfo.WhatsThis; }
    QString includeFile() const override { return FInfo.IncludeFile; }
    QIcon icon() const override { return FIcon; }
    bool isContainer() const override { return false; }
    QWidget* createWidget(QWidget* Parent) override { return FInfo.Create(Parent); }
    bool isInitialized() const override { return FInitialized; }
    void initialize(QDesignerFormEditorInterface*) override { FInitialized = true; }
    QString domXml() const override;

private:
    TWidgetInfo FInfo;
    QIcon FIcon;
    bool FInitialized = false;
};

class TWidgetCollection : public QObject, public QDesignerCustomWidgetCollectionInterface {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QDesignerCustomWidgetCollectionInterface")
    Q_INTERFACES(QDesignerCustomWidgetCollectionInterface)
public:
    explicit TWidgetCollection(QObject* Parent = nullptr);
    QList<QDesignerCustomWidgetInterface*> customWidgets() const override { return FWidgets; }

private:
    template <class W>
    void Add(const char* ClassName, const char* IncludeFile, const char* ToolTip, int Width, int Height);
    QList<QDesignerCustomWidgetInterface*> FWidgets;
};

} // namespace tyx::designer
