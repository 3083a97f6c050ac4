#include "adjust_dialog/adjust_dlg.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>

#include "convert/source_media.h"
#include "gui/dialog_builder.h"
#include "gui/up_down.h"

namespace q9::adjust_dialog {
namespace {

using gui::ControlKind;
using gui::ControlRow;
using gui::kNoId;

enum ControlId : int {
  kBrtEdit = 1049,
  kConEdit = 1050,
  kHueEdit = 1051,
  kSatEdit = 1052,
  kRedEdit = 1045,
  kGrnEdit = 1046,
  kBluEdit = 1047,
  kWhtEdit = 1048,
  kBrtSlider = 1000,
  kConSlider = 1003,
  kHueSlider = 1005,
  kSatSlider = 1007,
  kRedSlider = 1037,
  kGrnSlider = 1039,
  kBluSlider = 1041,
  kWhtSlider = 1043,
  kHeightEdit = 1053,
  kWidthEdit = 1054,
  kXPosEdit = 1055,
  kYPosEdit = 1056,
  kHeightSpin = 1012,
  kWidthSpin = 1013,
  kXPosSpin = 1018,
  kYPosSpin = 1019,
  kSizeModeList = 1008,
  kKeepAspectCheck = 1009,
  kDropImageCheck = 1014,
  kConstrainRectCheck = 2805,
  kAutoCenterCheck = 2721,
};

// The number edit and the slider of each slider value, in the dialog's
// slider order.
struct SliderColumn {
  int editId;
  int sliderId;
};
constexpr SliderColumn kColumns[kSliderCount] = {
    {kBrtEdit, kBrtSlider}, {kConEdit, kConSlider}, {kHueEdit, kHueSlider}, {kSatEdit, kSatSlider},
    {kRedEdit, kRedSlider}, {kGrnEdit, kGrnSlider}, {kBluEdit, kBluSlider}, {kWhtEdit, kWhtSlider}};

// Eight sliders, each with its label above and its number below, the colour
// four set apart from the picture four; then the capture rectangle group,
// Size Mode, the four check boxes and OK and Cancel on the right.
constexpr ControlRow kTemplate[] = {
    {kNoId, ControlKind::Label, "&Brt", 7, 4, 22, 8},
    {kBrtEdit, ControlKind::Edit, nullptr, 7, 140, 22, 12, gui::kNumber},
    {kBrtSlider, ControlKind::VerticalSlider, nullptr, 10, 14, 16, 122},
    {kNoId, ControlKind::Label, "Co&n", 31, 4, 22, 8},
    {kConEdit, ControlKind::Edit, nullptr, 31, 140, 22, 12, gui::kNumber},
    {kConSlider, ControlKind::VerticalSlider, nullptr, 34, 14, 16, 122},
    {kNoId, ControlKind::Label, "H&ue", 55, 4, 22, 8},
    {kHueEdit, ControlKind::Edit, nullptr, 55, 140, 22, 12, gui::kNumber},
    {kHueSlider, ControlKind::VerticalSlider, nullptr, 58, 14, 16, 122},
    {kNoId, ControlKind::Label, "&Sat", 79, 4, 22, 8},
    {kSatEdit, ControlKind::Edit, nullptr, 79, 140, 22, 12, gui::kNumber},
    {kSatSlider, ControlKind::VerticalSlider, nullptr, 82, 14, 16, 122},
    {kNoId, ControlKind::Label, "Re&d", 109, 4, 22, 8},
    {kRedEdit, ControlKind::Edit, nullptr, 109, 140, 22, 12, gui::kNumber},
    {kRedSlider, ControlKind::VerticalSlider, nullptr, 112, 14, 16, 122},
    {kNoId, ControlKind::Label, "&Grn", 133, 4, 22, 8},
    {kGrnEdit, ControlKind::Edit, nullptr, 133, 140, 22, 12, gui::kNumber},
    {kGrnSlider, ControlKind::VerticalSlider, nullptr, 136, 14, 16, 122},
    {kNoId, ControlKind::Label, "B&lu", 157, 4, 22, 8},
    {kBluEdit, ControlKind::Edit, nullptr, 157, 140, 22, 12, gui::kNumber},
    {kBluSlider, ControlKind::VerticalSlider, nullptr, 160, 14, 16, 122},
    {kNoId, ControlKind::Label, "Wh&t", 181, 4, 22, 8},
    {kWhtEdit, ControlKind::Edit, nullptr, 181, 140, 22, 12, gui::kNumber},
    {kWhtSlider, ControlKind::VerticalSlider, nullptr, 184, 14, 16, 122},
    {kNoId, ControlKind::GroupBox, "Capture Rectangle", 204, 2, 104, 72},
    {kNoId, ControlKind::Label, "H&eight", 210, 16, 34, 8},
    {kHeightEdit, ControlKind::Edit, nullptr, 246, 14, 40, 12, gui::kNumber},
    {kHeightSpin, ControlKind::UpDown, nullptr, 286, 14, 10, 12},
    {kNoId, ControlKind::Label, "&Width", 210, 30, 34, 8},
    {kWidthEdit, ControlKind::Edit, nullptr, 246, 28, 40, 12, gui::kNumber},
    {kWidthSpin, ControlKind::UpDown, nullptr, 286, 28, 10, 12},
    {kNoId, ControlKind::Label, "&X Pos", 210, 44, 34, 8},
    {kXPosEdit, ControlKind::Edit, nullptr, 246, 42, 40, 12, gui::kNumber | gui::kSigned},
    {kXPosSpin, ControlKind::UpDown, nullptr, 286, 42, 10, 12},
    {kNoId, ControlKind::Label, "&Y Pos", 210, 58, 34, 8},
    {kYPosEdit, ControlKind::Edit, nullptr, 246, 56, 40, 12, gui::kNumber | gui::kSigned},
    {kYPosSpin, ControlKind::UpDown, nullptr, 286, 56, 10, 12},
    {kNoId, ControlKind::Label, "Si&ze Mode", 204, 81, 40, 8},
    {kSizeModeList, ControlKind::DropDownList, nullptr, 246, 79, 62, 40},
    {kKeepAspectCheck, ControlKind::CheckBox, "&Keep Aspect", 204, 96, 104, 10},
    {kDropImageCheck, ControlKind::CheckBox, "Drop &Image", 204, 107, 104, 10},
    {kConstrainRectCheck, ControlKind::CheckBox, "&Constrain Rect", 204, 118, 104, 10},
    {kAutoCenterCheck, ControlKind::CheckBox, "Auto Center", 204, 129, 104, 10},
    {1, ControlKind::DefaultButton, "OK", 204, 140, 50, 14},
    {2, ControlKind::Button, "Cancel", 258, 140, 50, 14},
};

constexpr int kTemplateWidth = 314;
constexpr int kTemplateHeight = 160;

const QString kTitle = QStringLiteral("Adjust");

// The number in an edit; the value it had when the text is none.
void ReadNumber(const QLineEdit* edit, int32_t& value) {
  bool ok = false;
  const int number = edit->text().toInt(&ok);
  if (ok) value = number;
}

void ShowNumber(QLineEdit* edit, int32_t value) {
  edit->setText(QString::number(value));
}

}  // namespace

CAdjustDlg::CAdjustDlg(AdjustOwner& owner, gui::Prompts& prompts, QWidget* parent)
    : QDialog(parent), m_owner(owner), m_prompts(prompts) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(kTitle);
  auto* body = new QWidget(this);
  gui::DialogBuilder::Build(*body, kTemplate, kTemplateWidth, kTemplateHeight);
  m_menuBar = new QMenuBar(this);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->setMenuBar(m_menuBar);
  layout->addWidget(body);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  FindControls();
  ConnectControls();
  BuildMenus();
  // Sliders 0 to 128 with 128 at the top: a trackbar's position counted
  // from the top is 128 - value, so the slider holds the value itself.
  for (QSlider* slider : m_sliders) {
    slider->setRange(adjust::kSliderMin, adjust::kSliderMax);
    slider->setPageStep(8);
  }
  SetSliderPositions();
  CreateSourceWindow();
}

