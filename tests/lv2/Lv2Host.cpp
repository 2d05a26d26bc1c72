#include "Lv2Host.h"

#include "lv2/buf-size/buf-size.h"
#include "lv2/options/options.h"
#include "lv2/state/state.h"
#include "lv2/time/time.h"

#include <cstdlib>
#include <cstring>

namespace {
constexpr char kPluginURI[] = "https://www.orbalin.com/Corvanel/lv2";
constexpr size_t kAtomCapacity = 8192;

LV2_URID MapProc(LV2_URID_Map_Handle h, const char* uri) { return ((Lv2World*)h)->Urid(uri); }
const char* UnmapProc(LV2_URID_Unmap_Handle h, LV2_URID urid) { return ((Lv2World*)h)->Uri(urid); }

// The state blob as the plug-in's save stores it.
struct Stored {
  LV2_URID key = 0, type = 0;
  std::vector<unsigned char> bytes;
};
LV2_State_Status StoreProc(LV2_State_Handle h, uint32_t key, const void* value, size_t size,
                           uint32_t type, uint32_t) {
  Stored* s = (Stored*)h;
  s->key = key;
  s->type = type;
  s->bytes.assign((const unsigned char*)value, (const unsigned char*)value + size);
  return LV2_STATE_SUCCESS;
}

struct Offered {
  LV2_URID key;
  const void* data;
  size_t size;
  LV2_URID type;
  bool present;
};
const void* RetrieveProc(LV2_State_Handle h, uint32_t key, size_t* size, uint32_t* type,
                         uint32_t* flags) {
  const Offered* o = (const Offered*)h;
  if (!o->present || key != o->key) return nullptr;
  *size = o->size;
  *type = o->type;
  *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
  return o->data;
}

const void* PortValue(const char* symbol, void* userData, uint32_t* size, uint32_t* type) {
  Lv2Instance* instance = (Lv2Instance*)userData;
  static float value;
  value = instance->Control(symbol);
  *size = sizeof(float);
  *type = Lv2World::Get().Urid(LV2_ATOM__Float);
  return &value;
}
} // namespace

Lv2World& Lv2World::Get() {
  static Lv2World world;
  return world;
}

Lv2World::Lv2World() {
  mMap.handle = this;
  mMap.map = MapProc;
  mUnmap.handle = this;
  mUnmap.unmap = UnmapProc;
  mWorld = lilv_world_new();
  const char* fromEnv = std::getenv("CORVANEL_LV2_BUNDLE");
  std::string bundle = fromEnv && *fromEnv ? fromEnv : CORVANEL_LV2_BUNDLE;
  if (bundle.empty() || bundle.back() != '/') bundle += '/';
  LilvNode* uri = lilv_new_file_uri(mWorld, nullptr, bundle.c_str());
  lilv_world_load_bundle(mWorld, uri);
  lilv_node_free(uri);
  LilvNode* pluginUri = lilv_new_uri(mWorld, kPluginURI);
  mPlugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(mWorld), pluginUri);
  lilv_node_free(pluginUri);
}

LV2_URID Lv2World::Urid(const char* uri) {
  auto it = mIds.find(uri);
  if (it != mIds.end()) return it->second;
  mUris.push_back(uri);
  return mIds[uri] = (LV2_URID)mUris.size();
}

const char* Lv2World::Uri(LV2_URID urid) const {
  return urid >= 1 && urid <= mUris.size() ? mUris[urid - 1].c_str() : nullptr;
}

