// Overwrites in place made all-or-nothing. The new bytes are first written to a journal beside the
// database, then written where they belong, then the journal is removed. An opening that finds a
// whole journal writes its bytes again (doing so twice does no harm); a torn one is dropped, as
// nothing had been overwritten yet. Appends need none of this: a torn append is cut off.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tyx::gdb {

class TJournal {
public:
    /// Files are named by their place in the list given to Commit and Recover.
    void Write(int File, int64_t Offset, const void* Data, std::size_t Count);
    void Truncate(int File, int64_t Length);
    /// Writes the journal to Name, makes the changes and removes the journal. Should the journal
    /// itself fail, nothing is changed and no journal stays; should a change fail, the journal
    /// stays for the next opening.
    void Commit(const std::string& Name, const std::array<std::string, 2>& Files) const;
    /// Makes the changes of a whole journal Name and removes it; true when there was one to make.
    /// A torn or foreign journal is removed without a change.
    static bool Recover(const std::string& Name, const std::array<std::string, 2>& Files);

private:
    std::vector<uint8_t> FBytes;
    void Apply(const std::array<std::string, 2>& Files) const;
    static bool Parse(const std::vector<uint8_t>& Bytes, TJournal& Out);
};

} // namespace tyx::gdb
