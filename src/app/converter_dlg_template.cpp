#include "app/converter_dlg_template.h"

namespace q9::app {
namespace {

using gui::ControlKind;
using gui::kDisabled;
using gui::kHidden;
using gui::kNoId;
using gui::kNumber;

constexpr gui::ControlRow kTemplate[] = {
    {kNoId, ControlKind::Label, "&Source Directory:", 7, 4, 92, 8},
    {kIdSourceDir, ControlKind::Edit, nullptr, 7, 14, 222, 13},
    {kIdBrowseSource, ControlKind::Button, "&Browse", 237, 14, 49, 13},
    {kNoId, ControlKind::Label, "Mark Files to Convert", 7, 34, 136, 8},
    {kIdFileList, ControlKind::ReportList, nullptr, 7, 43, 222, 139},
    {kIdSelectAll, ControlKind::Button, "Select &All", 237, 43, 49, 13},
    {kIdSelectNone, ControlKind::Button, "Select &None", 237, 56, 49, 13},
    {kIdSelectInvert, ControlKind::Button, "Select &Invert", 237, 69, 49, 13},
    {kIdAdjust, ControlKind::Button, "A&djust", 237, 90, 49, 13, kDisabled},
    {kIdPreview, ControlKind::Button, "&Preview", 237, 103, 49, 13, kDisabled},
    {kIdFrameLabel, ControlKind::Label, "&Frame: (of 9999)", 237, 122, 52, 8, kHidden},
    {kIdFrameEdit, ControlKind::Edit, nullptr, 238, 131, 39, 12, kHidden | kNumber},
    {kIdFrameSpin, ControlKind::UpDown, nullptr, 275, 130, 11, 12, kHidden},
    {kIdZoomIn, ControlKind::BitmapButton, nullptr, 238, 146, 14, 12, kHidden},
    {kIdZoomOut, ControlKind::BitmapButton, nullptr, 252, 146, 14, 12, kHidden},
    {kIdConvert, ControlKind::DefaultButton, "&Convert", 237, 169, 49, 13, kDisabled},
    {kNoId, ControlKind::Label, "Q&9 Destination Directory:", 7, 190, 102, 8},
    {kIdDestDir, ControlKind::Edit, nullptr, 7, 201, 222, 13},
    {kIdBrowseDest, ControlKind::Button, "B&rowse", 237, 201, 49, 13},
    {kIdClose, ControlKind::Button, "C&lose", 237, 220, 49, 13},
    {kIdProgressRule, ControlKind::EtchedLine, nullptr, 6, 241, 279, 1},
    {kIdStatusLine, ControlKind::Label, nullptr, 47, 245, 239, 8},
    {kIdConvertingLabel, ControlKind::Label, "Converting:", 6, 254, 41, 8},
    {kIdConvertingPath, ControlKind::Label, nullptr, 47, 254, 239, 8},
    {kIdFileBar, ControlKind::ProgressBar, nullptr, 6, 265, 280, 7},
    {kIdOverallLabel, ControlKind::Label, "Overall:", 6, 274, 50, 8},
    {kIdOverallBar, ControlKind::ProgressBar, nullptr, 6, 282, 280, 7},
    {kIdCancelRun, ControlKind::Button, "Cancel", 6, 295, 49, 13},
};

constexpr int kFrameControls[] = {kIdFrameLabel, kIdFrameEdit, kIdFrameSpin};
constexpr int kZoomButtons[] = {kIdZoomIn, kIdZoomOut};
constexpr int kProgressControls[] = {kIdConvertingLabel, kIdOverallLabel, kIdConvertingPath,
                                     kIdOverallBar, kIdFileBar};
constexpr int kSelectionButtons[] = {kIdSelectAll, kIdSelectInvert, kIdSelectNone};
constexpr int kDirectoryControls[] = {kIdBrowseDest, kIdBrowseSource, kIdSourceDir, kIdDestDir};

}  // namespace

std::span<const gui::ControlRow> ConverterDlgTemplate() {
  return kTemplate;
}

std::span<const int> ControlsOf(ControlGroup group) {
  switch (group) {
    case ControlGroup::FrameControls:
      return kFrameControls;
    case ControlGroup::ZoomButtons:
      return kZoomButtons;
    case ControlGroup::ProgressControls:
      return kProgressControls;
    case ControlGroup::SelectionButtons:
      return kSelectionButtons;
    case ControlGroup::DirectoryControls:
      return kDirectoryControls;
  }
  return {};
}

}  // namespace q9::app
