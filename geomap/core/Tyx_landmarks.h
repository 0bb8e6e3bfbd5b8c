// The landmark list of a map control: the landmarks themselves (numbered from 1), the template
// that new landmarks copy, the visibility of the 256 classes, and the operations that add, find,
// replace and remove landmarks. Qt-free; TGeoMap owns one and forwards to it under the same
// names, adding only what belongs to the view (highlight reset and repaints).
//
// The host may refuse single additions and removals: the list asks its action check before each
// one (TGeoMap routes it to OnLandMarkAction). RemoveAllLandMarks() and the file readers do not
// ask. Positions are plain degrees: distances are measured as (dLat^2 + dLong^2), with no scaling
// of longitude and no wrap at +-180 degrees.
//
// Capacity: 1000 landmarks when created and whenever the list becomes empty; it grows in blocks
// of 1000 as landmark 1001, 2001, ... arrives and never shrinks while landmarks remain. A growth
// that cannot be had raises ETYXGeoMapError "insufficient memory" and leaves the list unchanged.
#pragma once
#include "geomap/core/Tyx_geomaptypes.h"
#include "support/Tyx_tyxbase.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tyx {

class TTextFile;
class TSpotGrid;

/// Position and class of a landmark, packed for passes over a whole list.
struct TLandMarkSpot {
    double Latitude = 0; ///< degrees
    double Longitude = 0; ///< degrees
    uint8_t ClassFlag = 0; ///< class 0 to 255
    bool HasCaption = false; ///< the caption text is not empty
};

/// The landmark list of a map control (Qt-free): records, template, class visibility.
class TLandMarkList {
public:
    /// Asked before a landmark is added (the new record) or removed (the stored record); false
    /// refuses that one landmark.
    using TActionCheck = std::function<bool(TLandMarkAction Action, const TLandMark& LandMark)>;

    /// Landmark capacity comes in blocks of this many.
    static constexpr int BlockSize = 1000;

    /// Empty, capacity 1000, every class visible; the template is a blue cross of size 7 on
    /// white with a centred caption of size 8 below it.
    TLandMarkList();
    ~TLandMarkList();
    TLandMarkList(const TLandMarkList&) = delete;
    TLandMarkList& operator=(const TLandMarkList&) = delete;

    /// Copies the landmarks, the template and the class visibility; the capacity becomes the
    /// blocks the count needs. This list keeps its own action check and owner name. On a failure
    /// for want of memory nothing changes.
    void Assign(const TLandMarkList& Source);

    /// Name of the owning component, used in error messages.
    void SetOwnerName(const std::string& Value) { FOwnerName = Value; }
    /// An empty check allows everything.
    void SetActionCheck(TActionCheck Check) { FCheck = std::move(Check); }

    /// Number of landmarks held.
    int NumLandMarks() const { return static_cast<int>(FItems.size()); }
    /// Landmarks the list holds before it must grow: 1000, 2000, ...
    int LandMarkCapacity() const { return FCapacity; }
    /// Template for new landmarks.
    const TLandMark& LandMarkDefault() const { return FDefaultLM; }
    /// Stores the template.
    void SetLandMarkDefault(const TLandMark& Value) { FDefaultLM = Value; }

    /// Landmark i (1 to NumLandMarks); any other i gives the cleared record.
    TLandMark GetLandMarkData(int i) const;
    /// Replaces landmark i (1 to NumLandMarks) without asking; false for any other i.
    bool SetLandMarkData(int i, const TLandMark& LandMark);
    /// Landmark i (1 to NumLandMarks) without a copy; std::out_of_range otherwise.
    const TLandMark& operator[](int i) const;
    /// The landmarks in order, landmark 1 first.
    const std::vector<TLandMark>& Items() const { return FItems; }
    /// Positions and classes in the order of Items(), a tenth of their size: passes that need
    /// no more read far less memory. Rebuilt on demand after a change.
    const std::vector<TLandMarkSpot>& Spots() const;
    /// The symbols of the landmarks in the order of Spots(), kept apart so that passes over
    /// the positions read as little memory as they can.
    const std::vector<TSymbolProperties>& SpotSymbols() const;
    /// Indices into Spots() by priority: lower class first, then list order. Built on first
    /// use after a change.
    const std::vector<uint32_t>& SpotOrder() const;
    /// Grows with every change to the landmarks, so that what a pass keeps beside Spots() can
    /// tell when it no longer holds.
    uint64_t Revision() const { return FRevision; }

