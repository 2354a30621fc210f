#pragma once
// The start of every run, before the scans: the program's own folder, the settings and
// folders, the reference data and airports, the simulator's installation and RealTraffic
// on this PC. Worker thread; errors propagate to the worker's handlers.

// The program runs from its own folder, which holds "docs"; UserErrorException 41 otherwise.
void gf_checkProgramFolder();
void gf_startupChecks();
// Finds the simulator's install folder when none is set; UserErrorException 151 or 153.
void gf_detectP3DInstallPath();
void gf_setStockSceneryFolder();
// LiveriesScanned.xml gone while no scan is set: a scan is set (and saved) for this run.
void gf_checkScannedLiveries();
