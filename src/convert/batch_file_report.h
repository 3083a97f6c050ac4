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
};

}  // namespace q9::convert
