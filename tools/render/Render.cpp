#include "Render.h"

#include "Progress.h"

#include <algorithm>
#include <chrono>
#include <unistd.h>
#include <vector>

namespace {

// Sample-type specific calls into the plug-in.
void ProcessBlock(AEffect* effect, float** in, float** out, int frames) {
  effect->processReplacing(effect, in, out, frames);
}
void ProcessBlock(AEffect* effect, double** in, double** out, int frames) {
  effect->processDoubleReplacing(effect, in, out, frames);
}

bool WriteBlock(OutputFile& output, const std::vector<float>& samples, int64_t frames,
                std::vector<float>*, SampleFormat, std::string* error) {
  return output.Write(samples.data(), frames, error);
}

// Float files get the double results rounded to float, as the float path's own
// conversion does; integer formats take the double values directly.
bool WriteBlock(OutputFile& output, const std::vector<double>& samples, int64_t frames,
                std::vector<float>* scratch, SampleFormat format, std::string* error) {
  if (format != SampleFormat::kFloat32) return output.Write(samples.data(), frames, error);
  for (size_t i = 0; i < samples.size(); ++i)
    (*scratch)[i] = (float)samples[i];
  return output.Write(scratch->data(), frames, error);
}

template <typename T>
bool RenderBlocks(PluginHost& host, AudioSource& source, OutputFile& output,
                  const RenderOptions& options, volatile sig_atomic_t* interrupted,
                  RenderStats* stats, std::string* error) {
  AEffect* effect = host.Effect();
  const int channels = source.Channels();
  const int block = options.blockSize;
  // The plug-in is handed as many buffers as it has pins: unused inputs read
  // silence, unused outputs go to a scratch buffer.
  const int numIn = std::max(channels, effect->numInputs);
  const int numOut = std::max(channels, effect->numOutputs);
  std::vector<std::vector<T>> inBuffers((size_t)numIn, std::vector<T>((size_t)block, T(0)));
  std::vector<std::vector<T>> outBuffers((size_t)numOut, std::vector<T>((size_t)block, T(0)));
  std::vector<T*> inPtrs, outPtrs;
  for (auto& b : inBuffers)
    inPtrs.push_back(b.data());
  for (auto& b : outBuffers)
    outPtrs.push_back(b.data());
  std::vector<T> interleaved((size_t)block * (size_t)channels);
  std::vector<float> floatScratch(interleaved.size());

  TransportState& transport = host.Transport();
  transport.loopStart = options.startPosition;
  transport.loopEnd = options.startPosition + source.Frames();

  Progress progress(source.Frames(), source.SampleRate(), !options.quiet && isatty(2));
  const auto started = std::chrono::steady_clock::now();
  int64_t done = 0;
  host.SetRendering(true);
  bool ok = true;
  for (;;) {
    if (*interrupted) {
      *error = "interrupted";
      ok = false;
      break;
    }
    const int64_t n = source.Read(interleaved.data(), block);
    if (n < 0 || (n < block && !source.Error().empty())) {
      *error = "cannot read the input: " + source.Error();
      ok = false;
      break;
    }
    if (n == 0) break;
    for (int64_t i = 0; i < n; ++i)
      for (int c = 0; c < channels; ++c)
        inBuffers[(size_t)c][(size_t)i] = interleaved[(size_t)(i * channels + c)];

    // The position of this block's first frame; the transport runs from the start.
    transport.samplePos = options.startPosition + done;
    transport.playing = true;
    transport.changed = done == 0;
    ProcessBlock(effect, inPtrs.data(), outPtrs.data(), (int)n);

    for (int64_t i = 0; i < n; ++i)
      for (int c = 0; c < channels; ++c)
        interleaved[(size_t)(i * channels + c)] = outBuffers[(size_t)c][(size_t)i];
    if (!WriteBlock(output, interleaved, n, &floatScratch, options.format, error)) {
      ok = false;
      break;
    }
    done += n;
    progress.Update(done);
  }
  host.SetRendering(false);
  transport.playing = false;
  transport.changed = true;
  transport.samplePos = options.startPosition + done;
  stats->frames = done;
  stats->seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  return ok;
}

} // namespace

bool RenderAll(PluginHost& host, AudioSource& source, OutputFile& output,
               const RenderOptions& options, volatile sig_atomic_t* interrupted, RenderStats* stats,
               std::string* error) {
  if (options.useDouble)
    return RenderBlocks<double>(host, source, output, options, interrupted, stats, error);
  return RenderBlocks<float>(host, source, output, options, interrupted, stats, error);
}
