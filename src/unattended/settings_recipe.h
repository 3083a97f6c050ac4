#pragma once
// The import settings an unattended run asks for: a named settings set and
// the edits of the command line, in order. They are applied once before the
// run, which checks them, and again to every source after it opens, so that
// the positions of a set are checked against that source's picture and the
// capture options win over the default capture a new source gets.

#include <optional>
#include <string>
#include <vector>

#include "adjust/import_settings.h"
#include "adjust/settings_persistence.h"
#include "platform/base/result.h"
#include "unattended/convert_args.h"

namespace q9::convert {
class SourceMedia;
}

namespace q9::unattended {

class SettingsRecipe {
 public:
  // Reads the named set from the settings store. Fails when there is no
  // such set.
  platform::Result<> LoadSet(const std::string& name);
  void AddEdits(const std::vector<SettingsEdit>& edits);
  bool Empty() const { return !m_set && m_edits.empty(); }

  // The set, then the edits in order, then, with a frame and AutoCenter on,
  // the centring the Adjust dialog does after every size change. Fails,
  // with the record partly changed and a reason naming the option, when an
  // edit is refused.
  platform::Result<> Apply(adjust::ImportSettings& settings,
                           const adjust::SettingsTarget& target) const;
  // Applies the settings that depend on the picture to a video or still
  // image that has just opened, and renders its first frame again with them.
  void ApplyToSource(convert::SourceMedia& media) const;

 private:
  std::optional<adjust::SettingsSet> m_set;
  std::vector<SettingsEdit> m_edits;
};

}  // namespace q9::unattended
