#pragma once
// An Adjust dialog attached to a source as the main dialog attaches it, with
// scripted prompts, for the tests: the dialog is shown and active, and the
// helpers reach its controls and menu items as a user would.

#include <QAction>
#include <QLineEdit>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "adjust_dialog/adjust_dlg.h"
#include "adjust_dialog/image_command_menus.h"
#include "convert/source_media.h"
#include "gui/dialog_builder.h"
#include "gui/testing/scripted_prompts.h"
#include "preview/q9_preview_wnd.h"

namespace q9::adjust_dialog::testing {

using Script = std::function<void(QDialog&)>;

// The main dialog's part: one source, the preview window it shows, and a
// record of what the Adjust dialog asked.
class TestOwner : public AdjustOwner, public preview::PreviewOwner {
 public:
  ~TestOwner() override { delete preview; }

  // Opens the file for the sign as the main dialog does (the adjustments
  // applied anew) and shows it in the preview, created on first use.
  bool OpenPreview(const QString& path, const platform::SignGeometry& sign) {
    if (!preview) {
      preview = new preview::CQ9PreviewWnd(this);
      preview->Create(&window, QRect(320, 10, int(sign.columns), int(sign.rows)));
    }
    const int opened = media.Open(path.toStdString(), sign.rows, sign.columns, sign.colorType);
    media.AdjustChanged = 1;
    preview->ShowSource(QStringLiteral("sign"), &media);
    return opened != 0;
  }

  void RefreshPreview() override {
    ++refreshes;
    if (preview) preview->RenderPreview(true);
  }
  void OnAdjustDialogClosing() override { ++closings; }
  int SetStillImagesOptions(bool on, const char* name) override {
    stillImageOptions.emplace_back(on, name);
    return 1;
  }
  void OnPreviewWindowDestroyed() override { preview = nullptr; }

  QWidget window;  // where the main dialog's window would be
  convert::SourceMedia media;
  QPointer<preview::CQ9PreviewWnd> preview;
  int refreshes = 0;
  int closings = 0;
  std::vector<std::pair<bool, std::string>> stillImageOptions;
};

// Points the settings store at a new empty folder, which lives until the
// next call; false when the store is elsewhere.
bool UseEmptyStore();

class AdjustSession {
 public:
  // scripts answer the dialogs that attaching asks (Auto Save's load).
  AdjustSession(const QString& path, const platform::SignGeometry& sign,
                std::initializer_list<Script> scripts = {});
  ~AdjustSession() { delete dlg; }

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
  QAction* Command(int id) const { return dlg->Commands().Action(id); }
  // Runs a menu item whose dialog the script answers.
  void Run(QAction* item, const Script& script = {}) {
    if (script) prompts.dialogScripts.push_back(script);
    item->trigger();
  }

  TestOwner owner;
  gui::ScriptedPrompts prompts;
  QPointer<CAdjustDlg> dlg;
  convert::SourceMedia& media = owner.media;
};

}  // namespace q9::adjust_dialog::testing