CAdjustDlg::~CAdjustDlg() = default;

void CAdjustDlg::FindControls() {
  for (int i = 0; i < kSliderCount; ++i) {
    m_sliderEdits[size_t(i)] = gui::FindControl<QLineEdit>(*this, kColumns[i].editId);
    m_sliders[size_t(i)] = gui::FindControl<QSlider>(*this, kColumns[i].sliderId);
    // A slider is named after the label of its number.
    m_sliders[size_t(i)]->setAccessibleName(m_sliderEdits[size_t(i)]->accessibleName());
  }
  m_heightEdit = gui::FindControl<QLineEdit>(*this, kHeightEdit);
  m_widthEdit = gui::FindControl<QLineEdit>(*this, kWidthEdit);
  m_xPosEdit = gui::FindControl<QLineEdit>(*this, kXPosEdit);
  m_yPosEdit = gui::FindControl<QLineEdit>(*this, kYPosEdit);
  m_heightSpin = gui::FindControl<gui::UpDown>(*this, kHeightSpin);
  m_widthSpin = gui::FindControl<gui::UpDown>(*this, kWidthSpin);
  m_xPosSpin = gui::FindControl<gui::UpDown>(*this, kXPosSpin);
  m_yPosSpin = gui::FindControl<gui::UpDown>(*this, kYPosSpin);
  // A spin is named after the label of its number, as its number is.
  for (gui::UpDown* spin : {m_heightSpin, m_widthSpin, m_xPosSpin, m_yPosSpin})
    spin->setAccessibleName(spin->Buddy()->accessibleName());
  m_sizeMode = gui::FindControl<QComboBox>(*this, kSizeModeList);
  m_sizeMode->addItems({QStringLiteral("Percent"), QStringLiteral("Pixels")});
  m_keepAspect = gui::FindControl<QCheckBox>(*this, kKeepAspectCheck);
  m_dropImage = gui::FindControl<QCheckBox>(*this, kDropImageCheck);
  m_constrainRect = gui::FindControl<QCheckBox>(*this, kConstrainRectCheck);
  m_autoCenter = gui::FindControl<QCheckBox>(*this, kAutoCenterCheck);
}

