#pragma once
// The meta block at the head of every XML file the program writes for its own later use:
//   <meta>
//     <info name="author" value="Hivemoor" />
//     <info name="version" value="11.0.3" />
//     <info name="date" value="Dec 08, 2026" />
//     <info name="copyright" value="..." />
//     <info name="P3D" value="v5/v6" />      or  <info name="MSFS" value="2020|2024" />
//   </meta>
// Readers accept or refuse a file by its entries.
#include "core/settings/parameter.h"

namespace pugi {
class xml_document;
class xml_node;
} // namespace pugi

// The simulator the next written file is meant for: "MSFS" at start; the writers of the
// scanned liveries and airport files set "P3D" first.
extern SharedText simulatorName;

// Appends the block as the node's last child (a document or an element). False when the
// node takes no children or an append failed; what was appended until then stays.
bool gf_writeMetaBlock(pugi::xml_node node);

// Reads the value of the first /meta/info entry named as the key into the key (the empty
// text when the entry has no value). Not found: the key becomes empty and false.
bool gf_readMetaInfo(const pugi::xml_document& document, StringParameter& key);
