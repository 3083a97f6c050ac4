#include "adjust_dialog/image_command_menus.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>

#include "adjust/image_command.h"
#include "adjust_dialog/color_res_dlg.h"
#include "adjust_dialog/gamma_dlg.h"
#include "adjust_dialog/list_dlg.h"
#include "adjust_dialog/range_dlg.h"
#include "convert/source_media.h"

namespace q9::adjust_dialog {

using namespace adjust;

enum class CommandKind { Toggle, FixedRotation, AnyAngle, Range, List, ColorRes, Gamma };
enum class MenuName { Image, Rotate, Effects, SpatialFilters, Color };

struct MenuCommand {
  int id;
  const char* text;
  CommandKind kind;
  uint32_t bit;
  MenuName menu;
  const char* title = nullptr;
  const char* label = nullptr;
  int minimum = 0;  // a fixed rotation's angle
  int maximum = 0;
  int fourth = 0;
  int divisor = 1;
  const char* choiceLabel = nullptr;
  const char* list = nullptr;
  const char* prompt = nullptr;
};

namespace {

constexpr const char* kChannels = "Master|Red|Green|Blue|";
constexpr const char* kDirections =
    "North|North-East|East|South-East|South|South-West|West|North-West";
constexpr const char* kLaplacians = "Filter 1|Filter 2|Filter 3|Diagonal|Horizontal|Vertical";
constexpr const char* kHorizontalVertical = "Horizontal|Vertical";
constexpr const char* kShiftDifferences = "Diagonal|Horizontal|Vertical";
constexpr const char* kLineSegments = "Horizontal|Vertical|Left to Right|Right to Left";
constexpr const char* kHalftones = "Print|View|";

using M = MenuName;

constexpr MenuCommand Toggle(int id, const char* text, uint32_t bit, MenuName menu,
                             const char* prompt = nullptr) {
  return {id,      text,  CommandKind::Toggle, bit, menu, nullptr, nullptr, 0, 0, 0, 1, nullptr,
          nullptr, prompt};
}
constexpr MenuCommand Rotation(int id, const char* text, uint32_t bit, int angle) {
  return {id, text, CommandKind::FixedRotation, bit, M::Rotate, nullptr, nullptr, angle};
}
constexpr MenuCommand Range(int id, const char* text, uint32_t bit, MenuName menu,
                            const char* title, const char* label, int minimum, int maximum,
                            int fourth = 0, int divisor = 1, const char* choiceLabel = nullptr,
                            const char* list = nullptr, const char* prompt = nullptr) {
  return {id,     text,    CommandKind::Range, bit,  menu,  title, label, minimum, maximum,
          fourth, divisor, choiceLabel,        list, prompt};
}
constexpr MenuCommand AnyAngle(int id, const char* text, uint32_t bit) {
  MenuCommand command = Range(id, text, bit, M::Rotate, "Rotate", "&Angle", -360, 360);
  command.kind = CommandKind::AnyAngle;
  return command;
}
constexpr MenuCommand List(int id, const char* text, uint32_t bit, const char* title,
                           const char* label, const char* list, const char* prompt = nullptr) {
  return {id,   text,  CommandKind::List, bit, M::SpatialFilters, title, label, 0, 0, 0, 1, nullptr,
          list, prompt};
}
constexpr MenuCommand Dialog(int id, const char* text, CommandKind kind, uint32_t bit) {
  return {id, text, kind, bit, M::Color};
}

// In menu order.
constexpr MenuCommand kCommands[] = {
    Toggle(32771, "&Flip", kCmdFlip, M::Image, "Flip image"),
    Toggle(32772, "&Reverse", kCmdReverse, M::Image, "Reverse (mirror) image"),
    Rotation(32776, "&90\u00b0 clockwise", kCmdRotate90, 90),
    Rotation(32816, "&180\u00b0 clockwise", kCmdRotate180, 180),
    Rotation(32817, "&270\u00b0 clockwise", kCmdRotate270, 270),
    AnyAngle(32818, "&Any Angle...", kCmdRotateAny),
    Range(32780, "&Posterize...", kCmdPosterize, M::Effects, "Posterize", "&Levels", 2, 64, 0, 1,
          nullptr, nullptr, "Posterize image"),
    Range(32827, "&Mosaic...", kCmdMosaic, M::Effects, "Mosaic", "&Size", 2, 64),
    Range(32833, "&Average...", kCmdAverage, M::Effects, "Average", "&Size", 3, 11, 2),
    Range(32834, "M&edian...", kCmdMedian, M::Effects, "Median", "&Size", 3, 11, 2),
    Range(32784, "&Sharpen...", kCmdSharpen, M::Effects, "Sharpen", "&Change", -100, 100, 0, 10,
          nullptr, nullptr, "Sharpen or soften image"),
    Range(32835, "Add &Noise...", kCmdAddNoise, M::Effects, "Add Noise", "&Level", -100, 100, 0, 10,
          "&Channel", kChannels),
    Range(32787, "Em&boss...", kCmdEmboss, M::Effects, "Emboss", "&Level", 0, 100, 0, 10,
          "&Direction", kDirections, "Emboss image"),
    Toggle(32837, "Ed&ge Enhance", kCmdEdgeEnhance, M::Effects, "Enhance image edges"),
    List(32838, "&Gradient...", kCmdGradient, "Gradient", "&Filter Type", kDirections,
         "Apply gradient filter to image"),
    List(32791, "&Laplacian...", kCmdLaplacian, "Laplacian", "&Filter Type", kLaplacians,
         "Apply laplacian filter to image"),
    List(32792, "&Sobel...", kCmdSobel, "Sobel", "&Filter Type", kHorizontalVertical,
         "Apply sobel filter to image"),
    List(32839, "&Prewitt...", kCmdPrewitt, "Prewitt", "&FilterType", kHorizontalVertical),
    List(32840, "S&hift and Difference...", kCmdShiftDifference, "Shift and Difference",
         "&Filter Type", kShiftDifferences),
    List(32841, "L&ine Segment...", kCmdLineSegment, "Line Segment", "&Filter Type", kLineSegments),
    Range(32831, "&Halftone...", kCmdHalftone, M::Color, "Halftone", "&Angle", -359, 359, 0, 100,
          "&Type", kHalftones),
    Toggle(32842, "&GrayScale", kCmdGrayScale, M::Color),
    Dialog(32844, "Color &Resolution...", CommandKind::ColorRes, 0),
    Toggle(32845, "&Invert", kCmdInvert, M::Color),
    Toggle(33067, "Histo. &Equalize", kCmdHistoEqualize, M::Color),
    Range(32825, "Histo-Co&ntrast...", kCmdHistoContrast, M::Color, "Histo-Contrast", "&Change",
          -100, 100, 0, 10),
    Toggle(32808, "S&tretch Intensity", kCmdStretchIntensity, M::Color, "Stretch image intensity"),
    Dialog(33069, "G&amma Correct...", CommandKind::Gamma, kCmdGammaCorrect),
    Toggle(33068, "&Dither", kCmdDither, M::Color),
};

CommandParam& ParamOf(convert::SourceMedia& source, uint32_t bit) {
  return source.CommandParams[size_t(CommandIndex(bit))];
}

void SetBit(convert::SourceMedia& source, uint32_t bit, bool on) {
  source.CommandMask = on ? (source.CommandMask | bit) : (source.CommandMask & ~bit);
}

}  // namespace

ImageCommandMenus::ImageCommandMenus(gui::Prompts& prompts, QWidget& dialog, SourceFn source,
                                     RefreshFn refresh)
    : QObject(&dialog),
      m_prompts(prompts),
      m_dialog(dialog),
      m_source(std::move(source)),
      m_refresh(std::move(refresh)) {}

void ImageCommandMenus::AddTo(QMenuBar& bar) {
  QMenu* image = bar.addMenu(QStringLiteral("Image"));
  std::map<MenuName, QMenu*> menus = {
      {MenuName::Image, image},
      {MenuName::Rotate, new QMenu(QStringLiteral("R&otate"), image)},
      {MenuName::Effects, bar.addMenu(QStringLiteral("Effects"))},
      {MenuName::SpatialFilters, bar.addMenu(QStringLiteral("Spatial Filters"))},
      {MenuName::Color, bar.addMenu(QStringLiteral("Color"))}};
  auto* rotations = new QActionGroup(this);
  rotations->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
  for (const MenuCommand& command : kCommands) {
    QMenu* menu = menus[command.menu];
    QAction* action = menu->addAction(QString::fromUtf8(command.text));
    action->setObjectName(QString::number(command.id));
    action->setCheckable(command.kind != CommandKind::ColorRes);
    if (command.kind == CommandKind::FixedRotation) rotations->addAction(action);
    if (command.prompt) {
      action->setStatusTip(QString::fromUtf8(command.prompt));
      action->setToolTip(action->statusTip());
    }
    connect(action, &QAction::triggered, this, [this, &command] { Run(command); });
    m_actions[command.id] = action;
  }
  // The rotations follow the items of "Image".
  image->addMenu(menus[MenuName::Rotate]);
  for (auto& [name, menu] : menus) {
    menu->setToolTipsVisible(true);
    connect(menu, &QMenu::aboutToShow, this, &ImageCommandMenus::UpdateMarks);
  }
}

QAction* ImageCommandMenus::Action(int id) const {
  const auto it = m_actions.find(id);
  return it == m_actions.end() ? nullptr : it->second;
}

void ImageCommandMenus::Run(const MenuCommand& c) {
  switch (c.kind) {
    case CommandKind::Toggle:
      ToggleCommand(c.bit);
      break;
    case CommandKind::FixedRotation:
      RunFixedRotation(c.bit, c.minimum);
      break;
    case CommandKind::AnyAngle:
      if (convert::SourceMedia* source = m_source())
        source->CommandMask &= ~(kCmdRotate90 | kCmdRotate180 | kCmdRotate270);
      [[fallthrough]];
    case CommandKind::Range:
      RunRangeCommand(c.bit, c.title, c.label, c.minimum, c.maximum, c.fourth, c.divisor,
                      c.choiceLabel != nullptr, c.choiceLabel, c.list);
      break;
    case CommandKind::List:
      RunListCommand(c.bit, c.title, c.label, c.list);
      break;
    case CommandKind::ColorRes:
      RunColorResolution();
      break;
    case CommandKind::Gamma:
      RunGammaCorrection();
      break;
  }
  UpdateMarks();
}

void ImageCommandMenus::ToggleCommand(uint32_t bit) {
  convert::SourceMedia* source = m_source();
  if (source == nullptr) return;
  SetBit(*source, bit, !(source->CommandMask & bit));
  m_refresh();
}

void ImageCommandMenus::RunFixedRotation(uint32_t bit, int angle) {
  convert::SourceMedia* source = m_source();
  if (source == nullptr) return;
  source->CommandMask &= ~((kCmdRotate90 | kCmdRotate180 | kCmdRotate270 | kCmdRotateAny) & ~bit);
  ParamOf(*source, bit).Value = angle;
  ToggleCommand(bit);
}

void ImageCommandMenus::RunRangeCommand(uint32_t bit, const char* title, const char* label,
                                        int minimum, int maximum, int fourth, int divisor,
                                        bool showChoice, const char* choiceLabel,
                                        const char* choiceList) {
  convert::SourceMedia* source = m_source();
  if (source == nullptr) return;
  CommandParam& param = ParamOf(*source, bit);
  RangeRequest request;
  request.title = QString::fromUtf8(title);
  request.label = QString::fromUtf8(label);
  request.value = param.Value / divisor;
  request.minimum = minimum;
  request.maximum = maximum;
  request.fourth = fourth;
  request.showChoice = showChoice;
  request.choiceLabel = QString::fromUtf8(choiceLabel ? choiceLabel : "");
  request.choiceList = QString::fromUtf8(choiceList ? choiceList : "");
  request.choice = param.Choice;
  request.enabled = (source->CommandMask & bit) != 0;
  CRangeDlg dialog(request, &m_dialog);
  if (m_prompts.RunModal(dialog) == QDialog::Accepted) {
    SetBit(*source, bit, dialog.Enabled());
    param.Value = dialog.Value() * divisor;
    param.Choice = dialog.Choice();
  }
  m_refresh();
}

void ImageCommandMenus::RunListCommand(uint32_t bit, const char* title, const char* label,
                                       const char* list) {
  convert::SourceMedia* source = m_source();
  if (source == nullptr) return;
  CommandParam& param = ParamOf(*source, bit);
  CListDlg dialog({QString::fromUtf8(title), QString::fromUtf8(label), QString::fromUtf8(list),
                   param.Value, (source->CommandMask & bit) != 0},
                  &m_dialog);
  if (m_prompts.RunModal(dialog) == QDialog::Accepted) {
    SetBit(*source, bit, dialog.Enabled());
    param.Value = dialog.Index();
  }
  m_refresh();
}

void ImageCommandMenus::RunColorResolution() {
  convert::SourceMedia* source = m_source();
  if (source == nullptr) return;
  CommandParam& dither = ParamOf(*source, kCmdDither);
  CColorResDlg dialog({source->ColorResBits, dither.Value, dither.Choice}, &m_dialog);
  if (m_prompts.RunModal(dialog) == QDialog::Accepted) {
    const ColorResValues values = dialog.Values();
    source->ColorResBits = values.bitsPerPixel;
    dither.Value = values.dithering;
    dither.Choice = values.palette;
  }
  m_refresh();
}

void ImageCommandMenus::RunGammaCorrection() {
  convert::SourceMedia* source = m_source();
  if (source == nullptr) return;
  CGammaDlg dialog(source->Gamma, (source->CommandMask & kCmdGammaCorrect) != 0, &m_dialog);
  if (m_prompts.RunModal(dialog) == QDialog::Accepted) {
    SetBit(*source, kCmdGammaCorrect, dialog.Enabled());
    source->Gamma = dialog.Gamma();
  }
  m_refresh();
}

void ImageCommandMenus::UpdateMarks() {
  const convert::SourceMedia* source = m_source();
  if (source == nullptr) return;
  for (const MenuCommand& command : kCommands) {
    QAction* action = m_actions.at(command.id);
    if (command.kind == CommandKind::ColorRes) continue;
    if (command.bit == kCmdEdgeEnhance) {
      const bool deep = source->DecodedBitmap().BitsPerPixel() > 8;
      action->setEnabled(deep);
      if (!deep) continue;
    }
    action->setChecked((source->CommandMask & command.bit) != 0);
  }
}

}  // namespace q9::adjust_dialog