void CAdjustDlg::ConnectControls() {
  for (int i = 0; i < kSliderCount; ++i) {
    connect(m_sliders[size_t(i)], &QSlider::valueChanged, this,
            [this, i](int value) { OnSliderScrolled(i, adjust::kSliderMax - value); });
    m_sliderEdits[size_t(i)]->installEventFilter(this);
  }
  for (QLineEdit* edit : {m_heightEdit, m_widthEdit, m_xPosEdit, m_yPosEdit})
    edit->installEventFilter(this);
  connect(m_heightSpin, &gui::UpDown::Scrolled, this, [this] { OnSizeSpin(true); });
  connect(m_widthSpin, &gui::UpDown::Scrolled, this, [this] { OnSizeSpin(false); });
  connect(m_xPosSpin, &gui::UpDown::Scrolled, this, &CAdjustDlg::OnPositionSpin);
  connect(m_yPosSpin, &gui::UpDown::Scrolled, this, &CAdjustDlg::OnPositionSpin);
  connect(m_sizeMode, &QComboBox::currentIndexChanged, this, &CAdjustDlg::OnSizeMode);
  connect(m_keepAspect, &QCheckBox::clicked, this, &CAdjustDlg::OnKeepAspect);
  connect(m_dropImage, &QCheckBox::clicked, this, &CAdjustDlg::OnDropImage);
  connect(m_constrainRect, &QCheckBox::clicked, this, &CAdjustDlg::OnConstrainRect);
  connect(m_autoCenter, &QCheckBox::clicked, this, &CAdjustDlg::OnAutoCenter);
  connect(gui::FindControl<QPushButton>(*this, 1), &QPushButton::clicked, this,
          &CAdjustDlg::accept);
  connect(gui::FindControl<QPushButton>(*this, 2), &QPushButton::clicked, this,
          &CAdjustDlg::reject);
}

bool CAdjustDlg::eventFilter(QObject* watched, QEvent* event) {
  // An edit's value counts when the focus leaves it; opening a menu moves
  // no focus, and the focus that leaves with a closing dialog has been
  // dealt with by OK or Cancel.
  if (event->type() == QEvent::FocusOut && !m_ending &&
      static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
    for (int i = 0; i < kSliderCount; ++i)
      if (watched == m_sliderEdits[size_t(i)]) OnSliderEditLeft(i);
    for (QLineEdit* edit : {m_heightEdit, m_widthEdit, m_xPosEdit, m_yPosEdit})
      if (watched == edit) OnCaptureEditLeft(edit);
  }
  return QDialog::eventFilter(watched, event);
}

