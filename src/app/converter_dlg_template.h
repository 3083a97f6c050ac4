#pragma once
// The main dialog's template: its control ids, the table of its controls in
// dialog units and tab order, and the five groups of controls that are
// switched together.

#include <span>

#include "gui/control_row.h"

namespace q9::app {

// Ids of the main dialog's controls (their objectName is the decimal id).
enum ConverterControlId : int {
  kIdClose = 1,
  kIdConvert = 3,
  kIdSourceDir = 1001,
  kIdBrowseSource = 1002,
  kIdDestDir = 1003,
  kIdBrowseDest = 1004,
  kIdOverallBar = 1005,
  kIdFileBar = 1006,
  kIdSelectAll = 1014,
  kIdSelectNone = 1015,
  kIdSelectInvert = 1016,
  kIdFileList = 1017,
  kIdConvertingPath = 1018,
  kIdStatusLine = 1019,
  kIdPreview = 1023,
  kIdAdjust = 1024,
  kIdFrameEdit = 1025,
  kIdFrameSpin = 1026,
  kIdZoomIn = 1027,
  kIdZoomOut = 1028,
  kIdFrameLabel = 1029,
  kIdProgressRule = 1037,
  kIdConvertingLabel = 1038,
  kIdOverallLabel = 1039,
  kIdCancelRun = 1040,
};

// The dialog's size in dialog units.
inline constexpr int kConverterDlgWidth = 291;
inline constexpr int kConverterDlgHeight = 314;

enum class ControlGroup {
  FrameControls,
  ZoomButtons,
  ProgressControls,
  SelectionButtons,
  DirectoryControls,
};

std::span<const gui::ControlRow> ConverterDlgTemplate();
// The ids of a group's controls.
std::span<const int> ControlsOf(ControlGroup group);

}  // namespace q9::app
