// The gui extension on Linux: the editor's X11 window, embedded in the host's window or
// floating on its own, driven only by the host's main loop. The host's timer runs the
// editor's ticks and the host watches the window's display connection, calling back when
// events arrive; there is no thread of our own. The life, as the host asks:
//   create(x11, floating) → [embedded] set_parent: the window opens in the host's window;
//   [floating] set_transient, suggest_title, show: a top-level window opens →
//   show / hide (the host's timer and fd are dropped while hidden) → destroy: the window
//   closes, and no timer or fd stays registered.
// Every call is on the main thread. The editor's idle runs without the instance mutex, as
// under VST2: what it changes takes the mutex itself.
#include "ClapExtensions.h"
#include "IPlugCLAP.h"

#include <cstring>

#if defined(__linux__)
#include "IGraphicsLinux.h"

namespace {
// The editor draws at 24 frames a second from real time: a shorter period only keeps the
// ticks close to it.
constexpr uint32_t kTimerPeriodMs = 20;
} // namespace

struct ClapGuiExtension {
  static IPlugCLAP* Plug(const clapabi::Plugin* plugin) {
    return plugin ? (IPlugCLAP*)plugin->plugin_data : nullptr;
  }
  static IGraphicsLinux* Editor(IPlugCLAP* plug) {
    return plug ? static_cast<IGraphicsLinux*>(plug->GetGUI()) : nullptr;
  }

  // The host's timer and its watch of the window's connection, while the window shows.
  static void StartDriving(IPlugCLAP* plug) {
    const clapabi::HostTimerSupport* timers = plug->mHostTimers;
    if (plug->mGuiTimer == clapabi::kInvalidId && timers && timers->register_timer) {
      clapabi::Id id = clapabi::kInvalidId;
      if (timers->register_timer(plug->mClapHost, kTimerPeriodMs, &id)) plug->mGuiTimer = id;
    }
    const clapabi::HostPosixFdSupport* fds = plug->mHostFds;
    const int fd = Editor(plug)->WindowConnectionFd();
    if (plug->mGuiFd < 0 && fd >= 0 && fds && fds->register_fd &&
        fds->register_fd(plug->mClapHost, fd, clapabi::kFdRead))
      plug->mGuiFd = fd;
  }
  static void StopDriving(IPlugCLAP* plug) {
    if (plug->mGuiTimer != clapabi::kInvalidId && plug->mHostTimers->unregister_timer)
      plug->mHostTimers->unregister_timer(plug->mClapHost, plug->mGuiTimer);
    plug->mGuiTimer = clapabi::kInvalidId;
    if (plug->mGuiFd >= 0 && plug->mHostFds->unregister_fd)
      plug->mHostFds->unregister_fd(plug->mClapHost, plug->mGuiFd);
    plug->mGuiFd = -1;
  }