    /// Of the landmarks of visible classes (their number goes to Shown), the number strictly
    /// inside the quadrilateral Quad by PositionInMap. A long list with every class visible is
    /// counted over a grid kept with Spots(), in time that grows with the grid's cells.
    std::size_t CountInside(const TCornerArray& Quad, std::size_t& Shown) const;

    /// Whether class i is drawn (default true).
    bool GetClassVisibility(uint8_t i) const { return FClassVisible[i]; }
    /// Shows or hides class i.
    void SetClassVisibility(uint8_t i, bool Value) { FClassVisible[i] = Value; }

    // ---- Adding: each form builds the landmark from the template, asks, then appends ----
    /// True when the landmark was added (false: refused).
    bool AddLandMark(double Lat, double Long, double Altitude);
    /// The same with the identifier and the time.
    bool AddLandMark(double Lat, double Long, double Altitude, const TLMIdentifier& Identifier, TDateTime Time);
    /// CaptionText is cut to 80 single-byte characters.
    bool AddLandMark(double Lat, double Long, double Altitude, const std::string& CaptionText, int CaptionSize,
                     TColor CaptionColor);
    /// The same with identifier, time and caption.
    bool AddLandMark(double Lat, double Long, double Altitude, const TLMIdentifier& Identifier, TDateTime Time,
                     const std::string& CaptionText, int CaptionSize, TColor CaptionColor);
    /// The symbol, class, identifier, time and tag from the arguments; the caption from the template.
    bool AddLandMark(double Lat, double Long, double Altitude, TLandMarkElement Element, uint8_t ClassFlag,
                     const TLMIdentifier& Identifier, TDateTime Time, int Tag, TColor ColorFG, TColor ColorBG,
                     int Size, bool Transparent, int Direction, int Length);
    /// Stores LandMark as landmark NumLandMarks + 1 without asking, growing by a block when needed.
    void AppendLandMark(const TLandMark& LandMark);

    // ---- Finding ----
    /// Class arguments: 0 to 255, or -1 for any class; values below -1 or above 255 count as -1.
    static int NormaliseClass(int ClassFlag);
    /// Number of the landmark of the class nearest to (Lat, Long); ties go to the lower number;
    /// 0 when there is none.
    int FindLandMark(double Lat, double Long, int ClassFlag) const;

    // ---- Removing: the last landmark moves into the place of a removed one ----
    /// Removes landmark LmIndex if allowed; returns LmIndex, or 0 when out of range or refused.
    int RemoveLandMark(int LmIndex);
    /// Removes the nearest landmark of the class however far away it is, if allowed; returns the
    /// number it had, 0 when none was removed.
    int RemoveLandMark(double Lat, double Long, int ClassFlag);
    /// Removes every allowed landmark of the class strictly within Radius degrees; returns the count.
    int RemoveLandMark(double Lat, double Long, int ClassFlag, double Radius);
    /// Removes every allowed landmark of the class strictly inside the box (Left west, Top north,
    /// Right east, Bottom south); landmarks on an edge stay. Returns the count.
    int RemoveLandMark(const TRectDouble& Rect, int ClassFlag);
    /// Removes the last landmark if allowed; true when one was removed.
    bool RemoveLastLandMark();
    /// Removes every allowed landmark of class ClassFlag (0 to 255, no "any"); returns the count.
    int RemoveAllLandMarks(uint8_t ClassFlag);
    /// Empties the list without asking; capacity back to 1000.
    void RemoveAllLandMarks();
    /// Capacity back to 1000 when the list is empty.
    void Tidy();

private:
    TLandMark FromTemplate(double Lat, double Long, double Altitude) const;
    bool Allowed(TLandMarkAction Action, const TLandMark& LandMark) const;
    bool AddIfAllowed(const TLandMark& LandMark);
    /// Marks, asking in increasing order, every landmark that Test accepts; then compacts.
    template <typename TTest>
    int RemoveMarked(TTest Test);
    void SetCapacity(int Capacity);

