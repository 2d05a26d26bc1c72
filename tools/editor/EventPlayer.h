#pragma once
// Plays corvanel-editor's event list on the off-screen editor, with the host's audio
// running between the events as it would while a user edits.
#include "EditorEvents.h"
#include "Transport.h"

#include <cstdint>
#include <string>
#include <vector>

class IGraphicsLinux;

// Plays silence through the plug-in while the transport runs, the way a host keeps its
// audio going while the user edits.
class SilencePlayer {
public:
  // The transport the host's time info answers from, or null for a host without one.
  SilencePlayer(AEffect* effect, TransportState* transport)
      : mEffect(effect), mTransport(transport), mIn(2, std::vector<float>(512)),
        mOut(2, std::vector<float>(512)) {}
  // [host thread] `frames` of silence in blocks of at most 512, the song moving on.
  void Play(int64_t frames);

private:
  AEffect* mEffect;
  TransportState* mTransport;
  std::vector<std::vector<float>> mIn, mOut;
};

// [host thread; the editor's thread too] Plays the events on the editor, one audio frame
// after each and one per tick. False with a message naming the line when an event cannot
// be played (text typed or dismissed with no value entry open).
bool PlayEvents(const std::vector<EditorEvent>& events, IGraphicsLinux* g, SilencePlayer& transport,
                std::string* error);
