-- Reopens a saved session and reports the parameters of the track's first plug-in
-- as the restored plug-in gives them to Ardour; with JOB.export, exports the restored
-- session too.
JOB = dofile(arg[1])
dofile(JOB.lua_dir .. "/common.lua")

local s, track = open_session()
local proc = first_plugin(track)
if proc == nil then fail("the track holds no plug-in") end
say("plugin", proc:to_insert():plugin(0):name())
ARDOUR.LuaAPI.wait_for_process_callback(4, 2000)
report_params(proc)
if JOB.export then export_master(s) end
finish()
