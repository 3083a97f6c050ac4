#pragma once
// The preview and source windows are tool windows of the dialog that owns
// them: captioned, above their owner, with a client area of exactly the
// size asked for.

#include <QRect>
#include <QString>
#include <QWidget>

namespace q9::preview {

// Makes window a tool window of owner with that title, its frame at the
// rectangle's top-left corner on the screen and its client area fixed at
// the rectangle's size. False, and nothing done, without an owner or with
// an empty rectangle.
bool CreateToolWindow(QWidget& window, QWidget* owner, const QRect& screenRect,
                      const QString& title);

}  // namespace q9::preview
