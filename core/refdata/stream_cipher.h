#pragma once
// The enciphered data files: a libsodium secretstream (XChaCha20-Poly1305) under the
// program's key: a 24-byte header, then messages of 4096 plain bytes each (the last one
// shorter and tagged final), 17 bytes of overhead per message.
#include <array>
#include <cstddef>
#include <filesystem>

inline constexpr std::size_t dataKeyBytes = 32;
inline constexpr std::size_t dataHeaderBytes = 24;
inline constexpr std::size_t dataPlainChunkBytes = 4096;
inline constexpr std::size_t dataChunkBytes = dataPlainChunkBytes + 17;

using DataKey = std::array<unsigned char, dataKeyBytes>;

// The key every data file of the program is enciphered with.
const DataKey& gf_dataKey();

// Deciphers the enciphered file into the plain file. On any failure it logs
// "gf_streamDecrypt exception: ...", removes the plain file and returns false; it never
// throws. A stream that ends without its final message is a failure: it was cut short.
bool gf_streamDecrypt(const std::filesystem::path& encrypted, const std::filesystem::path& plain);

// True when the file deciphers to its final message under the key; writes nothing.
// Logs why when it does not.
bool gf_streamDeciphers(const std::filesystem::path& encrypted, const DataKey& key = gf_dataKey());

// Enciphers the plain file into the enciphered file; throws std::runtime_error. The
// output appears only complete (written beside it, then renamed).
void gf_streamEncrypt(const std::filesystem::path& plain, const std::filesystem::path& encrypted,
                      const DataKey& key = gf_dataKey());
