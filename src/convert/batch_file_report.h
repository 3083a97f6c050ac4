#pragma once
// What became of one file of a batch run, told to the host as soon as the
// run is done with it.

#include <string>

namespace q9::convert {

struct BatchFileReport {
  enum Status { kConverted, kSkipped, kFailed, kUnknown, kCancelled };
  std::string name;         // as marked, without directory
  std::string destination;  // the sequence it went, or would have gone, into
  Status status = kConverted;
  unsigned frames = 0;  // frames added to the destination
  // The destination is the shared sequence of the run's still images, which
  // every still adds to.
  bool sharedSequence = false;
};

}  // namespace q9::convert
