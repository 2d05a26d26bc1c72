-- Creates the session: rate, period, tempo map, one stereo track holding a
-- region of the job's length at position 0. This Ardour binds no file import for
-- Lua, so the region is bounced from the empty track (Ardour writes one mono float
-- source file per channel); the driver then writes the input into those files.
JOB = dofile(arg[1])
dofile(JOB.lua_dir .. "/common.lua")

start_engine()
local s = create_session(JOB.session_dir, JOB.session_name, JOB.rate)
check_session(s)

-- Tempo: JOB.tempo from the start, then { bar, bpm } changes (bars count from 1, 4/4).
local tm = Temporal.TempoMap.fetch_writable()
tm:set_tempo(Temporal.Tempo(JOB.tempo, JOB.tempo, 4), Temporal.timepos_t(0))
for _, change in ipairs(JOB.tempo_changes) do
  local ticks = Temporal.ticks_per_beat * 4 * (change[1] - 1)
  tm:set_tempo(Temporal.Tempo(change[2], change[2], 4), Temporal.timepos_t.from_ticks(ticks))
end
Temporal.TempoMap.update(tm)

local tracks = s:new_audio_track(2, 2, nil, 1, JOB.track, ARDOUR.PresentationInfo.max_order,
                                 ARDOUR.TrackMode.Normal, true)
if tracks:size() ~= 1 then fail("the track could not be made") end
local track = tracks:front()

-- Ardour connects a new track to the master bus from a thread of its own, which a loaded
-- machine can leave behind the save below: the session then exports silence, every time.
local master_in = s:master_out():input()
for i = 0, 1 do
  local port, dest = track:output():audio(i), master_in:audio(i):name()
  if port:connect(dest) ~= 0 or not port:connected_to(dest) then
    fail("the track's output " .. i .. " could not be connected to the master bus")
  end
end

local region = track:bounce_range(0, JOB.frames, ARDOUR.InterThreadInfo(),
                                  ARDOUR.LuaAPI.nil_proc(), false, "input", false)
if region:isnil() then fail("the input region could not be made") end
-- Regions fade in and out over 64 samples by default; the input must play as is.
local audio = region:to_audioregion()
audio:set_fade_in_active(false)
audio:set_fade_out_active(false)
track:playlist():add_region(region, Temporal.timepos_t(0), 1, false)
for i = 0, audio:n_channels() - 1 do
  say("source", i, region:source(i):name())
end

if s:save_state("", false, false, false, false, false) ~= 0 then
  fail("the session could not be saved")
end
finish()
