-- The first half of a save-and-reopen test: inserts the plug-in, sets the visible
-- parameters (JOB.params) and exports "plain" (the default pattern), then applies the
-- pattern (JOB.pattern_params, or the preset JOB.pattern_preset for a format that
-- carries the pattern only in its state), exports "saved" and saves the session.
JOB = dofile(arg[1])
dofile(JOB.lua_dir .. "/common.lua")

local s, track = open_session()
local proc = insert_plugin(s, track, JOB.plugin)

-- A few periods after each change so the values reach the plug-in before the export.
set_params(proc, JOB.params)
ARDOUR.LuaAPI.wait_for_process_callback(4, 2000)
export_master(s, "plain")

if JOB.pattern_preset then load_preset(proc, JOB.pattern_preset) end
set_params(proc, JOB.pattern_params)
set_params(proc, JOB.params)  -- the visible values stay those set, whatever a preset held
ARDOUR.LuaAPI.wait_for_process_callback(4, 2000)
report_params(proc)
export_master(s, "saved")
save_session(s)
finish()