// ---- Value exchange ------------------------------------------------------------

void CAdjustDlg::ReadControls() {
  for (int i = 0; i < kSliderCount; ++i)
    ReadNumber(m_sliderEdits[size_t(i)], m_values.sliders[size_t(i)]);
  m_values.autoCenter = m_autoCenter->isChecked();
  m_values.dropImage = m_dropImage->isChecked();
  m_values.keepAspect = m_keepAspect->isChecked();
  m_values.sizeMode = m_sizeMode->currentIndex();
  m_values.constrainRect = m_constrainRect->isChecked();
  ReadNumber(m_heightEdit, m_values.height);
  ReadNumber(m_widthEdit, m_values.width);
  ReadNumber(m_xPosEdit, m_values.xPos);
  ReadNumber(m_yPosEdit, m_values.yPos);
}

void CAdjustDlg::PushValues() {
  if (m_source) m_values.StoreInto(*m_source);
  for (int i = 0; i < kSliderCount; ++i)
    ShowNumber(m_sliderEdits[size_t(i)], m_values.sliders[size_t(i)]);
  m_autoCenter->setChecked(m_values.autoCenter != 0);
  m_dropImage->setChecked(m_values.dropImage != 0);
  m_keepAspect->setChecked(m_values.keepAspect != 0);
  {
    const QSignalBlocker quiet(m_sizeMode);
    m_sizeMode->setCurrentIndex(m_values.sizeMode);
  }
  m_constrainRect->setChecked(m_values.constrainRect != 0);
  ShowNumber(m_heightEdit, m_values.height);
  ShowNumber(m_widthEdit, m_values.width);
  ShowNumber(m_xPosEdit, m_values.xPos);
  ShowNumber(m_yPosEdit, m_values.yPos);
}

void CAdjustDlg::SetSliderPositions() {
  for (int i = 0; i < kSliderCount; ++i) {
    const QSignalBlocker quiet(m_sliders[size_t(i)]);
    m_sliders[size_t(i)]->setValue(m_values.sliders[size_t(i)]);
  }
}

bool CAdjustDlg::HasFrame() const {
  return m_source && m_source->WorkingBitmap().HasData();
}

preview::CaptureGeometry CAdjustDlg::Geometry() const {
  return preview::CaptureGeometry::Of(*m_source);
}

void CAdjustDlg::ReloadValues() {
  if (m_source == nullptr) return;
  m_values.LoadFrom(*m_source);
  EnablePositionEdits(!m_values.autoCenter);
  if (m_values.autoCenter && HasFrame()) {
    const preview::CaptureGeometry g = Geometry();
    m_source->CenterCapture(g.frameWidth, g.frameHeight);
    TakePosition();
  }
}

void CAdjustDlg::TakePosition() {
  m_values.xPos = m_source->XPos;
  m_values.yPos = m_source->YPos;
}

void CAdjustDlg::SetCaptureSpinRanges() {
  const preview::CaptureGeometry g = Geometry();
  m_heightSpin->SetRange(1, 2 * g.frameHeight);
  m_widthSpin->SetRange(1, 2 * g.frameWidth);
}

void CAdjustDlg::EnablePositionEdits(bool on) {
  for (QWidget* control :
       std::initializer_list<QWidget*>{m_xPosEdit, m_yPosEdit, m_xPosSpin, m_yPosSpin})
    control->setEnabled(on);
}

void CAdjustDlg::Refresh(bool repaintSource) {
  m_owner.RefreshPreview();
  if (repaintSource) RepaintSourceWindow();
}

// ---- Attaching a source --------------------------------------------------------------

