#pragma once
// Once per process at start-up: fetch "versions.json" from the download base and fetch
// each data file whose published version is newer than the one recorded in the settings
// (AIG_VERSION, DBASE_VERSION), or that is missing. Every failure is a warning; the
// program goes on with the files it has.
void gf_checkDataVersions();
