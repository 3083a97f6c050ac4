#include "app/about_dlg.h"

#include <QLabel>
#include <QPushButton>

#include "app/app_icons.h"
#include "convert/conversion_host.h"
#include "gui/dialog_builder.h"
#include "platform/imaging/imaging_library.h"
#include "platform/video/video_file.h"
#include "program/program_messages.h"

namespace q9::app {
namespace {

using gui::ControlKind;

constexpr gui::ControlRow kTemplate[] = {
    {kIdAboutIcon, ControlKind::Icon, nullptr, 7, 7, 21, 20},
    {kIdAboutName, ControlKind::Label, nullptr, 38, 7, 200, 20},
    {kIdAboutLibraries, ControlKind::Label, nullptr, 38, 32, 200, 40},
    {kIdAboutOk, ControlKind::DefaultButton, "OK", 188, 78, 50, 14},
};

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  const QString name = QString::fromLatin1(convert::kAppTitle);
  setWindowTitle(QStringLiteral("About ") + name);
  gui::DialogBuilder::Build(*this, kTemplate, 245, 99);

  auto* icon = gui::FindControl<QLabel>(*this, kIdAboutIcon);
  const int side = std::min(icon->width(), icon->height());
  icon->setPixmap(AppIcon().pixmap(side, side));
  auto* title = gui::FindControl<QLabel>(*this, kIdAboutName);
  title->setText(name + QStringLiteral("\nVersion ") + QString::fromUtf8(program::Version()));
  auto* libraries = gui::FindControl<QLabel>(*this, kIdAboutLibraries);
  libraries->setText(QStringLiteral("Qt ") + QString::fromLatin1(qVersion()) + u'\n' +
                     QString::fromStdString(platform::VideoLibraryVersion()) + u'\n' +
                     QString::fromStdString(platform::ImagingLibraryVersion()));
  for (QLabel* label : {title, libraries}) {
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  }
  connect(gui::FindControl<QPushButton>(*this, kIdAboutOk), &QPushButton::clicked, this,
          &QDialog::accept);
}

}  // namespace q9::app
