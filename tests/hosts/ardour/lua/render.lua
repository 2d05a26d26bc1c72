-- Opens the session the driver made, inserts the plug-in on the track, applies the
-- preset and the parameters, exports the master output and optionally saves.
JOB = dofile(arg[1])
dofile(JOB.lua_dir .. "/common.lua")

local s, track = open_session()

if JOB.plugin then
  local proc = insert_plugin(s, track, JOB.plugin)
  if JOB.preset then load_preset(proc, JOB.preset) end
  set_params(proc, JOB.params)
  -- A few periods so the values reach the plug-in before the export locates.
  ARDOUR.LuaAPI.wait_for_process_callback(4, 2000)
  report_params(proc)
end

export_master(s)
if JOB.save then save_session(s) end
finish()
