#pragma once
// The main dialog's part for the tests and benchmarks of the Adjust dialog:
// one source, the preview window it shows, and a record of what the Adjust
// dialog asked of it.

#include <QPointer>
#include <QString>
#include <QWidget>
#include <string>
#include <utility>
#include <vector>

#include "adjust_dialog/adjust_owner.h"
#include "convert/source_media.h"
#include "preview/preview_owner.h"
#include "preview/q9_preview_wnd.h"

namespace q9::adjust_dialog::testing {

class TestOwner : public AdjustOwner, public preview::PreviewOwner {
 public:
  TestOwner();
  ~TestOwner() override;

  // Opens the file for the sign as the main dialog does (the image
  // adjustments applied anew) and shows it in the preview window, which is
  // created on first use.
  bool OpenPreview(const QString& path, const platform::SignGeometry& sign);

  void RefreshPreview() override;
  void OnAdjustDialogClosing() override;
  int SetStillImagesOptions(bool on, const char* name) override;
  void OnPreviewWindowDestroyed() override;

  QWidget window;  // where the main dialog's window would be
  convert::SourceMedia media;
  QPointer<preview::CQ9PreviewWnd> preview;
  int refreshes = 0;
  int closings = 0;
  std::vector<std::pair<bool, std::string>> stillImageOptions;
};

}  // namespace q9::adjust_dialog::testing
