// exp and exp2 rounded correctly: checked against values computed to 70 digits and
// rounded once. The first rows are crossover coefficients exp(-2 pi f / rate) that C
// libraries get wrong by an ulp (each library at other frequencies).
#include "ExactExp.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

TEST(ExactExp, CorrectlyRounded) {
  const struct {
    double x, expected;
  } cases[] = {
      {-0x1.2e9638f077c0dp-2, 0x1.7d02f51fe3f6fp-1}, // 2074 Hz at 44100
      {-0x1.40c0325bf8a58p+0, 0x1.24859333ab808p-2}, // 8794 Hz at 44100
      {-0x1.4f6074002866fp+0, 0x1.144713559dc8ep-2}, // 9195 Hz at 44100
      {-0x1.0f5d7eda1fdb1p+1, 0x1.eba127bfc8b87p-4}, // 14880 Hz at 44100
      {-0x1.23ca61dcc76a2p-3, 0x1.bc02c05581431p-1}, // 1000 Hz at 44100
      {-0x1.178b08ce214f0p-1, 0x1.289660e790695p-1}, // 4171 Hz at 48000
      {-0x1.865406a5ed92bp+0, 0x1.bdd01a0c8f8bfp-3}, // 11648 Hz at 48000
      {-0x1.3bcd201aa46e9p+1, 0x1.5b6e9266349a2p-4}, // 18848 Hz at 48000
      {-0x1.03a35222f1750p-3, 0x1.c309582eb2a88p-1}, // 1937 Hz at 96000
      {0x1.581fef5567df4p+7, 0x1.2cfb5197662f1p+248},
      {0x1.9d455fb7d404cp+8, 0x1.2b007689e8ef3p+596},
      {0x1.27a0a3afe0e48p+9, 0x1.001d84b73a5d5p+853},
      {-0x1.49b24359f833dp+9, 0x1.9f2388bc65396p-952},
      {-0x1.8106b9b1a8740p+5, 0x1.7adf04a9e7a2bp-70},
      {0.0, 1.0},
      {1.0, 0x1.5bf0a8b145769p+1},
      {-1.0, 0x1.78b56362cef38p-2},
      {-0x1.b7cdfd9d7bdbbp-34, 0x1.ffffffff24190p-1},
      {0x1.62e3d70a3d70ap+9, 0x1.fe9ce5c4c52b4p+1023},
      {-0x1.6200000000000p+9, 0x1.7c8ab2288c9abp-1022},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ExactExp(c.x), c.expected) << std::hexfloat << c.x;

  EXPECT_TRUE(std::isnan(ExactExp(std::numeric_limits<double>::quiet_NaN())));
  EXPECT_EQ(ExactExp(800.0), std::numeric_limits<double>::infinity());
  EXPECT_EQ(ExactExp(-1000.0), 0.0);
}

TEST(ExactExp2, CorrectlyRounded) {
  const struct {
    double x, expected;
  } cases[] = {
      {0x1.d8df9c64a7cd8p+9, 0x1.ada1fd78ec491p+945},
      {0x1.35e914885bb25p-1, 0x1.85732bbc06d9bp+0},
      {-0x1.398d6cc4e5638p+7, 0x1.2af4370374b89p-157},
      {-0x1.0da4bb8882473p-1, 0x1.6369b9224fcf2p-1},
      {0x1.cd1b897a15f69p-2, 0x1.5dc7745f2dbcap+0},
      {-0x1.987782d6e8b6p+5, 0x1.ebb41c29310e3p-52},
      {0.0, 1.0},
      {-3.0, 0.125},
      {10.0, 1024.0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ExactExp2(c.x), c.expected) << std::hexfloat << c.x;
}

} // namespace
