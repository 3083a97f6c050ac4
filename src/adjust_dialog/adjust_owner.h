#pragma once
// What the Adjust dialog asks of the main dialog that owns it.

namespace q9::adjust_dialog {

class AdjustOwner {
 public:
  virtual ~AdjustOwner() = default;

  // Re-renders the current frame into the preview window, if there is one.
  virtual void RefreshPreview() = 0;
  // The Adjust dialog is closing, by its close box, OK or Cancel; the owner
  // closes the preview with it unless that was suppressed for this once.
  virtual void OnAdjustDialogClosing() = 0;
  // The still-image options for the batch: all still images into one
  // sequence (on) of that name. Returns 1.
  virtual int SetStillImagesOptions(bool on, const char* name) = 0;
};

}  // namespace q9::adjust_dialog
