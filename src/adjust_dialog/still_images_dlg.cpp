#include "adjust_dialog/still_images_dlg.h"

#include <QCheckBox>
#include <QLineEdit>

namespace q9::adjust_dialog {
namespace {

constexpr ControlRow kControls[] = {
    {CStillImagesDlg::kSingleSequenceId, ControlKind::CheckBox,
     "Convert Still Images (*.bmp, *jpg, etc...)  to Single Sequence", 7, 7, 240, 10},
    {CStillImagesDlg::kNameLabelId, ControlKind::Label, "Q9 Sequence Name:", 7, 25, 80, 8},
    {CStillImagesDlg::kNameId, ControlKind::Edit, nullptr, 90, 23, 157, 12},
    {kIdOk, ControlKind::DefaultButton, "OK", 143, 43, 50, 14},
    {kIdCancel, ControlKind::Button, "Cancel", 197, 43, 50, 14},
};

}  // namespace

CStillImagesDlg::CStillImagesDlg(bool singleSequence, const QString& name, QWidget* parent)
    : TemplateDialog(QStringLiteral("Still Images"), parent) {
  BuildTemplate(kControls, 254, 64);
  m_single = Control<QCheckBox>(kSingleSequenceId);
  m_name = Control<QLineEdit>(kNameId);
  m_single->setChecked(singleSequence);
  m_name->setText(name);
  m_name->setEnabled(singleSequence);
  connect(m_single, &QCheckBox::toggled, m_name, &QWidget::setEnabled);
}

bool CStillImagesDlg::SingleSequence() const {
  return m_single->isChecked();
}

QString CStillImagesDlg::Name() const {
  return m_name->text();
}

}  // namespace q9::adjust_dialog
