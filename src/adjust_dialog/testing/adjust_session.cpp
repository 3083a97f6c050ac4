#include "adjust_dialog/testing/adjust_session.h"

#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "platform/registry/cq9_registry.h"

namespace q9::adjust_dialog::testing {

bool UseEmptyStore() {
  static std::unique_ptr<QTemporaryDir> folder;
  folder = std::make_unique<QTemporaryDir>();
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder->path());
  return QString::fromStdString(platform::CQ9Registry::StorePath())
      .startsWith(folder->path() + u'/');
}

AdjustSession::AdjustSession(const QString& path, const platform::SignGeometry& sign,
                             std::initializer_list<Script> scripts) {
  for (const Script& script : scripts) prompts.dialogScripts.push_back(script);
  owner.window.show();
  if (!owner.OpenPreview(path, sign)) QTest::qFail("the source does not open", __FILE__, __LINE__);
  dlg = new CAdjustDlg(owner, prompts, &owner.window);
  dlg->show();
  dlg->AttachSource(&owner.media);
  dlg->activateWindow();
  if (!QTest::qWaitForWindowActive(dlg))
    QTest::qFail("the Adjust dialog is not active", __FILE__, __LINE__);
}

int AdjustSession::Type(int id, const QString& text) {
  QLineEdit* edit = Control(id);
  edit->setFocus();
  edit->selectAll();
  QTest::keyClicks(edit, text);
  const int before = owner.refreshes;
  QTest::keyClick(edit, Qt::Key_Tab);
  return owner.refreshes - before;
}

QAction* AdjustSession::Item(const QString& menu, const QString& item) const {
  for (QAction* title : dlg->MenuBar()->actions())
    if (title->text() == menu)
      for (QAction* action : title->menu()->actions())
        if (action->text() == item) return action;
  return nullptr;
}

}  // namespace q9::adjust_dialog::testing
