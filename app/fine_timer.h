#pragma once
// The platform's timer resolution at 1 ms while the main loop runs, so that its sleeps of a
// few milliseconds end on time; natively there is nothing to raise.
void gf_beginFineTimer();
void gf_endFineTimer();
