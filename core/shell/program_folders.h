#pragma once
// The folders the program keeps its output, airport files and own registration codes in,
// below its own folder (the working folder).
//
// Creates every folder that is missing ("output" with "info" and "errors", "airports" with
// "learned" and its "stock", "simaddon" and "thirdparty", "my_ORBX", "my_thirdparty", and
// "my_regcodes" in "input") and removes the old copies "AIG-regcodes0.xml" and
// "AIG-regcodes00.xml" from "input". Throws std::filesystem::filesystem_error.
void gf_createProgramFolders();
