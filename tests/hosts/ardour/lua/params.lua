-- Reopens a saved session and reports the parameters of the track's first plug-in
-- as the restored plug-in gives them to Ardour.
JOB = dofile(arg[1])
dofile(JOB.lua_dir .. "/common.lua")

start_engine()
local s = load_session(JOB.session_dir, JOB.session_name)
check_session(s)
local track = s:route_by_name(JOB.track)
if track:isnil() then fail("the session has no track " .. JOB.track) end
local proc = first_plugin(track)
if proc == nil then fail("the track holds no plug-in") end
say("plugin", proc:to_insert():plugin(0):name())
ARDOUR.LuaAPI.wait_for_process_callback(4, 2000)
report_params(proc)
finish()
