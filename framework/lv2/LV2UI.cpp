// The editor as an LV2 UI of class ui:X11UI, in the plug-in's own library: the host gives
// its X11 window (ui:parent) and drives the editor's 24 ticks per second through the idle
// interface, as a VST2 host drives it through effEditIdle; no thread of our own.
//
// The editor works on the plug-in instance itself (pattern edits, the status line, the
// activity display), so the UI needs the instance-access feature (Ardour, jalv and
// Qtractor offer it). A host without it, or without a parent window, gets no editor and a
// message saying why; it still has the ports for its generic controls. The editor draws at
// the host's ui:scaleFactor when it gives one (else the desktop's, or the user's choice)
// and tells the host its size through ui:resize.
#include "LV2UI.h"

#include "IGraphics.h"
#include "IPlugLV2.h"
#include "LV2Features.h"

#include "lv2/atom/atom.h"
#include "lv2/instance-access/instance-access.h"
#include "lv2/options/options.h"
#include "lv2/urid/urid.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace {
// The host's ui:scaleFactor among its options (a float, 2.0 = 200 %), 0 when it gives none
// or the options cannot be read (no URID map).
float HostScaleFactor(const LV2_Feature* const* features) {
  const LV2_URID_Map* map = (const LV2_URID_Map*)LV2Feature(features, LV2_URID__map);
  const LV2_Options_Option* options =
      (const LV2_Options_Option*)LV2Feature(features, LV2_OPTIONS__options);
  if (!map || !map->map || !options) return 0.0f;
  const LV2_URID key = map->map(map->handle, LV2_UI__scaleFactor);
  const LV2_URID floatType = map->map(map->handle, LV2_ATOM__Float);
  for (const LV2_Options_Option* o = options; o->key || o->value; ++o)
    if (o->key == key && o->type == floatType && o->size == sizeof(float) && o->value)
      return *(const float*)o->value;
  return 0.0f;
}

struct EditorUI {
  IPlugLV2* mPlug;
  IGraphics* mGraphics;
};

// [UI thread] Opens the editor in the host's window.
LV2UI_Handle Instantiate(const LV2UI_Descriptor*, const char*, const char*,
                         LV2UI_Write_Function write, LV2UI_Controller controller,
                         LV2UI_Widget* widget, const LV2_Feature* const* features) {
  IPlugLV2* plug = (IPlugLV2*)LV2Feature(features, LV2_INSTANCE_ACCESS_URI);
  void* parent = (void*)LV2Feature(features, LV2_UI__parent);
  if (!plug) {
    std::fprintf(stderr, "Corvanel: the editor needs the host's instance-access feature "
                         "(Ardour, jalv and Qtractor offer it); use the host's generic "
                         "controls instead.\n");
    return nullptr;
  }
  if (!parent || !widget) {
    std::fprintf(stderr, "Corvanel: the editor needs a parent window from the host "
                         "(ui:parent); use the host's generic controls instead.\n");
    return nullptr;
  }
  IGraphics* graphics = plug->GetGUI();
  if (!graphics || !kLV2EditorWindows) {
    std::fprintf(stderr, "Corvanel: this build has no editor window.\n");
    return nullptr;
  }
  EditorUI* ui = new (std::nothrow) EditorUI{plug, graphics};
  if (!ui) return nullptr;
  IPlugLV2::UIHost host;
  host.mWrite = write;
  host.mController = controller;
  host.mTouch = (const LV2UI_Touch*)LV2Feature(features, LV2_UI__touch);
  host.mResize = (const LV2UI_Resize*)LV2Feature(features, LV2_UI__resize);
  host.mOwner = ui;
  plug->AttachUIHost(&host);
  void* window = nullptr;
  {
    WDL_MutexLock lock(&plug->mMutex);
    const float scale = HostScaleFactor(features);
    graphics->SetHostScale(scale > 0.0f ? editor_scale::NearestScale(scale) : 0);
    window = graphics->OpenWindow(parent);
    if (window) plug->EditorOpened();
  }
  if (!window) {
    std::fprintf(stderr, "Corvanel: the editor window could not be opened.\n");
    plug->AttachUIHost(nullptr);
    delete ui;
    return nullptr;
  }
  *widget = (LV2UI_Widget)window;
  plug->EditorResized(); // the host learns the size the editor opened at
  return ui;
}

// [UI thread] Closes the editor, unless a newer UI of the same instance has taken it over;
// the plug-in keeps its controls for the next opening.
void Cleanup(LV2UI_Handle handle) {
  EditorUI* ui = (EditorUI*)handle;
  if (!ui) return;
  if (ui->mPlug->UIOwner() == ui) {
    {
      WDL_MutexLock lock(&ui->mPlug->mMutex);
      ui->mPlug->EditorClosed();
      ui->mGraphics->CloseWindow();
    }
    ui->mPlug->AttachUIHost(nullptr);
  }
  delete ui;
}

// [UI thread] The plug-in shows port changes in the editor itself (as the host sets them),
// so the host's notifications have nothing to add.
void PortEvent(LV2UI_Handle, uint32_t, uint32_t, uint32_t, const void*) {}

// [UI thread] The editor's ticks and window events, without the instance mutex as under
// effEditIdle: what they change takes the mutex itself. 0 keeps the UI open.
int Idle(LV2UI_Handle handle) {
  EditorUI* ui = (EditorUI*)handle;
  if (ui && ui->mPlug->UIOwner() == ui && ui->mGraphics->WindowIsOpen()) ui->mGraphics->HostIdle();
  return 0;
}

const LV2UI_Idle_Interface kIdle = {Idle};

const void* ExtensionData(const char* uri) {
  return uri && !std::strcmp(uri, LV2_UI__idleInterface) ? &kIdle : nullptr;
}
} // namespace

const LV2UI_Descriptor* LV2EditorDescriptor(const char* uiURI) {
  static LV2UI_Descriptor descriptor;
  descriptor.URI = uiURI;
  descriptor.instantiate = Instantiate;
  descriptor.cleanup = Cleanup;
  descriptor.port_event = PortEvent;
  descriptor.extension_data = ExtensionData;
  return &descriptor;
}
