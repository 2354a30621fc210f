#pragma once
// The livery scan at the start of a run: when a scan is requested (SCAN_LIVERIES), the
// folders holding the simulator's AI aircraft are found (automatically from the simulator's
// records, or from lfolder0..lfolder9), walked, and their liveries written to
// output/LiveriesScanned.xml with the scan's reports; then, scan or not, the livery tables
// are built from that file once per process.
#include <string>
#include <vector>

enum class FolderScanEnd { completed, stopped, nothingFound };

// Worker thread. Throws UserErrorException 43 (automatic scan found nothing), 48 (no
// lfolder set), 53 (manual scan found nothing) and the errors of the table building; a
// scanned-liveries file that cannot be written throws std::runtime_error and the scan stays
// requested.
void gf_scanLiveries();

// The folder list without repeats and without folders that lie inside one listed before
// them (each is walked as part of it); the first of equal entries stays. A folder listed
// before one it lies in stays, and the later walk passes it by. Empty entries stay.
std::vector<std::string> gf_distinctLiveryFolders(const std::vector<std::string>& folders);
// Walks the folders and, when it completes, writes the scanned-liveries file and reports.
FolderScanEnd gf_scanLiveryFolders(const std::vector<std::string>& folders);
