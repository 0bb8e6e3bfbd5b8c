#include "geodb/gdb_journal.h"

#include "geodb/gdb_file.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace tyx::gdb {

namespace {

// Layout: the magic, then entries of {file byte, kind byte, int64 offset or length, uint32 count,
// count bytes}, then a 64-bit FNV-1a sum of everything before it.
constexpr char kMagic[8] = {'T', 'Y', 'X', 'J', 'R', 'N', 'L', '1'};
// The undo log of a batch: this magic, then frames of {uint32 length, that many bytes of entries
// as above, a 64-bit FNV-1a sum of the length and the entries}.
constexpr char kUndoMagic[8] = {'T', 'Y', 'X', 'U', 'N', 'D', 'O', '1'};
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

bool TJournal::Valid(const std::vector<uint8_t>& Bytes, std::size_t At, std::size_t End)
{
    while (At < End) {
        if (End - At < kEntryHead || Bytes[At] > 1 || Bytes[At + 1] > kTruncate) return false;
        const auto where = Get<int64_t>(&Bytes[At + 2]);
        const auto count = Get<uint32_t>(&Bytes[At + 10]);
        if (where < 0 || where > std::numeric_limits<int32_t>::max() || End - At - kEntryHead < count) return false;
        At += kEntryHead + count;
    }
    return true;
}

void TJournal::ForEach(const std::vector<uint8_t>& Bytes, std::size_t At, std::size_t End, const TVisit& Fn)
{
    while (At < End) {
        const auto count = Get<uint32_t>(&Bytes[At + 10]);
        Fn(Bytes[At], Bytes[At + 1] == kWrite, Get<int64_t>(&Bytes[At + 2]), &Bytes[At + kEntryHead], count);
        At += kEntryHead + count;
    }
}

void TJournal::Apply(const std::array<std::string, 2>& Files) const
{
    ForEach(FBytes, sizeof kMagic, FBytes.size(), [&](int File, bool IsWrite, int64_t Where, const uint8_t* Data, uint32_t Count) {
        TFile f(Files[static_cast<std::size_t>(File)], omReadWrite);
        if (IsWrite)
            f.WriteAt(Where, Data, Count);
        else
            f.Truncate(Where);
        f.Close();
    });
}

void TJournal::ApplyTo(const std::array<TFile*, 2>& Files) const
{
    if (FBytes.empty()) return;
    ForEach(FBytes, sizeof kMagic, FBytes.size(), [&](int File, bool IsWrite, int64_t Where, const uint8_t* Data, uint32_t Count) {
        TFile& f = *Files[static_cast<std::size_t>(File)];
        if (IsWrite)
            f.WriteAt(Where, Data, Count);
        else
            f.Truncate(Where);
    });
}

bool TJournal::Parse(const std::vector<uint8_t>& Bytes, TJournal& Out)
{
    if (Bytes.size() < sizeof kMagic + 8 || std::memcmp(Bytes.data(), kMagic, sizeof kMagic) != 0) return false;
    const std::size_t body = Bytes.size() - 8;
    if (Get<uint64_t>(&Bytes[body]) != Fnv1a(Bytes.data(), body) || !Valid(Bytes, sizeof kMagic, body)) return false;
    Out.FBytes.assign(Bytes.begin(), Bytes.begin() + static_cast<std::ptrdiff_t>(body));
    return true;
}

TRecovery TJournal::Recover(const std::string& Name, const std::array<std::string, 2>& Files)
{
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(Name, bytes)) return rcNone;
    TRecovery done = rcNone;
    if (bytes.size() >= sizeof kUndoMagic && std::memcmp(bytes.data(), kUndoMagic, sizeof kUndoMagic) == 0) {
        // The whole frames, up to the first torn one: its change was never begun.
        std::vector<std::pair<std::size_t, std::size_t>> frames;
        for (std::size_t at = sizeof kUndoMagic; bytes.size() - at >= 4 + 8;) {
            const std::size_t len = Get<uint32_t>(&bytes[at]);
            if (bytes.size() - at - 4 - 8 < len) break;
            if (Get<uint64_t>(&bytes[at + 4 + len]) != Fnv1a(&bytes[at], 4 + len) || !Valid(bytes, at + 4, at + 4 + len)) break;
            frames.emplace_back(at + 4, at + 4 + len);
            at += 4 + len + 8;
        }
        for (auto f = frames.rbegin(); f != frames.rend(); ++f) {
            TJournal j;
            j.FBytes.resize(sizeof kMagic + (f->second - f->first));
            std::memcpy(j.FBytes.data(), kMagic, sizeof kMagic);
            std::memcpy(j.FBytes.data() + sizeof kMagic, bytes.data() + f->first, f->second - f->first);
            j.Apply(Files);
        }
        if (!frames.empty()) done = rcRolledBack;
    } else if (TJournal j; Parse(bytes, j)) {
        j.Apply(Files);
        done = rcCompleted;
    }
    RemoveFileQuietly(Name);
    return done;
}

TUndoLog::TUndoLog(const std::string& Name, const std::array<int64_t, 2>& Lengths) : FName(Name), FStart(Lengths)
{
    try {
        FFile.emplace(Name, omCreate);
        FFile->WriteAt(0, kUndoMagic, sizeof kUndoMagic);
        FEnd = sizeof kUndoMagic;
        TJournal lengths;
        lengths.Truncate(0, Lengths[0]);
        lengths.Truncate(1, Lengths[1]);
        AddFrame(lengths.FBytes);
    } catch (...) {
        FFile.reset();
        RemoveFileQuietly(Name);
        throw;
    }
}

void TUndoLog::AddFrame(const std::vector<uint8_t>& Entries)
{
    const std::size_t len = Entries.size() - sizeof kMagic;
    std::vector<uint8_t> frame;
    frame.reserve(4 + len + 8);
    Put(frame, static_cast<uint32_t>(len));
    frame.insert(frame.end(), Entries.begin() + sizeof kMagic, Entries.end());
    Put(frame, Fnv1a(frame.data(), frame.size()));
    FFile->WriteAt(FEnd, frame.data(), frame.size());
    FEnd += static_cast<int64_t>(frame.size());
}

void TUndoLog::Cover(const TJournal& Change, const std::array<TFile*, 2>& Files)
{
    if (Change.FBytes.empty()) return;
    TJournal old;
    std::array<int64_t, 2> size{Files[0]->Size(), Files[1]->Size()};
    TJournal::ForEach(Change.FBytes, sizeof kMagic, Change.FBytes.size(),
                      [&](int File, bool IsWrite, int64_t Where, const uint8_t*, uint32_t Count) {
                          const auto k = static_cast<std::size_t>(File);
                          // Only what the batch found there matters; later bytes are cut off anyway.
                          const int64_t to = std::min(IsWrite ? Where + Count : size[k], std::min(size[k], FStart[k]));
                          if (to > Where) {
                              std::vector<uint8_t> was(static_cast<std::size_t>(to - Where));
                              Files[k]->ReadExact(Where, was.data(), was.size());
                              old.Write(File, Where, was.data(), was.size());
                          }
                          size[k] = IsWrite ? std::max(size[k], Where + int64_t{Count}) : Where;
                      });
    if (!old.FBytes.empty()) AddFrame(old.FBytes);
}

void TUndoLog::Commit()
{
    FFile->Close();
    FFile.reset();
    RemoveFile(FName);
}

} // namespace tyx::gdb
