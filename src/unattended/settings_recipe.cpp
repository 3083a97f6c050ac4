#include "unattended/settings_recipe.h"

#include "adjust/settings_field.h"
#include "convert/source_media.h"

namespace q9::unattended {

platform::Result<> SettingsRecipe::LoadSet(const std::string& name) {
  adjust::SettingsSet set;
  if (!adjust::IsSettingsSetName(name))
    return platform::Failure{"'" + name + "' is not a settings set name"};
  if (!adjust::ReadSettingsSet(name, set))
    return platform::Failure{"no settings set named '" + name + "' is stored"};
  m_set = set;
  return {};
}

void SettingsRecipe::AddEdits(const std::vector<SettingsEdit>& edits) {
  m_edits.insert(m_edits.end(), edits.begin(), edits.end());
}

platform::Result<> SettingsRecipe::Apply(adjust::ImportSettings& s,
                                         const adjust::SettingsTarget& target) const {
  if (m_set) adjust::ApplySettingsSet(s, *m_set, target);
  for (const SettingsEdit& edit : m_edits) {
    if (edit.kind == SettingsEdit::kCaptureFull) {
      // The whole picture, whatever its size; a source opened later keeps it.
      s.SizeMode = adjust::kSizePercent;
      s.Width = s.Height = 100;
      s.XPos = s.YPos = 0;
      s.CaptureInitialized = 1;
      continue;
    }
    std::string reason;
    if (!adjust::SetField(s, edit.field, edit.value, reason))
      return platform::Failure{edit.option + ": " + reason};
  }
  if (target.hasFrame) {
    s.ComputeCaptureRect(target.frameWidth, target.frameHeight);
    if (s.AutoCenter) {
      s.CenterCapture(target.frameWidth, target.frameHeight);
      s.ComputeCaptureRect(target.frameWidth, target.frameHeight);
    }
  }
  return {};
}

void SettingsRecipe::ApplyToSource(convert::SourceMedia& media) const {
  const convert::SourceKind kind = media.Kind();
  const platform::Bitmap& frame = media.DecodedBitmap();
  if ((kind != convert::SourceKind::Video && kind != convert::SourceKind::StillImage) ||
      frame.Width() <= 0 || frame.Height() <= 0)
    return;
  const platform::SignGeometry& sign = media.Geometry();
  // The same edits were accepted before the run.
  static_cast<void>(
      Apply(media, {true, frame.Width(), frame.Height(), int(sign.columns), int(sign.rows)}));
  media.AdjustChanged = 1;
  media.RenderFrame();
}

}  // namespace q9::unattended
