#pragma once
// The per-second step and the jobs counted off its seconds. Their clock is the simulator's
// once-a-second data, so they stand still while the flight does not run. Worker thread.

// Resumes the report queue after a stopped flight, times out the status line's message,
// refreshes the counts and the week time, counts the seconds, checks one new live aircraft
// for a static twin, serves "Flush static", keeps aircraft out of the user aircraft's way
// and out of each other's, and applies the callsign blocking.
void gf_perSecondStep();
// The jobs of the current second: every 15 s the feed's reference position, the simulator
// time for RealTraffic, the reserved stand, a re-read and the periodic jobs; otherwise
// every 16 s the static parking, every 59 s the reader lamps and every 61 s the twin sweep.
void gf_scheduledJobs();
// The jobs of every 15th second and its multiples.
void gf_periodicJobs();
// Serves "Re-read" unless a static-parking round is being processed.
void gf_handleRereadRequest();
// The live, parked live and static counts of the window.
void gf_updateDisplayCounts();
