#pragma once
// What kind of file a source is, decided by its extension (see
// SourceMedia::KindOfPath); the values are the ones the program has always
// stored.

namespace q9::convert {

enum class SourceKind : int {
  Video = 0,
  OldSequence = 1,
  StillImage = 2,
  Unknown = 3,
};

}  // namespace q9::convert
