#include "PluginAdapter.h"

IPlugTestHost::IPlugTestHost(IPlugInstanceInfo, int nParams, const char* channelIOStr, int nPresets,
                             const char* effectName, const char* productName, const char* mfrName,
                             int vendorVersion, int uniqueID, int mfrID, int latency, int doesMidi,
                             bool doesChunks, bool isInstrument)
    : IPlugBase(nParams, channelIOStr, nPresets, effectName, productName, mfrName, vendorVersion,
                uniqueID, mfrID, latency, doesMidi, doesChunks, isInstrument) {
  SetBlockSize(1024);
}

void IPlugTestHost::HostBeginEdit(int paramIdx) {
  FlushPendingEndEdit();
  mEvents.push_back({Event::kBegin, paramIdx, 0.0});
}

void IPlugTestHost::HostSetParam(int paramIdx, double normalizedValue) {
  mEvents.push_back({Event::kSet, paramIdx, normalizedValue});
}

void IPlugTestHost::HostEndEdit(int paramIdx) { mEvents.push_back({Event::kEnd, paramIdx, 0.0}); }

void IPlugTestHost::HostProgramChanged() { mEvents.push_back({Event::kProgramChanged, -1, 0.0}); }

int IPlugTestHost::HostId() {
  if (mHost == kHostUninit) SetHost(mTestHostName.c_str(), 0);
  return mHost;
}

void IPlugTestHost::OpenLikeHost(double sampleRate, int blockSize, int nChannels) {
  SetSampleRate(sampleRate);
  SetBlockSize(blockSize);
  SetInputChannelConnections(0, nChannels, true);
  SetInputChannelConnections(nChannels, NInChannels() - nChannels, false);
  SetOutputChannelConnections(0, nChannels, true);
  SetOutputChannelConnections(nChannels, NOutChannels() - nChannels, false);
  NotifyAllParams();
}

void IPlugTestHost::ProcessFloat(float** in, float** out, int nFrames, int nChannels) {
  WDL_MutexLock lock(&mMutex);
  AttachInputBuffers(0, nChannels, in, nFrames);
  AttachOutputBuffers(0, nChannels, out);
  UseTestTime();
  ProcessBuffers(0.0f, nFrames);
}

void IPlugTestHost::ProcessDouble(double** in, double** out, int nFrames, int nChannels) {
  WDL_MutexLock lock(&mMutex);
  AttachInputBuffers(0, nChannels, in, nFrames);
  AttachOutputBuffers(0, nChannels, out);
  UseTestTime();
  ProcessBuffers(0.0, nFrames);
}
