#include "WinTestHost.h"

#include <cstdarg>
#include <cstdio>

namespace wintesthost {
namespace {

constexpr UINT kCommandMsg = WM_APP + 1;
constexpr UINT_PTR kAudioTimer = 7;
const char kHostClass[] = "CorvanelTestHost";

LRESULT CALLBACK DefaultHostProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_CLOSE) return 0; // only the quit command ends the host
  return DefWindowProcA(hWnd, msg, wParam, lParam);
}

void PrintEntry(int n, HWND host) {
  HWND editor = EditorWindow(host);
  HWND entry = editor ? GetDlgItem(editor, 99) : nullptr;
  if (!entry) {
    Print("ENTRY %d none\n", n);
    return;
  }
  char cls[64] = {0}, text[256] = {0};
  GetClassNameA(entry, cls, sizeof(cls));
  GetWindowTextA(entry, text, sizeof(text));
  RECT r;
  GetWindowRect(entry, &r);
  MapWindowPoints(HWND_DESKTOP, editor, (POINT*)&r, 2);
  Print("ENTRY %d %s %ld %ld %ld %ld \"%s\"\n", n, cls, r.left, r.top, r.right - r.left,
        r.bottom - r.top, text);
}

void PrintRect(int n, HWND host) {
  HWND editor = EditorWindow(host);
  if (!editor) {
    Print("RECT %d none\n", n);
    return;
  }
  RECT r, h;
  GetWindowRect(editor, &r);
  GetWindowRect(host, &h);
  Print("RECT %d %ld %ld %ld %ld\n", n, r.left - h.left, r.top - h.top, r.right - r.left,
        r.bottom - r.top);
}

// The commands about the host window, the same in every host. Answers false on quit.
bool RunCommand(const Callbacks& cb, const std::string& line, bool* audio) {
  char verb[32] = {0};
  int n = 0, a = 0, b = 0;
  if (std::sscanf(line.c_str(), "%31s %d", verb, &n) < 1) return true;
  const std::string v = verb;
  if (v == "quit") return false;
  if (v == "ping") {
    Print("PONG\n");
    return true;
  }
  if (v == "audio") {
    *audio = n != 0;
    return true;
  }
  HWND host = cb.window(n);
  if (!host) {
    Print("ERROR no instance %d\n", n);
    return true;
  }
  if (v == "rect") {
    PrintRect(n, host);
  } else if (v == "move" && std::sscanf(line.c_str(), "%*s %*d %d %d", &a, &b) == 2) {
    if (HWND editor = EditorWindow(host))
      SetWindowPos(editor, nullptr, a, b, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  } else if (v == "dpi" && std::sscanf(line.c_str(), "%*s %*d %d", &a) == 1) {
    // What Windows sends a per-monitor aware window moved to a monitor of another DPI.
    if (HWND editor = EditorWindow(host)) {
      RECT suggested;
      GetWindowRect(editor, &suggested);
      SendMessageA(editor, WM_DPICHANGED, MAKEWPARAM(a, a), (LPARAM)&suggested);
    }
  } else if (v == "focus") {
    SetFocus(EditorWindow(host));
  } else if (v == "entry") {
    PrintEntry(n, host);
  } else if (!cb.command(v, n, line)) {
    Print("ERROR unknown command %s\n", line.c_str());
  }
  return true;
}

// Standard input, read on a thread of its own and handed to the window thread.
DWORD WINAPI ReadCommands(LPVOID threadId) {
  char buf[4096];
  while (std::fgets(buf, sizeof(buf), stdin)) {
    std::string* line = new std::string(buf);
    while (!line->empty() && (line->back() == '\n' || line->back() == '\r'))
      line->pop_back();
    PostThreadMessageA((DWORD)(UINT_PTR)threadId, kCommandMsg, 0, (LPARAM)line);
  }
  PostThreadMessageA((DWORD)(UINT_PTR)threadId, kCommandMsg, 0, (LPARAM) new std::string("quit"));
  return 0;
}

} // namespace

long Ms() {
  static const DWORD start = GetTickCount();
  return (long)(GetTickCount() - start);
}

void Print(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  va_end(args);
  std::fflush(stdout);
}

HWND CreateHostWindow(int number, int editorW, int editorH, WNDPROC proc) {
  if (!proc) proc = DefaultHostProc;
  // One class per window procedure (a host uses one).
  char cls[64];
  std::snprintf(cls, sizeof(cls), "%s%p", kHostClass, (void*)proc);
  WNDCLASSA wc = {};
  if (!GetClassInfoA(GetModuleHandleA(nullptr), cls, &wc)) {
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
    wc.lpszClassName = cls;
    RegisterClassA(&wc);
  }
  char title[64];
  std::snprintf(title, sizeof(title), "Corvanel host %d", number);
  return CreateWindowExA(0, cls, title, WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN,
                         (number - 1) * (editorW + 20), 0, editorW + 20, editorH + 20, nullptr,
                         nullptr, GetModuleHandleA(nullptr), nullptr);
}

HWND EditorWindow(HWND host) { return GetWindow(host, GW_CHILD); }

void Run(const Callbacks& cb) {
  SetTimer(nullptr, kAudioTimer, 10, nullptr);
  CreateThread(nullptr, 0, ReadCommands, (LPVOID)(UINT_PTR)GetCurrentThreadId(), 0, nullptr);
  Print("READY\n");
  bool audio = false, running = true;
  MSG msg;
  while (running && GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (msg.hwnd == nullptr && msg.message == kCommandMsg) {
      std::string* line = (std::string*)msg.lParam;
      running = RunCommand(cb, *line, &audio);
      delete line;
    } else if (msg.hwnd == nullptr && msg.message == WM_TIMER) {
      if (audio) cb.audio();
    } else {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (cb.afterMessage) cb.afterMessage();
  }
}

} // namespace wintesthost