Lv2Instance::Lv2Instance(bool withMap, double sampleRate, int maxBlock) {
  Lv2World& w = Lv2World::Get();
  if (!w.Plugin()) return;
  mNPorts = (int)lilv_plugin_get_num_ports(w.Plugin());
  mControls.assign(mNPorts, 0.0f);
  std::vector<float> defaults(mNPorts, 0.0f);
  lilv_plugin_get_port_ranges_float(w.Plugin(), nullptr, nullptr, defaults.data());
  for (int i = 0; i < mNPorts; ++i) {
    const LilvPort* port = lilv_plugin_get_port_by_index(w.Plugin(), i);
    mPortIndex[lilv_node_as_string(lilv_port_get_symbol(w.Plugin(), port))] = i;
    mControls[i] = defaults[i];
  }
  mControlIn = mPortIndex.count("control") ? mPortIndex["control"] : -1;
  mNotifyOut = mPortIndex.count("notify") ? mPortIndex["notify"] : -1;

  static int32_t blockLength;
  blockLength = maxBlock;
  const LV2_Options_Option options[] = {
      {LV2_OPTIONS_INSTANCE, 0, w.Urid(LV2_BUF_SIZE__maxBlockLength), sizeof(int32_t),
       w.Urid(LV2_ATOM__Int), &blockLength},
      {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
  const LV2_Feature mapFeature = {LV2_URID__map, w.Map()};
  const LV2_Feature unmapFeature = {LV2_URID__unmap, w.Unmap()};
  const LV2_Feature optionsFeature = {LV2_OPTIONS__options, (void*)options};
  const LV2_Feature* features[] = {&mapFeature, &unmapFeature, &optionsFeature, nullptr};
  const LV2_Feature* none[] = {nullptr};
  mInstance = lilv_plugin_instantiate(w.Plugin(), sampleRate, withMap ? features : none);
  if (!mInstance) return;
  mMap = w.Map();
  lv2_atom_forge_init(&mForge, mMap);
  mAtomIn.assign(kAtomCapacity, 0);
  mAtomOut.assign(kAtomCapacity, 0);
  mSilence.assign(1 << 16, 0.0f);
  // Ports 0-3 are audio, connected at every block; the control ports follow.
  for (int i = 4; i < mNPorts; ++i)
    if (i != mControlIn && i != mNotifyOut) lilv_instance_connect_port(mInstance, i, &mControls[i]);
  if (mControlIn >= 0) lilv_instance_connect_port(mInstance, mControlIn, mAtomIn.data());
  if (mNotifyOut >= 0) lilv_instance_connect_port(mInstance, mNotifyOut, mAtomOut.data());
  lilv_instance_activate(mInstance);
}

Lv2Instance::~Lv2Instance() {
  if (!mInstance) return;
  lilv_instance_deactivate(mInstance);
  lilv_instance_free(mInstance);
}

void Lv2Instance::SetControl(const std::string& symbol, float value) {
  mControls.at(mPortIndex.at(symbol)) = value;
}

float Lv2Instance::Control(const std::string& symbol) const {
  return mControls.at(mPortIndex.at(symbol));
}

void Lv2Instance::DisconnectTimePort() {
  if (mControlIn >= 0) lilv_instance_connect_port(mInstance, mControlIn, nullptr);
}

void Lv2Instance::Run(const float* inL, const float* inR, float* outL, float* outR, int nFrames,
                      const std::vector<Lv2Position>& positions) {
  Lv2World& w = Lv2World::Get();
  lilv_instance_connect_port(mInstance, 0, (void*)inL);
  lilv_instance_connect_port(mInstance, 1, (void*)inR);
  lilv_instance_connect_port(mInstance, 2, outL);
  lilv_instance_connect_port(mInstance, 3, outR);

  lv2_atom_forge_set_buffer(&mForge, mAtomIn.data(), mAtomIn.size());
  LV2_Atom_Forge_Frame sequence;
  lv2_atom_forge_sequence_head(&mForge, &sequence, 0);
  for (const Lv2Position& p : positions) {
    lv2_atom_forge_frame_time(&mForge, p.offset);
    LV2_Atom_Forge_Frame object;
    lv2_atom_forge_object(&mForge, &object, 0, w.Urid(LV2_TIME__Position));
    lv2_atom_forge_key(&mForge, w.Urid(LV2_TIME__frame));
    lv2_atom_forge_long(&mForge, p.frame);
    lv2_atom_forge_key(&mForge, w.Urid(LV2_TIME__speed));
    lv2_atom_forge_float(&mForge, p.speed);
    if (p.musical) {
      lv2_atom_forge_key(&mForge, w.Urid(LV2_TIME__bar));
      lv2_atom_forge_long(&mForge, p.bar);
      lv2_atom_forge_key(&mForge, w.Urid(LV2_TIME__barBeat));
      lv2_atom_forge_float(&mForge, p.barBeat);
      lv2_atom_forge_key(&mForge, w.Urid(LV2_TIME__beatUnit));
      lv2_atom_forge_int(&mForge, p.beatUnit);
      lv2_atom_forge_key(&mForge, w.Urid(LV2_TIME__beatsPerBar));
      lv2_atom_forge_float(&mForge, p.beatsPerBar);
    }
    if (p.tempo) {
      lv2_atom_forge_key(&mForge, w.Urid(LV2_TIME__beatsPerMinute));
      lv2_atom_forge_float(&mForge, p.bpm);
    }
    lv2_atom_forge_pop(&mForge, &object);
  }
  lv2_atom_forge_pop(&mForge, &sequence);

  // The output sequence's capacity, as hosts announce it.
  LV2_Atom* out = (LV2_Atom*)mAtomOut.data();
  out->type = w.Urid(LV2_ATOM__Chunk);
  out->size = (uint32_t)(mAtomOut.size() - sizeof(LV2_Atom));
  lilv_instance_run(mInstance, nFrames);
}

std::vector<std::string> Lv2Instance::Notifications() const {
  std::vector<std::string> types;
  const LV2_Atom_Sequence* seq = (const LV2_Atom_Sequence*)mAtomOut.data();
  if (seq->atom.type != Lv2World::Get().Urid(LV2_ATOM__Sequence)) return types;
  LV2_ATOM_SEQUENCE_FOREACH(seq, ev) {
    const LV2_Atom_Object* object = (const LV2_Atom_Object*)&ev->body;
    const char* uri = Lv2World::Get().Uri(object->body.otype);
    types.push_back(uri ? uri : "?");
  }
  return types;
}

LilvState* Lv2Instance::SaveState() {
  Lv2World& w = Lv2World::Get();
  const LV2_Feature mapFeature = {LV2_URID__map, w.Map()};
  const LV2_Feature* features[] = {&mapFeature, nullptr};
  return lilv_state_new_from_instance(w.Plugin(), mInstance, w.Map(), nullptr, nullptr, nullptr,
                                      nullptr, PortValue, this, 0, features);
}

const LV2_State_Interface* Lv2Instance::StateInterface() const {
  return (const LV2_State_Interface*)lilv_instance_get_extension_data(mInstance,
                                                                      LV2_STATE__interface);
}

std::vector<unsigned char> Lv2Instance::StateBlob() {
  const LV2_State_Interface* state = StateInterface();
  Stored stored;
  if (!state || state->save(lilv_instance_get_handle(mInstance), StoreProc, &stored, 0, nullptr) !=
                    LV2_STATE_SUCCESS)
    return {};
  return stored.bytes;
}

int Lv2Instance::RestoreProperty(const void* data, size_t size, LV2_URID type, bool present) {
  const LV2_State_Interface* state = StateInterface();
  Offered offered = {Lv2World::Get().Urid("https://www.orbalin.com/Corvanel/lv2#state"), data,
                     size, type, present};
  return state->restore(lilv_instance_get_handle(mInstance), RetrieveProc, &offered, 0, nullptr);
}
