#pragma once
// Builds a dialog's controls from its template table: every control a child
// of the dialog, placed from dialog units in the dialog's font, in the
// table's tab order, its objectName the decimal id so that the dialog's
// code and tests address controls as the templates do. A label is the buddy
// of the control that follows it, and a control without text of its own
// (an edit, a list) takes its label's text, without "&", as its accessible
// name.

#include <QString>
#include <QWidget>
#include <span>

#include "gui/control_row.h"

namespace q9::gui {

class DialogBuilder {
 public:
  // Creates the controls of the table as children of dialog and fixes its
  // client area at width x height dialog units.
  static void Build(QWidget& dialog, std::span<const ControlRow> controls, int width, int height);

  // The objectName a control with this id gets.
  static QString NameOf(int id) { return QString::number(id); }
  // "&Browse" -> "Browse"; "&&" stays one "&".
  static QString WithoutMnemonic(const QString& text);
};

// The control with the id, or null when the dialog has none of that type.
template <class T = QWidget>
T* FindControl(const QWidget& dialog, int id) {
  return dialog.findChild<T*>(DialogBuilder::NameOf(id));
}

}  // namespace q9::gui
