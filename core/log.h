#pragma once
// Log.txt: one file for all threads, written a whole line at a time and flushed at once.
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <string_view>

// The innermost lock of the program: nothing else is taken while it is held.
extern std::mutex logMutex;
extern std::ofstream logStream;

// Keeps the two previous logs (Log0.txt, Log00.txt), opens the log and writes the banner.
// Throws when the log cannot be opened; the writers then write nothing.
void gf_openLog(const std::filesystem::path& file = "Log.txt");
// Closes the log (at exit, and for tests that open it again elsewhere).
void gf_closeLog();
bool gf_isLogOpen();

void gf_log(std::string_view text);
void gf_logWarning(std::string_view text);  // "===> " in front
void gf_logIndented(std::string_view text); // ten blanks in front
// Writes nothing once the run is stopping or the user closed the window.
void gf_logWhileRunning(const std::string& text);
