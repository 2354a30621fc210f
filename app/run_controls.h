#pragma once
// Puts every control of the main window into its state for the start of a run: what the
// run needs is enabled and its lists filled; the controls of static parking and the
// destination wait until the park airport is read.
void gf_enableControlsForRun();
