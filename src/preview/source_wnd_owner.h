#pragma once
// The five messages the source window sends to the dialog that owns it, as
// direct calls in the order the tracking makes them. The dialog answers
// before the call returns, so the dialog's fields and the preview are up to
// date when a mouse or key handler of the source window ends.

namespace q9::preview {

class SourceWndOwner {
 public:
  virtual ~SourceWndOwner() = default;

  // The range of the Height spin (low to high, both included).
  virtual void AdjMsgSetHeightRange(int low, int high) = 0;
  // The range of the Width spin.
  virtual void AdjMsgSetWidthRange(int low, int high) = 0;
  // Read the controls, then push the values (into the record as well).
  virtual void AdjMsgSyncControls() = 0;
  // With push, push the values first; then re-render the preview and repaint
  // the source window.
  virtual void AdjMsgRefresh(bool push) = 0;
  // Reload the dialog's values from the record and push them.
  virtual void AdjMsgReloadValues() = 0;
};

}  // namespace q9::preview
