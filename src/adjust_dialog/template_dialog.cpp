#include "adjust_dialog/template_dialog.h"

#include <QPushButton>

namespace q9::adjust_dialog {

TemplateDialog::TemplateDialog(const QString& title, QWidget* parent) : QDialog(parent) {
  setWindowTitle(title);
}

void TemplateDialog::BuildTemplate(std::span<const gui::ControlRow> controls, int width,
                                   int height) {
  gui::DialogBuilder::Build(*this, controls, width, height);
  if (auto* ok = Control<QPushButton>(kIdOk))
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  if (auto* cancel = Control<QPushButton>(kIdCancel))
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

}  // namespace q9::adjust_dialog
