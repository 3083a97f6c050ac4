#include "adjust_dialog/settings_set_dlg.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "adjust/settings_persistence.h"

namespace q9::adjust_dialog {
namespace {

// The name row comes last, so that the load dialog is the save dialog
// without it.
constexpr ControlRow kControls[] = {
    {kNoId, ControlKind::Label, "&Settings:", 7, 7, 100, 8},
    {CSettingsSetDlg::kSetListId, ControlKind::ListBox, nullptr, 7, 17, 143, 72},
    {kIdOk, ControlKind::DefaultButton, "OK", 157, 17, 50, 14},
    {kIdCancel, ControlKind::Button, "Cancel", 157, 35, 50, 14},
    {CSettingsSetDlg::kDeleteId, ControlKind::Button, "&Delete", 157, 75, 50, 14},
    {kNoId, ControlKind::Label, "&Name:", 7, 97, 30, 8},
    {CSettingsSetDlg::kNameId, ControlKind::Edit, nullptr, 40, 95, 110, 12},
};
constexpr int kLoadRows = 5;

QString TitleOf(CSettingsSetDlg::Mode mode) {
  return mode == CSettingsSetDlg::Mode::Save ? QStringLiteral("Save Settings")
                                             : QStringLiteral("LoadSettings");
}

}  // namespace

CSettingsSetDlg::CSettingsSetDlg(Mode mode, gui::Prompts& prompts, QWidget* parent)
    : TemplateDialog(TitleOf(mode), parent), m_mode(mode), m_prompts(prompts) {
  if (mode == Mode::Save) {
    BuildTemplate(kControls, 214, 114);
  } else {
    BuildTemplate(std::span(kControls).first(kLoadRows), 214, 96);
  }
  m_list = Control<QListWidget>(kSetListId);
  m_name = Control<QLineEdit>(kNameId);
  m_ok = Control<QPushButton>(kIdOk);
  m_delete = Control<QPushButton>(kDeleteId);
  ListSets();
  connect(m_delete, &QPushButton::clicked, this, &CSettingsSetDlg::DeleteSelected);
  connect(m_list, &QListWidget::itemSelectionChanged, this, [this] {
    if (m_name && m_list->currentItem()) m_name->setText(m_list->currentItem()->text());
    UpdateButtons();
  });
  connect(m_list, &QListWidget::itemDoubleClicked, this, &CSettingsSetDlg::accept);
  if (m_name) {
    connect(m_name, &QLineEdit::textChanged, this, &CSettingsSetDlg::UpdateButtons);
    m_name->setFocus();
  }
  UpdateButtons();
}

void CSettingsSetDlg::ListSets() {
  m_list->clear();
  for (const std::string& name : adjust::SettingsSetNames())
    m_list->addItem(QString::fromStdString(name));
}

void CSettingsSetDlg::UpdateButtons() {
  const bool selected = !m_list->selectedItems().isEmpty();
  m_delete->setEnabled(selected);
  m_ok->setEnabled(m_name ? !m_name->text().trimmed().isEmpty() : selected);
}

void CSettingsSetDlg::DeleteSelected() {
  const QList<QListWidgetItem*> selected = m_list->selectedItems();
  if (selected.isEmpty()) return;
  const QString name = selected.first()->text();
  const auto answer =
      m_prompts.Message(this, QStringLiteral("Delete the settings \"%1\"?").arg(name),
                        windowTitle(), gui::MessageButtons::YesNo, gui::MessageIcon::Question);
  if (answer != gui::MessageAnswer::Yes) return;
  adjust::DeleteSettingsSet(name.toStdString());
  ListSets();
  UpdateButtons();
}

void CSettingsSetDlg::accept() {
  QString name;
  if (m_name) {
    name = m_name->text().trimmed();
  } else if (!m_list->selectedItems().isEmpty()) {
    name = m_list->selectedItems().first()->text();
  }
  if (name.isEmpty()) return;
  if (!adjust::IsSettingsSetName(name.toStdString())) {
    m_prompts.Message(this,
                      QStringLiteral("A settings name cannot contain \"\\\" or \"/\". Please "
                                     "choose another name."),
                      windowTitle(), gui::MessageButtons::Ok, gui::MessageIcon::Exclamation);
    return;
  }
  m_chosen = name;
  TemplateDialog::accept();
}

}  // namespace q9::adjust_dialog