    void Changed()
    {
        FSpotsValid = false;
        ++FRevision;
    }

    std::vector<TLandMark> FItems;
    mutable std::vector<TLandMarkSpot> FSpots;
    mutable std::vector<TSymbolProperties> FSpotSymbols;
    mutable bool FSpotsValid = false;
    uint64_t FRevision = 0;
    mutable std::vector<uint32_t> FSpotOrder;
    mutable bool FOrderValid = false;
    mutable std::unique_ptr<TSpotGrid> FGrid; // built on demand from FSpots
    int FCapacity = 0;
    TLandMark FDefaultLM;
    std::array<bool, 256> FClassVisible{};
    TActionCheck FCheck;
    std::string FOwnerName;
};

// ---- Landmark files (landmark_xml.cpp) ----
// A block "<gmlandmarks sig="Tyxware" vers="1.0" id="...">", one "<landmark ... />" line per
// landmark, "</gmlandmarks>"; Windows-1252 text, CR LF. Several blocks may share a file.

/// What a read block held that the reading lets pass unremarked, for callers that warn of it.
struct TLandMarkReadReport {
    /// The block ended with its closing tag; false when the input ended first (a file cut off
    /// there loses the landmark it was cut in).
    bool Closed = false;
    /// A coordinate whose text is not a finite number read to its end, such as "nan", "4x" or
    /// "1e999" (the reader gives 0, the number before the rest, or the largest double).
    struct TBadCoordinate {
        int Number = 0;             ///< the landmark's number, from 1
        std::string_view Attribute; ///< "lat", "long" or "alti"
        double Read = 0;            ///< the value the landmark received
    };
    std::vector<TBadCoordinate> BadCoordinates; ///< in the order of the file; empty values pass
};

/// Reads the block DataID (case ignored; empty: the first) from the file's current position and
/// replaces the list's landmarks with its landmarks, without asking the action check. False,
/// nothing changed, when there is no such block. Damaged values read as 0 (element: lmCross).
/// A Report, when given, is filled for the block read (cleared first).
bool ReadLandMarksFromOpenXMLFile(TTextFile& F, const std::string& DataID, TLandMarkList& List,
                                  TLandMarkReadReport* Report = nullptr);
/// Writes the landmarks as one block. Header true (a fresh file) writes the XML declaration, an
/// empty line and a comment first; false only the block (to follow others in an open file).
void WriteLandMarksToOpenXMLFile(TTextFile& F, bool Header, const std::string& DataID, const TLandMarkList& List);
/// The landmark line of L; numbers read back to the same double, quotes become apostrophes.
std::string LandMarkXmlLine(const TLandMark& L);
/// The landmark that the attribute text of a landmark tag describes.
TLandMark LandMarkFromXmlAttributes(const std::string& Attributes);
/// A date-time as the files store it, "yyyymmddHHMMSS" (the fraction of a second dropped). Times
/// before year 1 are written as 00010101000000, after year 9999 as 99991231235959; NaN as the zero
/// date, 18991230000000.
std::string LandMarkDateText(TDateTime Time);
/// Reads "yyyymmddHHMMSS" from the start of Text; 0 when it does not match.
TDateTime LandMarkDateFromText(const std::string& Text);

} // namespace tyx
