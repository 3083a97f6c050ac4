#pragma once
// The dialogs of the named settings sets: "Save Settings" lists the sets the
// store holds and takes a new name or an existing one, "LoadSettings" lets
// the user pick a set. Both can delete a set. A name the store cannot hold
// is refused with a message and the dialog stays open.

#include <QString>

#include "adjust_dialog/template_dialog.h"
#include "gui/prompts.h"

class QLineEdit;
class QListWidget;
class QPushButton;

namespace q9::adjust_dialog {

class CSettingsSetDlg : public TemplateDialog {
  Q_OBJECT

 public:
  enum class Mode { Save, Load };

  static constexpr int kSetListId = 1100;
  static constexpr int kNameId = 1101;
  static constexpr int kDeleteId = 1102;

  CSettingsSetDlg(Mode mode, gui::Prompts& prompts, QWidget* parent = nullptr);

  // The chosen set, valid after OK.
  QString ChosenName() const { return m_chosen; }

 public slots:
  void accept() override;

 private:
  void ListSets();
  void DeleteSelected();
  void UpdateButtons();

  Mode m_mode;
  gui::Prompts& m_prompts;
  QString m_chosen;
  QListWidget* m_list;
  QLineEdit* m_name;
  QPushButton* m_ok;
  QPushButton* m_delete;
};

}  // namespace q9::adjust_dialog
