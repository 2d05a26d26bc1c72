// make_lv2_input_seeds DIR: writes seeds for fuzz_lv2_input: time-port sequences as hosts
// send them (Ardour's full position per block, a position mid-block, a stop, 6/8 counted
// in eighths, a bare frame) and state properties (a whole state, and one of another type).
#include "FuzzLv2Urids.h"

#include "lv2/atom/forge.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {
LV2_URID_Map sMap = {nullptr, FuzzMapUri};

struct Position {
  int64_t offset, frame;
  float speed, bpm, barBeat, beatsPerBar;
  int64_t bar;
  int32_t beatUnit;
  bool musical;
};

std::vector<uint8_t> Sequence(const std::vector<Position>& positions) {
  std::vector<uint8_t> buf(4096);
  LV2_Atom_Forge forge;
  lv2_atom_forge_init(&forge, &sMap);
  lv2_atom_forge_set_buffer(&forge, buf.data(), buf.size());
  LV2_Atom_Forge_Frame seq;
  lv2_atom_forge_sequence_head(&forge, &seq, 0);
  for (const Position& p : positions) {
    lv2_atom_forge_frame_time(&forge, p.offset);
    LV2_Atom_Forge_Frame obj;
    lv2_atom_forge_object(&forge, &obj, 0, FuzzMapUri(nullptr, LV2_TIME__Position));
    lv2_atom_forge_key(&forge, FuzzMapUri(nullptr, LV2_TIME__frame));
    lv2_atom_forge_long(&forge, p.frame);
    lv2_atom_forge_key(&forge, FuzzMapUri(nullptr, LV2_TIME__speed));
    lv2_atom_forge_float(&forge, p.speed);
    if (p.musical) {
      lv2_atom_forge_key(&forge, FuzzMapUri(nullptr, LV2_TIME__bar));
      lv2_atom_forge_long(&forge, p.bar);
      lv2_atom_forge_key(&forge, FuzzMapUri(nullptr, LV2_TIME__barBeat));
      lv2_atom_forge_float(&forge, p.barBeat);
      lv2_atom_forge_key(&forge, FuzzMapUri(nullptr, LV2_TIME__beatUnit));
      lv2_atom_forge_int(&forge, p.beatUnit);
      lv2_atom_forge_key(&forge, FuzzMapUri(nullptr, LV2_TIME__beatsPerBar));
      lv2_atom_forge_float(&forge, p.beatsPerBar);
      lv2_atom_forge_key(&forge, FuzzMapUri(nullptr, LV2_TIME__beatsPerMinute));
      lv2_atom_forge_float(&forge, p.bpm);
    }
    lv2_atom_forge_pop(&forge, &obj);
  }
  lv2_atom_forge_pop(&forge, &seq);
  const LV2_Atom* atom = (const LV2_Atom*)buf.data();
  // The fuzz input is the mode byte (odd: the time port), then the sequence's body.
  std::vector<uint8_t> seed(1, 1);
  seed.insert(seed.end(), buf.begin() + sizeof(LV2_Atom), buf.begin() + sizeof(LV2_Atom) + atom->size);
  return seed;
}

std::vector<uint8_t> State(uint8_t mode) {
  std::vector<uint8_t> seed(1, mode);
  const int32_t version = 10200;
  const double values[23] = {9, 16, 5, 100, 1, 30, 5, 1000, 0, 80, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};
  seed.insert(seed.end(), (const uint8_t*)&version, (const uint8_t*)&version + 4);
  seed.insert(seed.end(), (const uint8_t*)values, (const uint8_t*)values + sizeof(values));
  return seed;
}

bool Write(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}
} // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_lv2_input_seeds DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  const Position rolling = {0, 44100, 1.0f, 120.0f, 2.0f, 4.0f, 0, 4, true};
  Position mid = rolling;
  mid.offset = 40;
  mid.frame = 200000;
  mid.bpm = 97.5f;
  Position stop = mid;
  stop.offset = 50;
  stop.speed = 0.0f;
  const Position sixEight = {0, 1000, 1.0f, 180.0f, 5.5f, 6.0f, 3, 8, true};
  const Position bare = {10, 512, 1.0f, 0.0f, 0.0f, 0.0f, 0, 0, false};
  bool ok = Write(dir + "/rolling", Sequence({rolling})) &&
            Write(dir + "/mid-block", Sequence({rolling, mid, stop})) &&
            Write(dir + "/six-eight", Sequence({sixEight})) && Write(dir + "/bare", Sequence({bare})) &&
            Write(dir + "/state", State(0)) && Write(dir + "/state-other-type", State(2));
  return ok ? 0 : 1;
}
