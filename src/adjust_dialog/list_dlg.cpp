#include "adjust_dialog/list_dlg.h"

#include <QCheckBox>
#include <QListWidget>
#include <algorithm>

namespace q9::adjust_dialog {

QStringList ChoiceEntries(const QString& list) {
  QStringList entries = list.split(u'|');
  if (!entries.isEmpty() && entries.last().isEmpty()) entries.removeLast();
  return entries;
}

CListDlg::CListDlg(const ListRequest& request, QWidget* parent)
    : TemplateDialog(request.title, parent) {
  const QByteArray label = request.label.toUtf8();
  const ControlRow controls[] = {
      {kNoId, ControlKind::Label, label.constData(), 7, 7, 120, 8},
      {kListId, ControlKind::ListBox, nullptr, 7, 17, 120, 64},
      {kEnabledId, ControlKind::CheckBox, "&Enabled", 7, 85, 80, 10},
      {kIdOk, ControlKind::DefaultButton, "OK", 134, 17, 50, 14},
      {kIdCancel, ControlKind::Button, "Cancel", 134, 35, 50, 14},
  };
  BuildTemplate(controls, 191, 102);
  m_list = Control<QListWidget>(kListId);
  m_enabled = Control<QCheckBox>(kEnabledId);
  m_list->addItems(ChoiceEntries(request.list));
  m_list->setCurrentRow(std::clamp(request.index, 0, std::max(m_list->count() - 1, 0)));
  m_enabled->setChecked(request.enabled);
  connect(m_list, &QListWidget::itemClicked, this, [this] { m_enabled->setChecked(true); });
  connect(m_list, &QListWidget::currentRowChanged, this, [this] { m_enabled->setChecked(true); });
  // Choosing a filter with a double click is choosing it and OK.
  connect(m_list, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
}

int CListDlg::Index() const {
  return std::max(m_list->currentRow(), 0);
}

bool CListDlg::Enabled() const {
  return m_enabled->isChecked();
}

}  // namespace q9::adjust_dialog
