#include "geodb/gdb_journal.h"

#include "geodb/gdb_file.h"

#include <cstring>
#include <limits>

namespace tyx::gdb {

namespace {

// Layout: the magic, then entries of {file byte, kind byte, int64 offset or length, uint32 count,
// count bytes}, then a 64-bit FNV-1a sum of everything before it.
constexpr char kMagic[8] = {'T', 'Y', 'X', 'J', 'R', 'N', 'L', '1'};
constexpr uint8_t kWrite = 0, kTruncate = 1;
constexpr std::size_t kEntryHead = 1 + 1 + 8 + 4;

uint64_t Fnv1a(const uint8_t* P, std::size_t N)
{
    uint64_t h = 14695981039346656037ull;
    for (std::size_t i = 0; i < N; ++i) h = (h ^ P[i]) * 1099511628211ull;
    return h;
}

template <typename T>
void Put(std::vector<uint8_t>& B, T V)
{
    const auto* p = reinterpret_cast<const uint8_t*>(&V);
    B.insert(B.end(), p, p + sizeof V);
}

template <typename T>
T Get(const uint8_t* P)
{
    T v;
    std::memcpy(&v, P, sizeof v);
    return v;
}

} // namespace

void TJournal::Write(int File, int64_t Offset, const void* Data, std::size_t Count)
{
    if (FBytes.empty()) FBytes.assign(kMagic, kMagic + sizeof kMagic);
    FBytes.push_back(static_cast<uint8_t>(File));
    FBytes.push_back(kWrite);
    Put(FBytes, Offset);
    Put(FBytes, static_cast<uint32_t>(Count));
    const auto* p = static_cast<const uint8_t*>(Data);
    FBytes.insert(FBytes.end(), p, p + Count);
}

void TJournal::Truncate(int File, int64_t Length)
{
    if (FBytes.empty()) FBytes.assign(kMagic, kMagic + sizeof kMagic);
    FBytes.push_back(static_cast<uint8_t>(File));
    FBytes.push_back(kTruncate);
    Put(FBytes, Length);
    Put(FBytes, uint32_t{0});
}

void TJournal::Commit(const std::string& Name, const std::array<std::string, 2>& Files) const
{
    if (FBytes.empty()) return;
    std::vector<uint8_t> all = FBytes;
    Put(all, Fnv1a(all.data(), all.size()));
    // A journal that could not be written whole (a full disk) changed nothing and is not left
    // behind; once it is whole, the change is made now or at the next opening.
    try {
        TFile j(Name, omCreate);
        j.WriteAt(0, all.data(), all.size());
        j.Close();
    } catch (...) {
        RemoveFileQuietly(Name);
        throw;
    }
    Apply(Files);
    RemoveFileQuietly(Name);
}

void TJournal::Apply(const std::array<std::string, 2>& Files) const
{
    for (std::size_t at = sizeof kMagic; at < FBytes.size();) {
        const uint8_t file = FBytes[at], kind = FBytes[at + 1];
        const auto where = Get<int64_t>(&FBytes[at + 2]);
        const auto count = Get<uint32_t>(&FBytes[at + 10]);
        TFile f(Files[file], omReadWrite);
        if (kind == kWrite)
            f.WriteAt(where, &FBytes[at + kEntryHead], count);
        else
            f.Truncate(where);
        f.Close();
        at += kEntryHead + count;
    }
}

bool TJournal::Parse(const std::vector<uint8_t>& Bytes, TJournal& Out)
{
    if (Bytes.size() < sizeof kMagic + 8 || std::memcmp(Bytes.data(), kMagic, sizeof kMagic) != 0) return false;
    const std::size_t body = Bytes.size() - 8;
    if (Get<uint64_t>(&Bytes[body]) != Fnv1a(Bytes.data(), body)) return false;
    for (std::size_t at = sizeof kMagic; at < body;) {
        if (body - at < kEntryHead || Bytes[at] > 1 || Bytes[at + 1] > kTruncate) return false;
        const auto where = Get<int64_t>(&Bytes[at + 2]);
        const auto count = Get<uint32_t>(&Bytes[at + 10]);
        if (where < 0 || where > std::numeric_limits<int32_t>::max() || body - at - kEntryHead < count) return false;
        at += kEntryHead + count;
    }
    Out.FBytes.assign(Bytes.begin(), Bytes.begin() + static_cast<std::ptrdiff_t>(body));
    return true;
}

bool TJournal::Recover(const std::string& Name, const std::array<std::string, 2>& Files)
{
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(Name, bytes)) return false;
    TJournal j;
    const bool whole = Parse(bytes, j);
    if (whole) j.Apply(Files);
    RemoveFileQuietly(Name);
    return whole;
}

} // namespace tyx::gdb
