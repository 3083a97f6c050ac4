#pragma once
// The parameter dialog of a filter command: the filter types in a list, and
// an "Enabled" check box, which choosing a filter checks.

#include <QString>
#include <QStringList>

#include "adjust_dialog/template_dialog.h"

class QCheckBox;
class QListWidget;

namespace q9::adjust_dialog {

// The entries of a choice or filter list, "Master|Red|Green|Blue|": the
// texts between the "|" marks; an empty text after the last mark is no
// entry.
QStringList ChoiceEntries(const QString& list);

struct ListRequest {
  QString title;
  QString label;
  QString list;  // entries separated by "|"
  int index = 0;
  bool enabled = false;
};

class CListDlg : public TemplateDialog {
  Q_OBJECT

 public:
  static constexpr int kListId = 1100;
  static constexpr int kEnabledId = 1103;

  explicit CListDlg(const ListRequest& request, QWidget* parent = nullptr);

  int Index() const;
  bool Enabled() const;

 private:
  QListWidget* m_list;
  QCheckBox* m_enabled;
};

}  // namespace q9::adjust_dialog
