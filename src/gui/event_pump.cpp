#include "gui/event_pump.h"

#include <QApplication>
#include <QCursor>
#include <QEventLoop>

#include "convert/wait_cursor.h"

namespace q9::gui {

void PumpPendingEvents() {
  // The time bound keeps a flood of events (a long drag over the preview)
  // from holding up the conversion.
  QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

void InstallWaitCursor() {
  convert::SetWaitCursorHooks([] { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); },
                              [] { QApplication::restoreOverrideCursor(); });
}

}  // namespace q9::gui
