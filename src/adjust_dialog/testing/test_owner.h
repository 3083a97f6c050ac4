#pragma once
// The main dialog's part for the tests of the Adjust dialog: one source, the
// preview window it shows, and a record of what the Adjust dialog asked.

#include <QPointer>
#include <QWidget>
#include <string>
#include <utility>
#include <vector>

#include "adjust_dialog/adjust_owner.h"
#include "convert/source_media.h"
#include "preview/q9_preview_wnd.h"

namespace q9::adjust_dialog::testing {

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

}  // namespace q9::adjust_dialog::testing
