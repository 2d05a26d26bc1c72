-- Opens the session the driver made, inserts the plug-in on the track, applies the
-- preset and the parameters, optionally saves, and exports the master output.
JOB = dofile(arg[1])
dofile(JOB.lua_dir .. "/common.lua")

local s, track = open_session()

if JOB.plugin then
  local kind = ARDOUR.PluginType[JOB.plugin.type]
  local proc = ARDOUR.LuaAPI.new_plugin(s, JOB.plugin.id, kind, "")
  if proc:isnil() then
    fail("Ardour has no " .. JOB.plugin.type .. " plug-in " .. JOB.plugin.id)
  end
  if track:add_processor_by_index(proc, 0, nil, true) ~= 0 then
    fail("the plug-in could not be inserted on the track")
  end
  local plugin = proc:to_insert():plugin(0)
  say("plugin", plugin:name())
  if JOB.preset then
    local preset = plugin:preset_by_label(JOB.preset)
    if preset == nil or not preset.valid then fail("no preset named " .. JOB.preset) end
    if not plugin:load_preset(preset) then fail("the preset " .. JOB.preset .. " did not load") end
  end
  for _, p in ipairs(JOB.params) do
    if not ARDOUR.LuaAPI.set_processor_param(proc, p[1], p[2]) then
      fail("the plug-in has no input parameter " .. p[1] .. " taking " .. p[2])
    end
  end
  -- A few periods so the values reach the plug-in before the export locates.
  ARDOUR.LuaAPI.wait_for_process_callback(4, 2000)
  report_params(proc)
end

-- Saved first: an export now and then leaves Ardour's heap corrupted, and the save
-- after it was where the process died.
if JOB.save then
  if s:save_state("", false, false, false, false, false) ~= 0 then
    fail("the session could not be saved")
  end
  say("saved")
end
export_master(s)
finish()
