#pragma once
// One row of a dialog template: the control's id, kind, text and its
// position and size in dialog units. Dialogs keep their templates as tables
// of these, in tab order, and DialogBuilder turns a table into widgets.

#include <cstdint>

namespace q9::gui {

enum class ControlKind {
  Label,           // static text; "&" marks the mnemonic of the control after it
  Edit,            // one-line edit
  Button,          // push button
  DefaultButton,   // the push button that Enter presses
  CheckBox,        // automatic check box
  ReportList,      // list of rows with columns (several rows can be marked)
  ListBox,         // plain list of texts
  DropDownList,    // drop-down list that cannot be typed into
  UpDown,          // up-down arrows; the edit before it in the table is its buddy
  VerticalSlider,  // trackbar standing upright, no ticks
  ProgressBar,     // progress bar without text
  EtchedLine,      // sunken horizontal line
  GroupBox,        // frame with a title around other controls
  BitmapButton,    // push button showing a picture
  Icon,            // a picture (the dialog sets it)
};

// Flags of a row.
enum ControlFlag : uint32_t {
  kHidden = 1u << 0,    // starts invisible
  kDisabled = 1u << 1,  // starts disabled
  kNumber = 1u << 2,    // edit: digits only
  kSigned = 1u << 3,    // edit with kNumber: a leading minus is allowed too
};

inline constexpr int kNoId = -1;  // labels and frames nobody addresses

struct ControlRow {
  int id;
  ControlKind kind;
  const char* text;
  int x, y, width, height;  // dialog units
  uint32_t flags = 0;
};

}  // namespace q9::gui
