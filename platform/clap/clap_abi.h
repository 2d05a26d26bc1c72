#pragma once
// Our own declarations of the CLAP binary interface (version 1.2, readable by 1.1 hosts):
// only the records, function tables, identifiers and constants Corvanel and its test host
// use. Plain C layout throughout: natural alignment, fixed-width integers, one-byte bool,
// function tables in slot order. On 32-bit Windows every function of the interface uses
// the cdecl convention, whatever the build's default.
#include <cstddef>
#include <cstdint>

#if defined(_WIN32) || defined(__CYGWIN__)
#define CLAPABI_CALL __cdecl
#else
#define CLAPABI_CALL
#endif

namespace clapabi {

// ---- Base types ---------------------------------------------------------------------------
struct Version {
  uint32_t major;
  uint32_t minor;
  uint32_t revision;
};
// The version these declarations were written against.
constexpr Version kVersion = {1, 2, 10};
// A peer is compatible when its major version is at least 1 (0.x were pre-releases).
inline bool VersionIsCompatible(const Version& v) { return v.major >= 1; }

typedef uint32_t Id;
constexpr Id kInvalidId = 0xFFFFFFFFu;
// Beat and second positions are fixed point: value = round(x * 2^31).
constexpr double kFixedPointFactor = 2147483648.0;
constexpr int kNameSize = 256;
constexpr int kPathSize = 1024;
constexpr uint16_t kCoreEventSpace = 0;

// ---- Host --------------------------------------------------------------------------------
struct Host {
  Version clap_version;
  void* host_data;
  const char* name;
  const char* vendor;
  const char* url;
  const char* version;
  const void*(CLAPABI_CALL* get_extension)(const Host* host, const char* extension_id);
  void(CLAPABI_CALL* request_restart)(const Host* host);
  void(CLAPABI_CALL* request_process)(const Host* host);
  void(CLAPABI_CALL* request_callback)(const Host* host);
};

// ---- Descriptor, plug-in, factory, entry ----------------------------------------------------
struct PluginDescriptor {
  Version clap_version;
  const char* id;
  const char* name;
  const char* vendor;
  const char* url;
  const char* manual_url;
  const char* support_url;
  const char* version;
  const char* description;
  const char* const* features; // null-terminated
};

struct Process;

struct Plugin {
  const PluginDescriptor* desc;
  void* plugin_data;
  bool(CLAPABI_CALL* init)(const Plugin* plugin);
  void(CLAPABI_CALL* destroy)(const Plugin* plugin);
  bool(CLAPABI_CALL* activate)(const Plugin* plugin, double sample_rate, uint32_t min_frames,
                               uint32_t max_frames);
  void(CLAPABI_CALL* deactivate)(const Plugin* plugin);
  bool(CLAPABI_CALL* start_processing)(const Plugin* plugin);
  void(CLAPABI_CALL* stop_processing)(const Plugin* plugin);
  void(CLAPABI_CALL* reset)(const Plugin* plugin);
  int32_t(CLAPABI_CALL* process)(const Plugin* plugin, const Process* process);
  const void*(CLAPABI_CALL* get_extension)(const Plugin* plugin, const char* id);
  void(CLAPABI_CALL* on_main_thread)(const Plugin* plugin);
};

struct PluginFactory {
  uint32_t(CLAPABI_CALL* get_plugin_count)(const PluginFactory* factory);
  const PluginDescriptor*(CLAPABI_CALL* get_plugin_descriptor)(const PluginFactory* factory,
                                                               uint32_t index);
  const Plugin*(CLAPABI_CALL* create_plugin)(const PluginFactory* factory, const Host* host,
                                             const char* plugin_id);
};

struct PluginEntry {
  Version clap_version;
  bool(CLAPABI_CALL* init)(const char* plugin_path);
  void(CLAPABI_CALL* deinit)();
  const void*(CLAPABI_CALL* get_factory)(const char* factory_id);
};

constexpr const char* kPluginFactoryId = "clap.plugin-factory";

// ---- Processing ---------------------------------------------------------------------------
enum ProcessStatus : int32_t {
  kProcessError = 0,
  kProcessContinue = 1,
  kProcessContinueIfNotQuiet = 2,
  kProcessTail = 3,
  kProcessSleep = 4,
};

struct AudioBuffer {
  float** data32;
  double** data64;
  uint32_t channel_count;
  uint32_t latency;
  uint64_t constant_mask;
};

struct EventHeader {
  uint32_t size;
  uint32_t time;
  uint16_t space_id;
  uint16_t type;
  uint32_t flags;
};

enum EventType : uint16_t {
  kEventParamValue = 5,
  kEventParamMod = 6,
  kEventParamGestureBegin = 7,
  kEventParamGestureEnd = 8,
  kEventTransport = 9,
};
enum EventFlags : uint32_t { kEventIsLive = 1, kEventDontRecord = 2 };

struct EventParamValue {
  EventHeader header;
  Id param_id;
  void* cookie;
  int32_t note_id;
  int16_t port_index;
  int16_t channel;
  int16_t key;
  double value;
};

struct EventParamGesture {
  EventHeader header;
  Id param_id;
};

enum TransportFlags : uint32_t {
  kTransportHasTempo = 1,
  kTransportHasBeatsTimeline = 2,
  kTransportHasSecondsTimeline = 4,
  kTransportHasTimeSignature = 8,
  kTransportIsPlaying = 16,
  kTransportIsRecording = 32,
  kTransportIsLoopActive = 64,
  kTransportIsWithinPreRoll = 128,
};

struct EventTransport {
  EventHeader header;
  uint32_t flags;
  int64_t song_pos_beats;
  int64_t song_pos_seconds;
  double tempo;
  double tempo_inc;
  int64_t loop_start_beats;
  int64_t loop_end_beats;
  int64_t loop_start_seconds;
  int64_t loop_end_seconds;
  int64_t bar_start;
  int32_t bar_number;
  uint16_t tsig_num;
  uint16_t tsig_denom;
};

struct InputEvents {
  void* ctx;
  uint32_t(CLAPABI_CALL* size)(const InputEvents* list);
  const EventHeader*(CLAPABI_CALL* get)(const InputEvents* list, uint32_t index);
};

struct OutputEvents {
  void* ctx;
  bool(CLAPABI_CALL* try_push)(const OutputEvents* list, const EventHeader* event);
};

struct Process {
  int64_t steady_time;
  uint32_t frames_count;
  const EventTransport* transport;
  const AudioBuffer* audio_inputs;
  AudioBuffer* audio_outputs;
  uint32_t audio_inputs_count;
  uint32_t audio_outputs_count;
  const InputEvents* in_events;
  const OutputEvents* out_events;
};

// ---- audio-ports ----------------------------------------------------------------------------
constexpr const char* kExtAudioPorts = "clap.audio-ports";
constexpr const char* kPortStereo = "stereo";
constexpr const char* kPortMono = "mono";
enum AudioPortFlags : uint32_t {
  kAudioPortIsMain = 1,
  kAudioPortSupports64Bits = 2,
  kAudioPortPrefers64Bits = 4,
  kAudioPortRequiresCommonSampleSize = 8,
};

struct AudioPortInfo {
  Id id;
  char name[kNameSize];
  uint32_t flags;
  uint32_t channel_count;
  const char* port_type;
  Id in_place_pair;
};

struct PluginAudioPorts {
  uint32_t(CLAPABI_CALL* count)(const Plugin* plugin, bool is_input);
  bool(CLAPABI_CALL* get)(const Plugin* plugin, uint32_t index, bool is_input, AudioPortInfo* info);
};

// ---- params -------------------------------------------------------------------------------
constexpr const char* kExtParams = "clap.params";
enum ParamFlags : uint32_t {
  kParamIsStepped = 1,
  kParamIsPeriodic = 2,
  kParamIsHidden = 4,
  kParamIsReadonly = 8,
  kParamIsBypass = 16,
  kParamIsAutomatable = 32,
  kParamIsModulatable = 1024,
  kParamRequiresProcess = 32768,
  kParamIsEnum = 65536,
};
enum ParamRescanFlags : uint32_t {
  kParamRescanValues = 1,
  kParamRescanText = 2,
  kParamRescanInfo = 4,
  kParamRescanAll = 8,
};

struct ParamInfo {
  Id id;
  uint32_t flags;
  void* cookie;
  char name[kNameSize];
  char module[kPathSize];
  double min_value;
  double max_value;
  double default_value;
};

struct PluginParams {
  uint32_t(CLAPABI_CALL* count)(const Plugin* plugin);
  bool(CLAPABI_CALL* get_info)(const Plugin* plugin, uint32_t param_index, ParamInfo* info);
  bool(CLAPABI_CALL* get_value)(const Plugin* plugin, Id param_id, double* out_value);
  bool(CLAPABI_CALL* value_to_text)(const Plugin* plugin, Id param_id, double value, char* out,
                                    uint32_t capacity);
  bool(CLAPABI_CALL* text_to_value)(const Plugin* plugin, Id param_id, const char* text,
                                    double* out_value);
  void(CLAPABI_CALL* flush)(const Plugin* plugin, const InputEvents* in, const OutputEvents* out);
};

struct HostParams {
  void(CLAPABI_CALL* rescan)(const Host* host, uint32_t flags);
  void(CLAPABI_CALL* clear)(const Host* host, Id param_id, uint32_t flags);
  void(CLAPABI_CALL* request_flush)(const Host* host);
};

// ---- state --------------------------------------------------------------------------------
constexpr const char* kExtState = "clap.state";

struct IStream {
  void* ctx;
  int64_t(CLAPABI_CALL* read)(const IStream* stream, void* buffer, uint64_t size);
};
struct OStream {
  void* ctx;
  int64_t(CLAPABI_CALL* write)(const OStream* stream, const void* buffer, uint64_t size);
};

struct PluginState {
  bool(CLAPABI_CALL* save)(const Plugin* plugin, const OStream* stream);
  bool(CLAPABI_CALL* load)(const Plugin* plugin, const IStream* stream);
};
struct HostState {
  void(CLAPABI_CALL* mark_dirty)(const Host* host);
};

// ---- latency ------------------------------------------------------------------------------
constexpr const char* kExtLatency = "clap.latency";
struct PluginLatency {
  uint32_t(CLAPABI_CALL* get)(const Plugin* plugin);
};

// ---- thread-check and log (host side only) -------------------------------------------------
constexpr const char* kExtThreadCheck = "clap.thread-check";
struct HostThreadCheck {
  bool(CLAPABI_CALL* is_main_thread)(const Host* host);
  bool(CLAPABI_CALL* is_audio_thread)(const Host* host);
};

constexpr const char* kExtLog = "clap.log";
enum LogSeverity : int32_t {
  kLogDebug = 0,
  kLogInfo = 1,
  kLogWarning = 2,
  kLogError = 3,
  kLogFatal = 4,
  kLogHostMisbehaving = 5,
  kLogPluginMisbehaving = 6,
};
struct HostLog {
  void(CLAPABI_CALL* log)(const Host* host, int32_t severity, const char* message);
};

// ---- gui, timers, file descriptors ----------------------------------------------------------
constexpr const char* kExtGui = "clap.gui";
constexpr const char* kWindowApiX11 = "x11";
constexpr const char* kWindowApiWin32 = "win32";
constexpr const char* kWindowApiCocoa = "cocoa"; // macOS: the parent is an NSView*

struct Window {
  const char* api;
  union {
    void* cocoa;
    unsigned long x11;
    void* win32;
    void* ptr;
  };
};

struct GuiResizeHints {
  bool can_resize_horizontally;
  bool can_resize_vertically;
  bool preserve_aspect_ratio;
  uint32_t aspect_ratio_width;
  uint32_t aspect_ratio_height;
};

struct PluginGui {
  bool(CLAPABI_CALL* is_api_supported)(const Plugin* plugin, const char* api, bool is_floating);
  bool(CLAPABI_CALL* get_preferred_api)(const Plugin* plugin, const char** api, bool* is_floating);
  bool(CLAPABI_CALL* create)(const Plugin* plugin, const char* api, bool is_floating);
  void(CLAPABI_CALL* destroy)(const Plugin* plugin);
  bool(CLAPABI_CALL* set_scale)(const Plugin* plugin, double scale);
  bool(CLAPABI_CALL* get_size)(const Plugin* plugin, uint32_t* width, uint32_t* height);
  bool(CLAPABI_CALL* can_resize)(const Plugin* plugin);
  bool(CLAPABI_CALL* get_resize_hints)(const Plugin* plugin, GuiResizeHints* hints);
  bool(CLAPABI_CALL* adjust_size)(const Plugin* plugin, uint32_t* width, uint32_t* height);
  bool(CLAPABI_CALL* set_size)(const Plugin* plugin, uint32_t width, uint32_t height);
  bool(CLAPABI_CALL* set_parent)(const Plugin* plugin, const Window* window);
  bool(CLAPABI_CALL* set_transient)(const Plugin* plugin, const Window* window);
  void(CLAPABI_CALL* suggest_title)(const Plugin* plugin, const char* title);
  bool(CLAPABI_CALL* show)(const Plugin* plugin);
  bool(CLAPABI_CALL* hide)(const Plugin* plugin);
};

struct HostGui {
  void(CLAPABI_CALL* resize_hints_changed)(const Host* host);
  bool(CLAPABI_CALL* request_resize)(const Host* host, uint32_t width, uint32_t height);
  bool(CLAPABI_CALL* request_show)(const Host* host);
  bool(CLAPABI_CALL* request_hide)(const Host* host);
  void(CLAPABI_CALL* closed)(const Host* host, bool was_destroyed);
};

constexpr const char* kExtTimerSupport = "clap.timer-support";
struct PluginTimerSupport {
  void(CLAPABI_CALL* on_timer)(const Plugin* plugin, Id timer_id);
};
struct HostTimerSupport {
  bool(CLAPABI_CALL* register_timer)(const Host* host, uint32_t period_ms, Id* timer_id);
  bool(CLAPABI_CALL* unregister_timer)(const Host* host, Id timer_id);
};

constexpr const char* kExtPosixFdSupport = "clap.posix-fd-support";
enum PosixFdFlags : uint32_t { kFdRead = 1, kFdWrite = 2, kFdError = 4 };
struct PluginPosixFdSupport {
  void(CLAPABI_CALL* on_fd)(const Plugin* plugin, int fd, uint32_t flags);
};
struct HostPosixFdSupport {
  bool(CLAPABI_CALL* register_fd)(const Host* host, int fd, uint32_t flags);
  bool(CLAPABI_CALL* modify_fd)(const Host* host, int fd, uint32_t flags);
  bool(CLAPABI_CALL* unregister_fd)(const Host* host, int fd);
};

// ---- The layout hosts expect, checked where it is built ------------------------------------
#if UINTPTR_MAX == 0xFFFFFFFFFFFFFFFFu
static_assert(sizeof(PluginEntry) == 40 && sizeof(PluginFactory) == 24, "entry layout");
static_assert(sizeof(PluginDescriptor) == 88 && sizeof(Plugin) == 96 && sizeof(Host) == 88,
              "plug-in and host layout");
static_assert(sizeof(Process) == 64 && sizeof(AudioBuffer) == 32, "process layout");
static_assert(sizeof(EventParamValue) == 56 && offsetof(EventParamValue, value) == 48,
              "parameter event layout");
static_assert(sizeof(AudioPortInfo) == 288 && sizeof(Window) == 16, "port and window layout");
static_assert(sizeof(PluginGui) == 120 && sizeof(HostGui) == 40 && sizeof(PluginParams) == 48,
              "extension tables");
#elif defined(_WIN32)
static_assert(sizeof(PluginEntry) == 24 && sizeof(PluginFactory) == 12, "entry layout");
static_assert(sizeof(PluginDescriptor) == 48 && sizeof(Plugin) == 48 && sizeof(Host) == 48,
              "plug-in and host layout");
static_assert(sizeof(Process) == 40 && sizeof(AudioBuffer) == 24, "process layout");
static_assert(sizeof(EventParamValue) == 48 && offsetof(EventParamValue, value) == 40,
              "parameter event layout");
static_assert(sizeof(AudioPortInfo) == 276 && sizeof(Window) == 8, "port and window layout");
static_assert(sizeof(PluginGui) == 60 && sizeof(HostGui) == 20 && sizeof(PluginParams) == 24,
              "extension tables");
#endif
static_assert(sizeof(Version) == 12 && sizeof(EventHeader) == 16, "base layout");
static_assert(sizeof(EventParamGesture) == 20 && sizeof(EventTransport) == 104,
              "gesture and transport layout");
static_assert(offsetof(EventTransport, bar_number) == 96 && sizeof(ParamInfo) == 1320,
              "transport and parameter information layout");
static_assert(sizeof(GuiResizeHints) == 12, "resize hints layout");

} // namespace clapabi
