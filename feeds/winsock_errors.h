#pragma once
// Socket errors in messages: the Winsock number and a short text.
#include <cstdint>
#include <string>

// "10048 Address already in use"; unknown numbers give "Unknown errror code".
std::string gf_winsockErrorText(std::int32_t error);
