#pragma once
// One record per livery the scan finds, and the scanned-liveries file output/LiveriesScanned.xml
// that keeps them between program starts: the only road from a scan to the livery tables.
#include <cstdint>
#include <list>
#include <string>

struct LiveryData {
  std::string airl;        // airline code
  std::string type;        // model code (type designator)
  std::string title;       // exactly as the title= line gives it: the simulator creates the aircraft by it
  std::string atcid;       // the one registration of the livery, empty for none or several
  std::int32_t folder = 0; // 1..10 as the folder scan counts its folders; 0 when read from the file
  bool cargo = false;

  // The folder is not compared.
  friend bool operator==(const LiveryData& a, const LiveryData& b) {
    return a.title == b.title && a.airl == b.airl && a.type == b.type && a.atcid == b.atcid && a.cargo == b.cargo;
  }
};

// By airline, then model, then title, each as bytes.
bool gf_liveryLess(const LiveryData& a, const LiveryData& b);

// Worker thread only.
extern std::list<LiveryData> ScannedLiveryList;

// Writes the list (nothing when it is empty) beside the file and puts it in place, so the
// previous file stays whole until the new one is. Returns whether the file was written.
bool gf_writeScannedLiveries();
// Replaces the list by the file's records, sorted. Throws UserErrorException 51 (missing
// or not well-formed), 52 (no <liveries>), 533 (no <liv>) and 999 (an attribute missing).
void gf_readScannedLiveries();