  static bool CLAPABI_CALL IsApiSupported(const clapabi::Plugin* plugin, const char* api,
                                          bool floating) {
    (void)floating; // both ways
    return Editor(Plug(plugin)) && api && !std::strcmp(api, clapabi::kWindowApiX11);
  }
  static bool CLAPABI_CALL GetPreferredApi(const clapabi::Plugin* plugin, const char** api,
                                           bool* floating) {
    if (!Editor(Plug(plugin)) || !api || !floating) return false;
    *api = clapabi::kWindowApiX11;
    *floating = false;
    return true;
  }
  // Without the host's timer the editor would never draw: refused, as it cannot run.
  static bool CLAPABI_CALL Create(const clapabi::Plugin* plugin, const char* api, bool floating) {
    IPlugCLAP* plug = Plug(plugin);
    if (!IsApiSupported(plugin, api, floating) || plug->mGuiCreated) return false;
    plug->CheckThread(false, "gui.create");
    if (!plug->mHostTimers || !plug->mHostTimers->register_timer) {
      plug->Log(clapabi::kLogError, "Corvanel: the editor needs the host's timer-support");
      return false;
    }
    plug->mGuiCreated = true;
    plug->mGuiFloating = floating;
    plug->mGuiOwner = 0;
    plug->mGuiTitle[0] = 0;
    return true;
  }
  static void CLAPABI_CALL Destroy(const clapabi::Plugin* plugin) {
    IPlugCLAP* plug = Plug(plugin);
    if (!plug || !plug->mGuiCreated) return;
    plug->CheckThread(false, "gui.destroy");
    StopDriving(plug);
    IGraphicsLinux* editor = Editor(plug);
    if (editor->WindowIsOpen()) {
      WDL_MutexLock lock(&plug->mMutex);
      plug->EditorClosed();
      editor->CloseWindow();
    }
    plug->mGuiCreated = false;
    plug->MarkDirtyIfPending();
  }
  static bool CLAPABI_CALL SetScale(const clapabi::Plugin*, double) { return false; }
  static bool CLAPABI_CALL GetSize(const clapabi::Plugin* plugin, uint32_t* w, uint32_t* h) {
    IPlugCLAP* plug = Plug(plugin);
    if (!plug || !plug->mGuiCreated || !w || !h) return false;
    *w = (uint32_t)Editor(plug)->Width();
    *h = (uint32_t)Editor(plug)->Height();
    return true;
  }
  static bool CLAPABI_CALL CanResize(const clapabi::Plugin*) { return false; }
  static bool CLAPABI_CALL GetResizeHints(const clapabi::Plugin*, clapabi::GuiResizeHints*) {
    return false;
  }
  static bool CLAPABI_CALL AdjustSize(const clapabi::Plugin*, uint32_t*, uint32_t*) {
    return false;
  }
  // The editor has one size: asking for it is all that succeeds.
  static bool CLAPABI_CALL SetSize(const clapabi::Plugin* plugin, uint32_t w, uint32_t h) {
    uint32_t ww = 0, hh = 0;
    return GetSize(plugin, &ww, &hh) && ww == w && hh == h;
  }
  static bool CLAPABI_CALL SetParent(const clapabi::Plugin* plugin, const clapabi::Window* window) {
    IPlugCLAP* plug = Plug(plugin);
    if (!plug || !plug->mGuiCreated || plug->mGuiFloating || !window || !window->api ||
        std::strcmp(window->api, clapabi::kWindowApiX11) != 0 || !window->x11)
      return false;
    StopDriving(plug); // a new parent: the old window's connection goes
    {
      WDL_MutexLock lock(&plug->mMutex);
      if (!Editor(plug)->OpenWindow((void*)(uintptr_t)window->x11)) return false;
      plug->EditorOpened();
    }
    StartDriving(plug);
    return true;
  }
  static bool CLAPABI_CALL SetTransient(const clapabi::Plugin* plugin, const clapabi::Window* window) {
    IPlugCLAP* plug = Plug(plugin);
    if (!plug || !plug->mGuiCreated || !plug->mGuiFloating || !window || !window->api ||
        std::strcmp(window->api, clapabi::kWindowApiX11) != 0)
      return false;
    plug->mGuiOwner = window->x11;
    return true;
  }
  static void CLAPABI_CALL SuggestTitle(const clapabi::Plugin* plugin, const char* title) {
    IPlugCLAP* plug = Plug(plugin);
    if (!plug || !plug->mGuiCreated || !title) return;
    std::strncpy(plug->mGuiTitle, title, sizeof(plug->mGuiTitle) - 1);
    plug->mGuiTitle[sizeof(plug->mGuiTitle) - 1] = 0;
  }
  static bool CLAPABI_CALL Show(const clapabi::Plugin* plugin) {
    IPlugCLAP* plug = Plug(plugin);
    if (!plug || !plug->mGuiCreated) return false;
    IGraphicsLinux* editor = Editor(plug);
    if (plug->mGuiFloating && !editor->WindowIsOpen()) {
      WDL_MutexLock lock(&plug->mMutex);
      const char* title = plug->mGuiTitle[0] ? plug->mGuiTitle : plug->GetEffectName();
      if (!editor->OpenFloatingWindow(title, plug->mGuiOwner)) return false;
      plug->EditorOpened();
    }
    if (!editor->WindowIsOpen()) return false;
    StartDriving(plug);
    return true;
  }
  static bool CLAPABI_CALL Hide(const clapabi::Plugin* plugin) {
    IPlugCLAP* plug = Plug(plugin);
    if (!plug || !plug->mGuiCreated) return false;
    StopDriving(plug);
    return true;
  }

  // [main thread] The host's timer and fd callbacks: the editor's ticks and events.
  static void Idle(IPlugCLAP* plug) {
    IGraphicsLinux* editor = Editor(plug);
    if (plug->mGuiCreated && editor && editor->WindowIsOpen()) editor->HostIdle();
    plug->MarkDirtyIfPending();
  }
  static void CLAPABI_CALL OnTimer(const clapabi::Plugin* plugin, clapabi::Id id) {
    IPlugCLAP* plug = Plug(plugin);
    if (plug && id == plug->mGuiTimer) Idle(plug);
  }
  static void CLAPABI_CALL OnFd(const clapabi::Plugin* plugin, int fd, uint32_t flags) {
    IPlugCLAP* plug = Plug(plugin);
    if (plug && fd == plug->mGuiFd && fd >= 0) Idle(plug);
  }
};

namespace {
const clapabi::PluginGui kGui = {
    ClapGuiExtension::IsApiSupported, ClapGuiExtension::GetPreferredApi,
    ClapGuiExtension::Create,         ClapGuiExtension::Destroy,
    ClapGuiExtension::SetScale,       ClapGuiExtension::GetSize,
    ClapGuiExtension::CanResize,      ClapGuiExtension::GetResizeHints,
    ClapGuiExtension::AdjustSize,     ClapGuiExtension::SetSize,
    ClapGuiExtension::SetParent,      ClapGuiExtension::SetTransient,
    ClapGuiExtension::SuggestTitle,   ClapGuiExtension::Show,
    ClapGuiExtension::Hide,
};
const clapabi::PluginTimerSupport kTimerSupport = {ClapGuiExtension::OnTimer};
const clapabi::PluginPosixFdSupport kPosixFdSupport = {ClapGuiExtension::OnFd};
} // namespace

const clapabi::PluginGui* const kClapGui = &kGui;
const clapabi::PluginTimerSupport* const kClapTimerSupport = &kTimerSupport;
const clapabi::PluginPosixFdSupport* const kClapPosixFdSupport = &kPosixFdSupport;

#else
// No editor window on this platform yet.
const clapabi::PluginGui* const kClapGui = nullptr;
const clapabi::PluginTimerSupport* const kClapTimerSupport = nullptr;
const clapabi::PluginPosixFdSupport* const kClapPosixFdSupport = nullptr;
#endif
