// The gui extension: the editor's window embedded in the host's window or floating on its
// own, x11 on Linux and win32 on Windows; on macOS the editor's Cocoa view embedded in the
// host's NSView (cocoa), never floating. The life, as the host asks:
//   create(api, floating) → [embedded] set_parent: the window opens in the host's window;
//   [floating] set_transient, suggest_title, show: a top-level window opens →
//   show / hide → destroy: the window closes.
// On Linux the editor is driven only by the host's main loop: the host's timer runs its
// ticks and the host watches the window's display connection, calling back when events
// arrive; there is no thread of our own, the timer and fd are dropped while hidden and
// none stays registered after destroy. On Windows the window runs on the system's own
// messages and timer, as under VST2; on macOS the view's own timer on the main run loop
// drives it, as in the Audio Unit, and destroy takes the view out of the host's view.
// Every call is on the main thread. The editor's idle runs without the instance mutex, as
// under VST2: what it changes takes the mutex itself.
#include "ClapExtensions.h"
#include "IPlugCLAP.h"

#include <cstring>

#if defined(CORVANEL_MACOS)
#define CORVANEL_CLAP_COCOA 1
#elif defined(__linux__)
#define CORVANEL_CLAP_X11 1
#endif
#if defined(CORVANEL_CLAP_COCOA) || defined(CORVANEL_CLAP_X11) || defined(_WIN32)
#include "PlatformGraphics.h"
#define CORVANEL_CLAP_GUI 1
#endif

#ifdef CORVANEL_CLAP_GUI
#ifdef _WIN32
#include <windows.h>
#endif

namespace {
#if defined(CORVANEL_CLAP_X11)
constexpr const char* kApi = clapabi::kWindowApiX11;
constexpr bool kFloats = true;
// The editor draws at 24 frames a second from real time: a shorter period only keeps the
// ticks close to it.
constexpr uint32_t kTimerPeriodMs = 20;
#elif defined(CORVANEL_CLAP_COCOA)
constexpr const char* kApi = clapabi::kWindowApiCocoa;
// The view has no window of its own to float in.
constexpr bool kFloats = false;
#else
constexpr const char* kApi = clapabi::kWindowApiWin32;
constexpr bool kFloats = true;

// The floating editor's frame: a captioned top-level window holding the editor's child
// window. Closing it hides it and tells the host, which destroys the editor when it wants.
constexpr char kFrameClass[] = "CorvanelClapFrame";
constexpr DWORD kFrameStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
int sFrames = 0; // frames open in the process: the class is registered while any is

HINSTANCE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                         GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     (LPCSTR)&ThisModule, &module);
  return (HINSTANCE)module;
}
#endif
} // namespace

struct ClapGuiExtension {
  static IPlugCLAP* Plug(const clapabi::Plugin* plugin) {
    return plugin ? (IPlugCLAP*)plugin->plugin_data : nullptr;
  }
  static PlatformGraphics* Editor(IPlugCLAP* plug) {
    return plug ? static_cast<PlatformGraphics*>(plug->GetGUI()) : nullptr;
  }

#if defined(CORVANEL_CLAP_X11)
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
  // Without the host's timer the editor would never draw.
  static bool HostCanDrive(IPlugCLAP* plug) {
    return plug->mHostTimers && plug->mHostTimers->register_timer;
  }
  static bool OpenFloating(IPlugCLAP* plug, const char* title) {
    return Editor(plug)->OpenFloatingWindow(title, (unsigned long)plug->mGuiOwner);
  }
  // The floating window is the editor's own top-level window: it resizes itself.
  static void ResizeFloating(IPlugCLAP*) {}
  static void CloseFloating(IPlugCLAP*) {}
#elif defined(CORVANEL_CLAP_COCOA)
  // The view's own timer drives it; there is no floating window.
  static void StartDriving(IPlugCLAP*) {}
  static void StopDriving(IPlugCLAP*) {}
  static bool HostCanDrive(IPlugCLAP*) { return true; }
  static bool OpenFloating(IPlugCLAP*, const char*) { return false; }
  static void ResizeFloating(IPlugCLAP*) {}
  static void CloseFloating(IPlugCLAP*) {}
#else
  static void StartDriving(IPlugCLAP*) {}
  static void StopDriving(IPlugCLAP*) {}
  static bool HostCanDrive(IPlugCLAP*) { return true; }

