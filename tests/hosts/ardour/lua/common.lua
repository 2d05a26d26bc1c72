-- Shared by the harness's Lua scripts, run by ardour7-lua (Ardour's headless
-- interpreter): the engine set-up and the report file. Each script first loads
-- the job the driver wrote (its first argument) into JOB.
-- Every script ends with os.exit: closing the session at the end has crashed
-- Ardour 7.3 ("corrupted size vs. prev_size"), and the state is saved before.

local report = assert(io.open(JOB.report, "w"))

-- One "key value..." line for the driver.
function say(...)
  local parts = {}
  for i, v in ipairs({...}) do parts[i] = tostring(v) end
  report:write(table.concat(parts, " "), "\n")
  report:flush()
end

-- Reports the error and ends: the driver turns the code into its message.
function fail(message)
  say("error", message)
  io.stderr:write("ardour harness: ", message, "\n")
  report:close()
  os.exit(3)
end

-- The dummy backend at the job's period size. create_session and load_session
-- take the dummy backend themselves when none is set, but only at its default
-- period of 1024 frames.
function start_engine()
  if not AudioEngine:set_backend("None (Dummy)", "", "") then
    fail("the dummy audio backend is not available")
  end
  if AudioEngine:set_buffer_size(JOB.block) ~= 0 then
    fail("the dummy backend refused a period of " .. JOB.block .. " frames")
  end
end

-- The session must run at the job's rate and period, or the measurement is void.
function check_session(s)
  if s == nil then fail("the session could not be opened") end
  if s:nominal_sample_rate() ~= JOB.rate then
    fail("the session runs at " .. s:nominal_sample_rate() .. " Hz, not " .. JOB.rate)
  end
  if s:get_block_size() ~= JOB.block then
    fail("the engine runs " .. s:get_block_size() .. "-frame periods, not " .. JOB.block)
  end
  say("session", s:nominal_sample_rate(), s:get_block_size())
end

-- Opens the saved session on the dummy backend; answers it and its track JOB.track.
function open_session()
  start_engine()
  local s = load_session(JOB.session_dir, JOB.session_name)
  check_session(s)
  local track = s:route_by_name(JOB.track)
  if track:isnil() then fail("the session has no track " .. JOB.track) end
  return s, track
end

-- The last line of a successful run: the driver takes nothing without it.
function finish()
  say("done")
  report:close()
  os.exit(0)
end

-- The plug-in inserted on the track (the first processor), or nil.
function first_plugin(track)
  local p = track:nth_plugin(0)
  if p:isnil() then return nil end
  return p
end

-- Every input parameter's value as the host holds it: "param N VALUE NAME", where N
-- is the number set_processor_param takes (the nth control parameter: for VST2 the
-- plug-in's own index; for LV2 the port index counts the audio ports too).
function report_params(proc)
  local plugin = proc:to_insert():plugin(0)
  local n = 0
  while n < plugin:parameter_count() do
    local id, ok = plugin:nth_parameter(n, false)
    if not ok[2] then break end
    if plugin:parameter_is_input(id) then
      local v = ARDOUR.LuaAPI.get_processor_param(proc, n)
      say("param", n, string.format("%.9g", v), plugin:parameter_label(id))
    end
    n = n + 1
  end
  say("params", n)
end

-- Exports the master bus from 0 for JOB.export_frames as float WAV into JOB.export_dir.
function export_master(s)
  local e = s:simple_export()
  e:set_folder(JOB.export_dir)
  e:set_name("render")
  e:set_range(0, JOB.export_frames)
  if not e:set_preset(JOB.export_preset) then fail("the export preset is not installed") end
  if not e:check_outputs() then fail("the master bus has no outputs to export") end
  if not e:run_export() then fail("the export failed") end
  say("exported")
end
