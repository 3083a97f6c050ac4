#pragma once
// What the preview window asks of the dialog that owns it.

namespace q9::preview {

class PreviewOwner {
 public:
  virtual ~PreviewOwner() = default;

  // The preview window is being destroyed (closed by the user, or deleted by
  // its owner); the owner forgets it and hides the frame controls.
  virtual void OnPreviewWindowDestroyed() = 0;
};

}  // namespace q9::preview
