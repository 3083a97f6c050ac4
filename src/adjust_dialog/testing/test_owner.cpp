#include "adjust_dialog/testing/test_owner.h"

namespace q9::adjust_dialog::testing {

TestOwner::TestOwner() {
  window.setWindowTitle(QStringLiteral("Q9100 Converter"));
  window.resize(300, 200);
}

TestOwner::~TestOwner() {
  delete preview;
}

bool TestOwner::OpenPreview(const QString& path, const platform::SignGeometry& sign) {
  if (!preview) {
    preview = new preview::CQ9PreviewWnd(this);
    if (!preview->Create(&window, QRect(320, 10, int(sign.columns), int(sign.rows)))) return false;
  }
  const int opened = media.Open(path.toStdString(), sign.rows, sign.columns, sign.colorType);
  media.AdjustChanged = 1;
  preview->ShowSource(QStringLiteral("sign"), &media);
  return opened != 0;
}

void TestOwner::RefreshPreview() {
  ++refreshes;
  if (preview) preview->RenderPreview(true);
}

void TestOwner::OnAdjustDialogClosing() {
  ++closings;
}

int TestOwner::SetStillImagesOptions(bool on, const char* name) {
  stillImageOptions.emplace_back(on, name);
  return 1;
}

void TestOwner::OnPreviewWindowDestroyed() {
  preview = nullptr;
}

}  // namespace q9::adjust_dialog::testing
