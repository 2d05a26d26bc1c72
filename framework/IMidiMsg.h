#pragma once
// Incoming and outgoing MIDI as the plug-in base passes it around.

struct IMidiMsg {
  int mOffset = 0;
  unsigned char mStatus = 0, mData1 = 0, mData2 = 0;
};

struct ISysEx {
  int mOffset = 0;
  int mSize = 0;
  const unsigned char* mData = nullptr;
};
