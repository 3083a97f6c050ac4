#pragma once
// An Adjust dialog attached to a source as the main dialog attaches it, with
// scripted prompts, for the tests: the dialog is shown and active, and the
// helpers reach its controls and menu items as a user would.

#include <QAction>
#include <QLineEdit>
#include <QPointer>
#include <functional>
#include <initializer_list>

#include "adjust_dialog/adjust_dlg.h"
#include "adjust_dialog/testing/test_owner.h"
#include "gui/dialog_builder.h"
#include "gui/testing/scripted_prompts.h"

namespace q9::adjust_dialog::testing {

using Script = std::function<void(QDialog&)>;

// Points the settings store at a folder of the test's own (the store stays
// there for the rest of the program); false when the store is elsewhere.
bool UseStoreIn(const QString& folder);

class AdjustSession {
 public:
  // scripts answer the dialogs that attaching asks (Auto Save's load).
  AdjustSession(const QString& path, const platform::SignGeometry& sign,
                std::initializer_list<Script> scripts = {});
  ~AdjustSession();

  template <class T = QLineEdit>
  T* Control(int id) const {
    return gui::FindControl<T>(*dlg, id);
  }
  // Types into an edit and leaves it with Tab; returns the refreshes that
  // leaving it made.
  int Type(int id, const QString& text);
  // A menu item by its menu's title and its text ("&Reset"), or an image
  // command by its id.
  QAction* Item(const QString& menu, const QString& item) const;
  QAction* Command(int id) const;
  // Runs a menu item whose dialog the script answers.
  void Run(QAction* item, const Script& script = {});

  TestOwner owner;
  gui::ScriptedPrompts prompts;
  QPointer<CAdjustDlg> dlg;
  convert::SourceMedia& media = owner.media;
};

}  // namespace q9::adjust_dialog::testing
