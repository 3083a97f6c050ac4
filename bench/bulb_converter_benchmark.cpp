// The bulb converter runs once per video frame on sign-sized pictures; the
// bulb format conversion once per old-sequence graphics frame.
#include <benchmark/benchmark.h>

#include <vector>

#include "imaging/convert_bulb_data.h"
#include "platform/signlib/bulb_converter.h"
#include "platform/signlib/packed_dib.h"
#include "platform/signlib/sign_types.h"

namespace {

using namespace q9::platform;

constexpr unsigned kRows = 64;
constexpr unsigned kColumns = 192;

struct Frame {
  std::vector<uint8_t> header = std::vector<uint8_t>(kDibHeaderBlockSize, 0);
  std::vector<uint8_t> bits;
};

// A picture with every channel changing, drawn from a full RGB16M frame.
Frame MakeFrame() {
  std::vector<uint8_t> bulbs(BulbDataSize(kRows, kColumns, Q9_RGB16M));
  for (size_t i = 0; i < bulbs.size(); ++i) bulbs[i] = uint8_t(i * 7 + i / 97);
  Frame frame;
  uint32_t size = 0;
  CalcBulbDIBSize(kRows, kColumns, Q9_RGB16M, &size);
  frame.bits.resize(size);
  Bulb2DIB(bulbs.data(), uint32_t(bulbs.size()), kRows, kColumns, Q9_RGB16M, frame.header.data(),
           frame.bits.data(), size, 0);
  return frame;
}

void BM_ConvDIB2BulbEnh(benchmark::State& state) {
  const uint32_t type = uint32_t(state.range(0));
  const Frame frame = MakeFrame();
  std::vector<uint8_t> bulbs(BulbDataSize(kRows, kColumns, type));
  for (auto _ : state) {
    ConvDIB2BulbEnh(frame.header.data(), frame.bits.data(), uint32_t(frame.bits.size()), 0, 0,
                    bulbs.data(), uint32_t(bulbs.size()), kRows, kColumns, type, 3, -2, 0, 5);
    benchmark::DoNotOptimize(bulbs.data());
  }
  state.SetLabel(std::string(ColorTypeName(type)));
}
BENCHMARK(BM_ConvDIB2BulbEnh)->Arg(Q9_MONO16)->Arg(Q9_QUAD64K)->Arg(Q9_RGB16M)->Arg(Q9_RGB16MB);

void BM_Bulb2DIB(benchmark::State& state) {
  const uint32_t type = uint32_t(state.range(0));
  std::vector<uint8_t> bulbs(BulbDataSize(kRows, kColumns, type), 0x5A);
  std::vector<uint8_t> header(kDibHeaderBlockSize);
  uint32_t size = 0;
  CalcBulbDIBSize(kRows, kColumns, type, &size);
  std::vector<uint8_t> bits(size);
  for (auto _ : state) {
    Bulb2DIB(bulbs.data(), uint32_t(bulbs.size()), kRows, kColumns, type, header.data(),
             bits.data(), size, 0);
    benchmark::DoNotOptimize(bits.data());
  }
  state.SetLabel(std::string(ColorTypeName(type)));
}
BENCHMARK(BM_Bulb2DIB)->Arg(Q9_MONO16)->Arg(Q9_RGB16M)->Arg(Q9_RGB16MB);

// An old frame half the sign's size in another colour type: picture route and
// scaling together.
void BM_ConvertBulbData(benchmark::State& state) {
  const std::vector<uint8_t> source(BulbDataSize(kRows / 2, kColumns / 2, Q9_TRI256), 0x3C);
  std::vector<uint8_t> result(BulbDataSize(kRows, kColumns, Q9_RGB4K));
  for (auto _ : state) {
    q9::imaging::ConvertBulbData(kColumns / 2, kRows / 2, {0, 0, kColumns / 2, kRows / 2},
                                 source.data(), Q9_TRI256, kColumns, kRows, {0, 0, kColumns, kRows},
                                 result.data(), Q9_RGB4K, false);
    benchmark::DoNotOptimize(result.data());
  }
}
BENCHMARK(BM_ConvertBulbData);

}  // namespace

BENCHMARK_MAIN();
