#pragma once
// The LV2 adapter: makes a plug-in instance available to an LV2 host. The host owns every
// input port, so the adapter reads them and never writes one:
//   - the audio ports, one per channel of the widest channel I/O (stereo: 0-1 in, 2-3 out);
//   - one control input port per visible parameter (those a host may automate), holding
//     the parameter's real value; a port value that changed since the last block becomes
//     a parameter event at the block's first frame;
//   - an atom input ("control", optional) that takes time:Position objects: each becomes
//     a timeline change at its frame;
//   - an atom output ("notify", optional) that carries state:StateChanged after every
//     change of a saved value that has no port (the pattern's step words), so hosts mark
//     the session changed.
// The pattern and every other saved value travel in the state extension as the one state
// blob every format shares; the visible parameters also travel as port values, and after
// a restore the ports win, as they are what the host shows and saves.
//
// Threads: instantiate, activate, deactivate, cleanup, the state interface and the UI
// calls come from the host's main (or UI) thread; run from its audio thread. Run holds the
// instance mutex (mMutex of the base) for the whole block, as the VST2 adapter does.
#include "IPlugBase.h"
#include "LV2Timeline.h"

#include "lv2/atom/atom.h"
#include "lv2/atom/forge.h"
#include "lv2/core/lv2.h"
#include "lv2/state/state.h"
#include "lv2/ui/ui.h"
#include "lv2/urid/urid.h"

#include <atomic>
#include <cstdint>

// What the entry point hands to the plug-in class's constructor.
struct IPlugInstanceInfo {
  double mSampleRate = 44100.0;
  const LV2_Feature* const* mFeatures = nullptr;
};

// The bundle's names, fixed by the deliverable's entry file.
struct IPlugLV2Identity {
  const char* mPluginURI;  // the plug-in
  const char* mUIURI;      // its editor, an X11 UI in the same library
  const char* mStateURI;   // the state property that holds the state blob
  const char* mPresetBase; // preset URIs are this followed by the preset's name
  const char* mBinary;     // the library's file name in the bundle
  const char* mProjectPage; // the plug-in's page
  const char* mHomepage;    // the maker's page
};

class IPlugLV2 : public IPlugBase {
public:
  typedef IPlugLV2* (*CreateInstanceProc)(IPlugInstanceInfo instanceInfo);

  // The largest block a host may announce; longer blocks run in slices of the block size.
  static constexpr int kMaxBlockSize = 1 << 16;
  // The block size assumed when the host tells none (lv2apply runs one frame at a time).
  static constexpr int kDefaultBlockSize = 4096;
  // Parameter and timeline events one block can carry; further positions in the same
  // block are left out.
  static constexpr int kMaxEvents = 256;

  IPlugLV2(IPlugInstanceInfo instanceInfo, int nParams, const char* channelIOStr, int nPresets,
           const char* effectName, const char* productName, const char* mfrName, int vendorVersion,
           int uniqueID, int mfrID, int latency, int doesMidi, bool doesChunks, bool isInstrument);
  ~IPlugLV2() override;

  // The descriptor of the plug-in created by `create` under the names of `identity`.
  static const LV2_Descriptor* Descriptor(const IPlugLV2Identity* identity,
                                          CreateInstanceProc create);

  // ---- Ports -----------------------------------------------------------------------------------
  int NAudioPorts() const { return NInChannels() + NOutChannels(); }
  int NControlPorts() const { return mNPortParams; }
  // The parameter behind control port k (0-based among the control ports), -1 outside.
  int PortParam(int k) const { return k >= 0 && k < mNPortParams ? mPortParams.Get()[k] : -1; }
  // The port index of parameter `paramIdx`, -1 when it has no port.
  int ParamPort(int paramIdx) const;
  int ControlInPort() const { return NAudioPorts() + mNPortParams; }
  int NotifyOutPort() const { return ControlInPort() + 1; }
  int NPorts() const { return NotifyOutPort() + 1; }
  const IPlugLV2Identity* Identity() const { return mIdentity; }
  // A preset the plug-in defined with values (not a never-used slot, which loading would
  // turn into a user preset).
  bool HasPresetValues(int idx) const {
    const IPreset* preset = mPresets.Get(idx);
    return preset && preset->mInitialized && preset->mChunk.Size() > 0;
  }