void CAdjustDlg::AttachSource(convert::SourceMedia* media) {
  m_source = media;
  if (m_source == nullptr) return;
  m_cancelCopy = *m_source;
  std::string path;
  m_source->GetSourcePath(path);
  const QString filePath = QString::fromStdString(path);
  const QString fileName = filePath.section(u'/', -1);
  if (m_sourceWnd) m_sourceWnd->SetSource(filePath, m_source);
  setWindowTitle(kTitle + QStringLiteral(" : ") + fileName);
  PlaceSourceWindow();

  ReloadValues();
  SetSliderPositions();
  m_source->CaptureInitialized = 1;
  const preview::CaptureGeometry g = Geometry();
  SetCaptureSpinRanges();
  m_xPosSpin->SetRange(-(g.frameWidth - 1), g.frameWidth - 1);
  m_yPosSpin->SetRange(-(g.frameHeight - 1), g.frameHeight - 1);

  m_stillName.clear();
  if (m_source->Kind() == convert::SourceKind::StillImage) {
    const qsizetype dot = fileName.lastIndexOf(u'.');
    m_stillName = (dot < 0 ? fileName : fileName.left(dot)) + QStringLiteral(".sq9");
  }
  LoadBaseSettings();
  m_owner.SetStillImagesOptions(m_stillSingle, m_stillName.toUtf8().constData());
  PushValues();
}

// ---- Handlers of the controls ------------------------------------------------------

void CAdjustDlg::OnSliderScrolled(int index, int position) {
  m_values.sliders[size_t(index)] = adjust::kSliderMax - position;
  if (m_source == nullptr) {
    PushValues();
    return;
  }
  if (IsCostlySlider(index)) m_source->AdjustChanged = 1;
  PushValues();
  Refresh(true);
}

void CAdjustDlg::OnSliderEditLeft(int index) {
  ReadControls();
  SetSliderPositions();
  PushValues();
  if (m_source == nullptr) return;
  if (IsCostlySlider(index)) {
    m_source->AdjustChanged = 1;
    RepaintSourceWindow();
  }
  m_owner.RefreshPreview();
}

void CAdjustDlg::OnCaptureEditLeft(QLineEdit* edit) {
  if (!HasFrame()) return;
  const int32_t height = m_values.height, width = m_values.width;
  ReadControls();
  const preview::CaptureGeometry g = Geometry();
  if (m_values.keepAspect) {
    if (edit == m_heightEdit && m_values.height != height)
      m_values.width = g.WidthFollowing(m_values.height, m_values.sizeMode);
    if (edit == m_widthEdit && m_values.width != width)
      m_values.height = g.HeightFollowing(m_values.width, m_values.sizeMode);
  }
  if (m_values.xPos > g.frameWidth) m_values.xPos = g.frameWidth - 1;
  if (m_values.yPos > g.frameHeight) m_values.yPos = g.frameHeight - 1;
  m_values.StoreInto(*m_source);
  if (m_values.autoCenter) {
    m_source->CenterCapture(g.frameWidth, g.frameHeight);
    TakePosition();
  }
  PushValues();
  Refresh(true);
}

void CAdjustDlg::OnSizeSpin(bool heightSpin) {
  if (!HasFrame()) return;
  ReadControls();
  const preview::CaptureGeometry g = Geometry();
  if (m_values.keepAspect) {
    if (heightSpin) {
      m_values.width = g.WidthFollowing(m_values.height, m_values.sizeMode);
    } else {
      m_values.height = g.HeightFollowing(m_values.width, m_values.sizeMode);
    }
  }
  m_values.StoreInto(*m_source);
  if (m_values.autoCenter) m_source->CenterCapture(g.frameWidth, g.frameHeight);
  TakePosition();
  PushValues();
  Refresh(true);
}

void CAdjustDlg::OnPositionSpin() {
  if (m_source == nullptr) return;
  ReadControls();
  PushValues();
  Refresh(true);
}

void CAdjustDlg::OnKeepAspect() {
  if (!HasFrame()) return;
  ReadControls();
  const preview::CaptureGeometry g = Geometry();
  if (m_values.keepAspect) {
    adjust::Rect& r = m_source->CaptureRect;
    r.right = r.left + g.signWidth;
    r.bottom = r.top + g.signHeight;
    m_values.sizeMode = adjust::kSizePixels;
    m_values.height = g.signHeight;
    m_values.width = g.signWidth;
    SetCaptureSpinRanges();
  }
  m_values.StoreInto(*m_source);
  if (m_values.autoCenter) m_source->CenterCapture(g.frameWidth, g.frameHeight);
  TakePosition();
  PushValues();
  Refresh(true);
}

void CAdjustDlg::OnAutoCenter() {
  m_values.autoCenter = m_autoCenter->isChecked();
  EnablePositionEdits(!m_values.autoCenter);
  if (m_source == nullptr) return;
  m_source->AutoCenter = m_values.autoCenter;
  if (!m_values.autoCenter || !HasFrame()) return;
  const preview::CaptureGeometry g = Geometry();
  m_source->CenterCapture(g.frameWidth, g.frameHeight);
  TakePosition();
  PushValues();
  Refresh(true);
}

