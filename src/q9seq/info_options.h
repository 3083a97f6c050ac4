#pragma once
// How info prints a sequence.

namespace q9::q9seq {

struct InfoOptions {
  bool json = false;   // one JSON object instead of text
  bool bulbs = false;  // add the bulb data, in hex
};

}  // namespace q9::q9seq
