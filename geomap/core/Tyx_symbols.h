// Landmark symbols without drawing: the display names of the ten kinds, the default symbol, and
// TSymbolRepository, a non-visual component holding a numbered palette of named symbols (entries
// counted from 1) with a one-level backup, stored in and read from the map unit's XML dialect.
// The drawing itself (DrawLandMarkSymbolOnCanvas) needs a canvas and lives with the map control.
// Qt-free.
#pragma once
#include "geomap/core/Tyx_geomaptypes.h"
#include "host/tyx_object.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tyx {

class TTextFile;

/// Display names of the symbol kinds, indexed by TLandMarkElement; the symbol files use them.
inline constexpr std::array<std::string_view, 10> LMTypeNames = {
    "Plus", "Square", "Triangle", "Circle", "ArrowFrom", "ArrowTo", "CrossBox", "Spade", "Cross", "User-Defined"};

/// The kind a file names (case ignored): the seven shapes by name, "plus" and "user-defined"
/// too; every other name, and an empty one, gives lmCross.
TLandMarkElement LandMarkElementFromName(std::string_view Name);

/// A named symbol of the palette.
struct TSymbol {
    TSymbolProperties Properties; ///< how the symbol is drawn
    TShortString<40> Name;  ///< single-byte text, cut to 40 characters
    int32_t Category = 0;   ///< free classification number
    /// Member by member.
    friend bool operator==(const TSymbol&, const TSymbol&) = default;
};

/// A black cross of size 8 on red, not transparent, direction 90, length 40, no name, category 0.
TSymbol DefaultSymbolRecord();

/// A palette of named landmark symbols with a backup copy, kept in symbol files.
class TSymbolRepository : public TComponent {
public:
    /// Empty, with room for 1000 entries.
    explicit TSymbolRepository(TComponent* AOwner = nullptr);

    /// Copies entries and backup by value from another repository; ETYXError for any other object.
    void Assign(const TObject& Source);
    /// Dest.Assign(*this) when Dest is a TSymbolRepository whose class this repository's class is
    /// or derives from (through any number of steps); ETYXError otherwise.
    void AssignTo(TObject& Dest) const;

    /// Number of entries.
    int NumEntries() const { return FNEntries; }
    /// n entries exactly: entries beyond n go, new ones are zero-filled; a negative n is ignored.
    void SetNEntries(int n);
    /// Entry ix (1 to NumEntries); any other ix gives DefaultSymbolRecord().
    TSymbol GetValues(int ix) const;
    /// Replaces entry ix (1 to NumEntries); any other ix is ignored.
    void SetValues(int ix, const TSymbol& v);

    /// Copies the entries into the backup.
    void Backup();
    /// Puts the backup's entries back; the backup stays.
    void Restore();
    /// Sets every entry to DefaultSymbolRecord(); the count stays.
    void Clear();
    /// Number of entries in the backup.
    int NumBackupEntries() const { return FNEntriesBak; }

    /// Creates or overwrites FName with one block of all entries under DataID. EInOutError when
    /// the file cannot be written.
    void StoreOnFile(const std::string& FName, const std::string& DataID) const;
    /// Reads the block DataID (case ignored; empty: the first) of FName. False, entries unchanged,
    /// when the file cannot be opened or holds no such block.
    bool LoadFromFile(const std::string& FName, const std::string& DataID);
    /// The same from the open file's current position; the position ends behind the block.
    bool ReadFromOpenXMLFile(TTextFile& F, const std::string& DataID);

    /// The lines StoreOnFile writes, without line ends.
    std::vector<std::string> XmlLines(const std::string& DataID) const;

private:
    std::vector<TSymbol> FSymbols;    ///< may be longer than FNEntries
    std::vector<TSymbol> FSymbolsBak;
    int FNEntries = 0;
    int FNEntriesBak = 0;
};

} // namespace tyx
