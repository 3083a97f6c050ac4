#include "preview/tool_window.h"

namespace q9::preview {

bool CreateToolWindow(QWidget& window, QWidget* owner, const QRect& screenRect,
                      const QString& title) {
  if (owner == nullptr || screenRect.isEmpty()) return false;
  window.setParent(owner, Qt::Tool);
  window.setWindowTitle(title);
  window.move(screenRect.topLeft());
  window.setFixedSize(screenRect.size());
  return true;
}

}  // namespace q9::preview
