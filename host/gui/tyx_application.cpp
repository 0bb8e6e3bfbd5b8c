#include "host/gui/tyx_application.h"

#include <QCoreApplication>

namespace tyx {

void ProcessMessages()
{
    if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

} // namespace tyx
