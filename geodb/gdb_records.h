// Conversion between the database records and their bytes on disk.
#pragma once
#include <cstdint>
#include <string_view>

#include "geodb/Tyx_GeoDB.h"

namespace tyx::gdb {

/// The extensions of a database's files: the five indexes, then the summary and the data file.
inline constexpr const char* kFileExt[7] = {".tyxgi0", ".tyxgi1", ".tyxgi2", ".tyxgi3",
                                            ".tyxgi4", ".tyxgds", ".tyxgdd"};
inline constexpr int64_t kRecSize = 120;
inline constexpr int64_t kMetaSize = 1024;
inline constexpr int64_t kHeaderSize = 260;
inline constexpr int64_t kIxRecSize = 8;
inline constexpr int64_t kPointSize = 8;
inline constexpr std::size_t kChunk = 16384;

/// The 120 bytes of a record; padding is written as zeros.
void EncodeRecord(const TgdbData& Rec, uint8_t* Out);
/// A record from its 120 bytes; any non-zero Closed byte reads as true.
TgdbData DecodeRecord(const uint8_t* In);
/// Stores single-byte text as an item name, cut to 59, spaces beyond the name.
void SetNameBytes(TgdbName& Name, std::string_view Bytes);
/// The bytes of a block's extent: points or metadata plus data; -1 for kinds without a block.
int64_t BlockLength(const TgdbData& Rec);

} // namespace tyx::gdb