  // ---- The editor as an LV2 UI ---------------------------------------------------------------
  // The host's side of an open UI: its write function (port values) and, when it offers
  // ui:touch, the gestures.
  struct UIHost {
    LV2UI_Write_Function mWrite = nullptr;
    LV2UI_Controller mController = nullptr;
    const LV2UI_Touch* mTouch = nullptr;
    const LV2UI_Resize* mResize = nullptr; // ui:resize, when the host offers it
    const void* mOwner = nullptr;          // the UI whose window shows the editor
  };
  // [UI thread; takes the mutex] Edits of port parameters go to this host from now on (a
  // newer UI takes the editor over from an older one); null detaches it.
  void AttachUIHost(const UIHost* host);
  // [UI thread] The UI that has the editor now, null when none has.
  const void* UIOwner() const { return mUIHost.mOwner; }

  // ---- Host-facing operations of the base --------------------------------------------------------
  // [editor or audio thread] A saved value without a port changed: the host hears of it as
  // state:StateChanged at the end of the next block. An edit of a port parameter in the
  // editor (UI thread) is written to the port through the UI host, inside ui:touch
  // gestures where the host offers them.
  void HostBeginEdit(int paramIdx) override;
  void HostSetParam(int paramIdx, double normalizedValue) override;
  void HostEndEdit(int paramIdx) override;
  void HostProgramChanged() override;
  // LV2 does not name its host.
  int HostId() override { return kHostUnknown; }
  // [UI thread] The editor's size changed (its scale): the host hears of it through
  // ui:resize while a UI shows the editor.
  void EditorResized() override;
  void InitForHost() override {}

  // Resolved statically by the plug-in class, like every adapter's.
  // [audio thread] The clock the engine counts its timeouts in: monotonic real time in
  // CLOCKS_PER_SEC ticks.
  uint32_t ProcessorClock() const;

  // ---- What the descriptor's functions do ----------------------------------------------------
  // [audio thread; takes the mutex] One host block.
  void Run(uint32_t nFrames);
  // [main thread; takes the mutex] The state interface.
  LV2_State_Status SaveTo(LV2_State_Store_Function store, LV2_State_Handle handle);
  LV2_State_Status RestoreFrom(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle);
  // [audio thread, between blocks] The host hands a port's buffer (null disconnects).
  void ConnectPort(uint32_t port, void* data);
  // [main thread; takes the mutex] activate and deactivate.
  void Activate(bool active);

protected:
  // [main thread, in instantiate] Reads the host's features and prepares the instance the
  // way a VST2 host opens one: open, sample rate, block size.
  void Open(const IPlugLV2Identity* identity, double sampleRate,
            const LV2_Feature* const* features);

private:
  static LV2_Handle Instantiate(const LV2_Descriptor* descriptor, double sampleRate,
                                const char* bundlePath, const LV2_Feature* const* features);
  static const void* ExtensionData(const char* uri);
  // Writes state:StateChanged into the notify port when a saved value changed.
  void WriteNotifications();
  // Collects this block's parameter and timeline events from the ports; returns how many.
  int CollectEvents(uint32_t nFrames);

  const IPlugLV2Identity* mIdentity = nullptr;
  WDL_TypedBuf<int> mPortParams; // the parameter of each control port
  int mNPortParams = 0;
  WDL_TypedBuf<float*> mAudioPorts;          // inputs then outputs
  WDL_TypedBuf<const float*> mControlPorts;  // one per port parameter
  WDL_TypedBuf<float> mLastPortValues;       // what each control port held last block
  bool mPortsDirty = true;                   // apply every port at the next block
  const LV2_Atom_Sequence* mControlIn = nullptr;
  LV2_Atom_Sequence* mNotifyOut = nullptr;
  IHostEvent mEvents[kMaxEvents];
  LV2Timeline mTimeline;
  LV2_URID_Map* mMap = nullptr;
  LV2_Atom_Forge mForge;
  LV2_URID mStateKey = 0, mAtomChunk = 0, mAtomSequence = 0, mStateChanged = 0;
  std::atomic<bool> mStateChangedPending{false};
  UIHost mUIHost;
};
