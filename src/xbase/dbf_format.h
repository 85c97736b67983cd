// The DBF file layout (dBase III, FoxPro 2.x, Visual FoxPro) and the codecs of
// its field types. Pure functions over bytes: no file access here, so the
// reader can be fed hostile input (and fuzzed) without touching a disk.
#ifndef QX_XBASE_DBF_FORMAT_H_
#define QX_XBASE_DBF_FORMAT_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "xbase/table.h"

namespace xbase {

// Header flags byte (offset 28).
inline constexpr uint8_t kDbfFlagStructuralIndex = 0x01;
inline constexpr uint8_t kDbfFlagMemo = 0x02;

inline constexpr char kDbfDeletedMark = '*';
inline constexpr char kDbfLiveMark = ' ';
inline constexpr char kDbfEofMark = 0x1A;
inline constexpr int kDbfBacklinkSize = 263;  // Visual FoxPro only

struct DbfHeader {
  uint8_t version = 0x03;
  int update_year = 0;   // full year
  int update_month = 1;
  int update_day = 1;
  uint32_t record_count = 0;
  uint32_t header_length = 0;
  uint32_t record_length = 0;
  uint8_t flags = 0;
  uint8_t codepage = 0;
  // Every descriptor as stored, system fields (_NullFlags) included.
  std::vector<FieldInfo> all_fields;
  std::vector<uint8_t> field_flags;  // per all_fields: 0x01 system, 0x02 nullable
  int null_flags_field = -1;         // index into all_fields, -1 when absent

  bool visual_foxpro() const { return version == 0x30 || version == 0x31 || version == 0x32; }
  bool has_structural_index() const { return (flags & kDbfFlagStructuralIndex) != 0; }
};

// Versions this engine reads.
bool IsKnownDbfVersion(uint8_t version);

// Parses the fixed header and the field descriptors. `bytes` holds at least
// the first `header_length` bytes of the file when available (fewer only for
// a truncated file); `file_size` is the whole file's size. Throws
// xbase::Error naming `file_name` on anything inconsistent: unknown version,
// a header or record length that disagrees with the fields, a record count
// that claims more records than the file holds.
DbfHeader ParseDbfHeader(std::string_view bytes, uint64_t file_size, const std::string& file_name);

// The 32-byte fixed part and the descriptors, terminator (and VFP backlink)
// included: exactly header_length bytes.
std::string EncodeDbfHeader(const DbfHeader& header);

// Writes the record count and the last-update date into an encoded header
// (the first 8 bytes of the file).
void PutCountAndDate(char* first8, uint32_t record_count, int year, int month, int day);

// Builds a header for a new table: offsets, lengths and the record length
// computed from `fields` (name, type, length, decimals). Throws xbase::Error
// on an invalid field (name too long, bad width for its type, duplicate).
DbfHeader MakeDbfHeader(const std::vector<FieldInfo>& fields, const std::string& file_name);

// --- Field codecs (raw = the field's bytes in the record) -----------------

// Text of an N/F field as stored: blanks only is "no value".
std::optional<double> DecodeNumericText(std::string_view raw, bool* malformed);
// Right-aligned with the field's decimals; nullopt when it does not fit.
std::optional<std::string> EncodeNumericText(double value, int length, int decimals);

// 'D' field: yyyymmdd; 0 for blanks (or zeros); -1 when malformed.
JulianDay DecodeDateText(std::string_view raw);
std::string EncodeDateText(JulianDay day);  // 8 bytes; blanks for 0

bool ValidYmd(int year, int month, int day);

// Rounds half away from zero at `decimals`, as xBase does (2.5 -> 3,
// 2.345 -> 2.35 despite its binary representation).
double RoundHalfAway(double value, int decimals);

// Binary types of Visual FoxPro (little-endian).
int32_t LoadLe32(const char* p);
uint32_t LoadLeU32(const char* p);
uint16_t LoadLeU16(const char* p);
void StoreLe32(char* p, uint32_t v);
void StoreLe16(char* p, uint16_t v);
uint32_t LoadBe32(const char* p);

// British date text: "dd/mm/yyyy" ("dd/mm/yy" reads the year from 2000).
// Returns 0 for an empty text ("  /  /    " too), -1 when malformed.
JulianDay ParseBritishDate(std::string_view text);
std::string FormatBritishDate(JulianDay day);  // "  /  /    " for 0
std::string FormatDtos(JulianDay day);          // yyyymmdd, 8 blanks for 0

}  // namespace xbase

#endif  // QX_XBASE_DBF_FORMAT_H_
