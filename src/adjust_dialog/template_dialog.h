#pragma once
// A small modal dialog built from its template table, whose OK (id 1) and
// Cancel (id 2) buttons end it as accepted and rejected. The option and
// parameter dialogs of the Adjust dialog derive from it; a dialog whose
// labels change from one run to the next fills its table before building.

#include <QDialog>
#include <QString>
#include <span>

#include "gui/control_row.h"
#include "gui/dialog_builder.h"

namespace q9::adjust_dialog {

// The template vocabulary every dialog of this folder builds with.
using gui::ControlKind;
using gui::ControlRow;
using gui::kNoId;

inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

class TemplateDialog : public QDialog {
  Q_OBJECT

 public:
  TemplateDialog(const QString& title, QWidget* parent);

  template <class T = QWidget>
  T* Control(int id) const {
    return gui::FindControl<T>(*this, id);
  }

 protected:
  void BuildTemplate(std::span<const gui::ControlRow> controls, int width, int height);
};

}  // namespace q9::adjust_dialog