  static LRESULT CALLBACK FrameProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CLOSE) {
      IPlugCLAP* plug = (IPlugCLAP*)GetWindowLongPtrA(wnd, GWLP_USERDATA);
      ShowWindow(wnd, SW_HIDE);
      if (plug && plug->mHostGui && plug->mHostGui->closed)
        plug->mHostGui->closed(plug->mClapHost, false);
      return 0;
    }
    return DefWindowProcA(wnd, msg, wParam, lParam);
  }
  static bool OpenFloating(IPlugCLAP* plug, const char* title) {
    const HINSTANCE module = ThisModule();
    if (sFrames++ == 0) {
      WNDCLASSA wc = {};
      wc.lpfnWndProc = FrameProc;
      wc.hInstance = module;
      wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
      wc.lpszClassName = kFrameClass;
      RegisterClassA(&wc);
    }
    RECT r = FrameRect(plug);
    HWND frame = CreateWindowExA(0, kFrameClass, title, kFrameStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                                 r.right - r.left, r.bottom - r.top, (HWND)plug->mGuiOwner,
                                 nullptr, module, nullptr);
    if (!frame || !Editor(plug)->OpenWindow(frame)) {
      if (frame) DestroyWindow(frame);
      if (--sFrames == 0) UnregisterClassA(kFrameClass, module);
      return false;
    }
    SetWindowLongPtrA(frame, GWLP_USERDATA, (LONG_PTR)plug);
    plug->mGuiFrame = frame;
    return true;
  }
  // The floating frame around the editor at its current size.
  static RECT FrameRect(IPlugCLAP* plug) {
    RECT r = {0, 0, Editor(plug)->DeviceWidth(), Editor(plug)->DeviceHeight()};
    AdjustWindowRect(&r, kFrameStyle, FALSE);
    return r;
  }
  static void ResizeFloating(IPlugCLAP* plug) {
    if (!plug->mGuiFrame) return;
    const RECT r = FrameRect(plug);
    SetWindowPos((HWND)plug->mGuiFrame, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  static void CloseFloating(IPlugCLAP* plug) {
    if (!plug->mGuiFrame) return;
    DestroyWindow((HWND)plug->mGuiFrame);
    plug->mGuiFrame = nullptr;
    if (--sFrames == 0) UnregisterClassA(kFrameClass, ThisModule());
  }
#endif

  static bool CLAPABI_CALL IsApiSupported(const clapabi::Plugin* plugin, const char* api,
                                          bool floating) {
    return Editor(Plug(plugin)) && api && !std::strcmp(api, kApi) && (kFloats || !floating);
  }
  static bool CLAPABI_CALL GetPreferredApi(const clapabi::Plugin* plugin, const char** api,
                                           bool* floating) {
    if (!Editor(Plug(plugin)) || !api || !floating) return false;
    *api = kApi;
    *floating = false;
    return true;
  }
  static bool CLAPABI_CALL Create(const clapabi::Plugin* plugin, const char* api, bool floating) {
    IPlugCLAP* plug = Plug(plugin);
    if (!IsApiSupported(plugin, api, floating) || plug->mGuiCreated) return false;
    plug->CheckThread(false, "gui.create");
    if (!HostCanDrive(plug)) {
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
    PlatformGraphics* editor = Editor(plug);
    if (editor->WindowIsOpen()) {
      WDL_MutexLock lock(&plug->mMutex);
      plug->EditorClosed();
      editor->CloseWindow();
    }
    CloseFloating(plug);
    plug->mGuiCreated = false;
    plug->MarkDirtyIfPending();
  }
  // x11 and win32 sizes are physical pixels: the editor draws at the nearest of 100, 150 and
  // 200 % (unless the user chose a size). Cocoa hosts never call it: the view follows its
  // backing store.
  static bool CLAPABI_CALL SetScale(const clapabi::Plugin* plugin, double scale) {
#ifdef CORVANEL_CLAP_COCOA
    (void)plugin;
    (void)scale;
    return false;
#else
    IPlugCLAP* plug = Plug(plugin);
    if (!plug || !plug->mGuiCreated) return false;
    plug->CheckThread(false, "gui.set_scale");
    Editor(plug)->SetHostScale(editor_scale::NearestScale(scale));
    return true;
#endif
  }
  // The size in the API's units: physical pixels for x11 and win32, points for cocoa.
  static void HostSize(PlatformGraphics* editor, uint32_t* w, uint32_t* h) {
#ifdef CORVANEL_CLAP_COCOA
    *w = (uint32_t)editor->ViewWidth();
    *h = (uint32_t)editor->ViewHeight();
#else
    *w = (uint32_t)editor->DeviceWidth();
    *h = (uint32_t)editor->DeviceHeight();
#endif
  }
  static bool CLAPABI_CALL GetSize(const clapabi::Plugin* plugin, uint32_t* w, uint32_t* h) {
    IPlugCLAP* plug = Plug(plugin);
    if (!plug || !plug->mGuiCreated || !w || !h) return false;
    HostSize(Editor(plug), w, h);
    return true;
  }
  static bool CLAPABI_CALL CanResize(const clapabi::Plugin*) { return false; }
  static bool CLAPABI_CALL GetResizeHints(const clapabi::Plugin*, clapabi::GuiResizeHints*) {
    return false;
  }
  static bool CLAPABI_CALL AdjustSize(const clapabi::Plugin*, uint32_t*, uint32_t*) {
    return false;
  }
  // The editor's size follows its scale alone: asking for it is all that succeeds.
  static bool CLAPABI_CALL SetSize(const clapabi::Plugin* plugin, uint32_t w, uint32_t h) {
    uint32_t ww = 0, hh = 0;
    return GetSize(plugin, &ww, &hh) && ww == w && hh == h;
  }
  static bool CLAPABI_CALL SetParent(const clapabi::Plugin* plugin, const clapabi::Window* window) {
    IPlugCLAP* plug = Plug(plugin);
    if (!plug || !plug->mGuiCreated || plug->mGuiFloating || !window || !window->api ||
        std::strcmp(window->api, kApi) != 0 || !window->ptr)
      return false;
    StopDriving(plug); // a new parent: the old window's connection goes
    {
      WDL_MutexLock lock(&plug->mMutex);
#if defined(CORVANEL_CLAP_X11)
      void* parent = (void*)(uintptr_t)window->x11;
#elif defined(CORVANEL_CLAP_COCOA)
      void* parent = window->cocoa;
#else
      void* parent = window->win32;
#endif
      if (!Editor(plug)->OpenWindow(parent)) return false;
      plug->EditorOpened();
    }
    StartDriving(plug);
    return true;
  }
  static bool CLAPABI_CALL SetTransient(const clapabi::Plugin* plugin, const clapabi::Window* window) {
    IPlugCLAP* plug = Plug(plugin);
    if (!plug || !plug->mGuiCreated || !plug->mGuiFloating || !window || !window->api ||
        std::strcmp(window->api, kApi) != 0)
      return false;
    plug->mGuiOwner = (uintptr_t)window->ptr;
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
    PlatformGraphics* editor = Editor(plug);
    if (plug->mGuiFloating && !editor->WindowIsOpen()) {
      WDL_MutexLock lock(&plug->mMutex);
      const char* title = plug->mGuiTitle[0] ? plug->mGuiTitle : plug->GetEffectName();
      if (!OpenFloating(plug, title)) return false;
      plug->EditorOpened();
    }
    if (!editor->WindowIsOpen()) return false;
#ifdef _WIN32
    if (plug->mGuiFrame) ShowWindow((HWND)plug->mGuiFrame, SW_SHOW);
#endif
    StartDriving(plug);
    return true;
  }
  static bool CLAPABI_CALL Hide(const clapabi::Plugin* plugin) {
    IPlugCLAP* plug = Plug(plugin);
    if (!plug || !plug->mGuiCreated) return false;
    StopDriving(plug);
#ifdef _WIN32
    if (plug->mGuiFrame) ShowWindow((HWND)plug->mGuiFrame, SW_HIDE);
#endif
    return true;
  }

  // [main thread] The editor's size changed (its scale): an embedded editor asks the host
  // for the new size, a floating one resizes its frame.
  static void Resized(IPlugCLAP* plug) {
    if (!plug->mGuiCreated) return;
    if (plug->mGuiFloating) {
      ResizeFloating(plug);
      return;
    }
    // Before set_parent the host has not sized anything yet: get_size tells it.
    if (!Editor(plug)->GetWindow()) return;
    uint32_t w = 0, h = 0;
    HostSize(Editor(plug), &w, &h);
    if (plug->mHostGui && plug->mHostGui->request_resize)
      plug->mHostGui->request_resize(plug->mClapHost, w, h);
  }

#if defined(CORVANEL_CLAP_X11)
  // [main thread] The host's timer and fd callbacks: the editor's ticks and events.
  static void Idle(IPlugCLAP* plug) {
    PlatformGraphics* editor = Editor(plug);
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
#endif
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
} // namespace
const clapabi::PluginGui* const kClapGui = &kGui;

void ClapGuiResized(IPlugCLAP* plug) { ClapGuiExtension::Resized(plug); }

#if defined(CORVANEL_CLAP_X11)
namespace {
const clapabi::PluginTimerSupport kTimerSupport = {ClapGuiExtension::OnTimer};
const clapabi::PluginPosixFdSupport kPosixFdSupport = {ClapGuiExtension::OnFd};
} // namespace
const clapabi::PluginTimerSupport* const kClapTimerSupport = &kTimerSupport;
const clapabi::PluginPosixFdSupport* const kClapPosixFdSupport = &kPosixFdSupport;
#else
// The system drives the window: no host timer or fd is needed.
const clapabi::PluginTimerSupport* const kClapTimerSupport = nullptr;
const clapabi::PluginPosixFdSupport* const kClapPosixFdSupport = nullptr;
#endif

#else
// No editor window on this platform.
void ClapGuiResized(IPlugCLAP*) {}
const clapabi::PluginGui* const kClapGui = nullptr;
const clapabi::PluginTimerSupport* const kClapTimerSupport = nullptr;
const clapabi::PluginPosixFdSupport* const kClapPosixFdSupport = nullptr;
#endif
