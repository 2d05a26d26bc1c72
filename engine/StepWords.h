#pragma once
// The step pattern travels in thirteen integer parameters: the 128 step entries
// are cut into groups of ten (eight for the last), each written as a base-5 number
// whose most significant digit is the group's first entry.
#include <cstdint>

constexpr int kNumStepWords = 13;

// First entry and entry count of word w (0..12).
inline int StepWordFirstEntry(int w) { return 10 * w; }
inline int StepWordEntryCount(int w) { return w < 12 ? 10 : 8; }
// Largest value of word w: 5^10 - 1 or 5^8 - 1.
inline int StepWordMax(int w) { return w < 12 ? 9765624 : 390624; }

// Packs word w from the entries (each 0..4).
int PackStepWord(const uint16_t* steps, int w);
// Unpacks word w into the entries; values outside 0..max are clamped first.
void UnpackStepWord(int w, int value, uint16_t* steps);
// Sets the leading steps from two digit strings (times, volumes), one digit 0-4 per
// step from step 1 on, spaces skipped; steps beyond a string keep their values.
// Answers false, changing nothing, for a digit outside 0-4, another character, or
// more than 64 digits.
bool StepsFromDigits(const char* times, const char* volumes, uint16_t* steps);
