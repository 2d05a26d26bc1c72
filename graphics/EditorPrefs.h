#pragma once
// The user's editor preferences, kept outside any host's saved state (the plug-in's
// state stays exactly what hosts and older versions read): one small text file per
// user, "scale=150". CORVANEL_CONFIG_DIR, when set, is the folder instead of the
// platform's (tests point it at a folder of their own):
//   Linux   $XDG_CONFIG_HOME/Corvanel, else ~/.config/Corvanel
//   Windows %APPDATA%\Corvanel
//   macOS   ~/Library/Application Support/Corvanel
// A missing, unreadable or damaged file is no preference; a failed write is ignored
// (the choice still holds for the open editor).
namespace editor_prefs {

// [editor thread] The editor size the user chose last (100, 150 or 200), 0 when none.
int LoadScale();
// [editor thread] Remembers the chosen size for the editors opened from now on.
void SaveScale(int percent);

} // namespace editor_prefs
