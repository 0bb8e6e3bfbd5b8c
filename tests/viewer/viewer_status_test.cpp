// The viewer's status bar and keyboard, offscreen: messages in sight beside the position, the
// position cleared when the mouse leaves the map, the keys back on the map after a pick.
#include "viewer_status.h"

#include "geomap/Tyx_geomap.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QImage>
#include <QMainWindow>
#include <QStatusBar>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

using namespace tyx;
using namespace tyx::viewer;

/// Dark (text) pixels in the left third of the status bar.
int DarkAtLeft(QStatusBar* Bar)
{
    const QImage Img = Bar->grab().toImage();
    int Dark = 0;
    for (int y = 0; y < Img.height(); ++y)
        for (int x = 0; x < Img.width() / 3; ++x) Dark += qGray(Img.pixel(x, y)) < 100;
    return Dark;
}

TEST(ViewerStatus, MessagesShowBesideThePositionWhichClearsWhenTheMouseLeaves)
{
    QMainWindow W;
    auto* Map = new TGeoMap(&W);
    W.setCentralWidget(Map);
    auto* Status = new TViewerStatus(W.statusBar(), Map);
    W.resize(900, 300);
    W.show();
    Status->ShowPositionAt(10, 10); // no image: "off the map"
    QApplication::processEvents();
    ASSERT_FALSE(Status->Position().isEmpty());
    EXPECT_EQ(DarkAtLeft(W.statusBar()), 0);
    Status->ShowMessage("Not found: Atlantis");
    QApplication::processEvents();
    EXPECT_EQ(Status->Message(), "Not found: Atlantis");
    EXPECT_GT(DarkAtLeft(W.statusBar()), 50);

    QEvent Leave(QEvent::Leave);
    QApplication::sendEvent(Map, &Leave);
    EXPECT_TRUE(Status->Position().isEmpty());
}

TEST(ViewerStatus, KeysGoBackToTheMapAfterAPickInTheSelector)
{
    QWidget W;
    auto* Selector = new QComboBox;
    Selector->addItems({"World", "Europe"});
    auto* Map = new QWidget;
    Map->setFocusPolicy(Qt::StrongFocus);
    auto* Layout = new QVBoxLayout(&W);
    Layout->addWidget(Selector);
    Layout->addWidget(Map);
    ReturnKeysToMap(Selector, Map);
    W.show();
    Selector->setFocus();
    ASSERT_EQ(W.focusWidget(), Selector);
    emit Selector->activated(1);
    EXPECT_EQ(W.focusWidget(), Map);
}

} // namespace