void CAdjustDlg::OnDropImage() {
  ReadControls();
  PushValues();
  if (m_source) Refresh(false);
}

void CAdjustDlg::OnConstrainRect() {
  ReadControls();
  PushValues();
  if (m_source) Refresh(true);
}

void CAdjustDlg::OnSizeMode() {
  if (!HasFrame()) return;
  ReadControls();
  const preview::CaptureGeometry g = Geometry();
  if (m_values.sizeMode == adjust::kSizePercent) {
    m_values.width = preview::CaptureGeometry::PercentOfPixels(m_values.width, g.frameWidth);
    m_values.height = preview::CaptureGeometry::PercentOfPixels(m_values.height, g.frameHeight);
    m_heightSpin->SetRange(1, 200);
    m_widthSpin->SetRange(1, 200);
  } else {
    m_values.width = m_source->CaptureRect.Width();
    m_values.height = m_source->CaptureRect.Height();
    SetCaptureSpinRanges();
  }
  PushValues();
}

void CAdjustDlg::OnReset() {
  if (m_source == nullptr) return;
  const preview::CaptureGeometry g = Geometry();
  m_source->ResetSettings(g.signWidth, g.signHeight, g.frameWidth, g.frameHeight);
  m_values.LoadFrom(*m_source);
  SetSliderPositions();
  SetCaptureSpinRanges();
  EnablePositionEdits(true);
  PushValues();
  Refresh(true);
}

// ---- The source window's messages ------------------------------------------------

void CAdjustDlg::AdjMsgSetHeightRange(int low, int high) {
  m_heightSpin->SetRange(low, high);
}

void CAdjustDlg::AdjMsgSetWidthRange(int low, int high) {
  m_widthSpin->SetRange(low, high);
}

void CAdjustDlg::AdjMsgSyncControls() {
  ReadControls();
  PushValues();
}

void CAdjustDlg::AdjMsgRefresh(bool push) {
  if (push) PushValues();
  Refresh(true);
}

void CAdjustDlg::AdjMsgReloadValues() {
  ReloadValues();
  PushValues();
}

// ---- Closing ---------------------------------------------------------------------

void CAdjustDlg::accept() {
  m_ending = true;
  ReadControls();
  PushValues();
  SaveBaseSettings();
  CloseDialog();
}

void CAdjustDlg::CloseWithOk() {
  accept();
}

void CAdjustDlg::reject() {
  m_ending = true;
  if (m_source) {
    convert::SourceMedia& s = *m_source;
    const adjust::ImportSettings& copy = m_cancelCopy;
    // The capture fields from CaptureRect to SizeMode.
    s.CaptureRect = copy.CaptureRect;
    s.SignAspect = copy.SignAspect;
    s.DropImage = copy.DropImage;
    s.ConstrainRect = copy.ConstrainRect;
    s.KeepAspect = copy.KeepAspect;
    s.AutoCenter = copy.AutoCenter;
    s.XPos = copy.XPos;
    s.YPos = copy.YPos;
    s.Width = copy.Width;
    s.Height = copy.Height;
    s.SizeMode = copy.SizeMode;
    // The adjustments from Red to CommandParams, and the audio fields.
    for (auto field : kSliderFields) s.*field = copy.*field;
    s.ColorResBits = copy.ColorResBits;
    s.Gamma = copy.Gamma;
    s.CommandMask = copy.CommandMask;
    s.CommandParams = copy.CommandParams;
    s.WavPath = copy.WavPath;
    s.AddTxdFlag = copy.AddTxdFlag;
    s.SaveAudioFlag = copy.SaveAudioFlag;
    // The costly adjustments may have been put back: the next render
    // applies them anew.
    s.AdjustChanged = 1;
  }
  CloseDialog();
}

void CAdjustDlg::CloseDialog() {
  close();
}

void CAdjustDlg::closeEvent(QCloseEvent* event) {
  m_ending = true;
  if (!m_closing) {
    m_closing = true;
    m_owner.OnAdjustDialogClosing();
  }
  event->accept();
}

}  // namespace q9::adjust_dialog
