// Speed of the geographic database beside SQLite with an R*Tree index, on the same 100 000 towns
// and the same box queries: bulk load (LazyWrite on, then off), opening, and box queries over the
// towns alone and over the towns mixed with 2000 large areas; and opening and querying a database
// of a million towns.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include "geodb/Tyx_GeoDB.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace tyx;

constexpr int kTowns = 100000;

struct TownRow {
    std::string Name;
    float Lat, Long;
};

const std::vector<TownRow>& Towns()
{
    static const std::vector<TownRow> rows = [] {
        std::mt19937 rng(42);
        std::uniform_real_distribution<float> lat(-60, 70), lon(-180, 180);
        std::vector<TownRow> v;
        v.reserve(kTowns);
        for (int i = 0; i < kTowns; ++i) v.push_back({"Town " + std::to_string(i), lat(rng), lon(rng)});
        return v;
    }();
    return rows;
}

struct Box {
    double LatLow, LatHigh, LongLow, LongHigh;
};

std::vector<Box> Boxes(double Size)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> lat(-60, 70 - Size), lon(-180, 180 - Size);
    std::vector<Box> v;
    for (int i = 0; i < 1000; ++i) {
        const double a = lat(rng), b = lon(rng);
        v.push_back({a, a + Size, b, b + Size});
    }
    return v;
}

fs::path Scratch(const std::string& Name)
{
    const fs::path p = fs::temp_directory_path() / ("tyx_bench_geodb_" + Name);
    fs::remove_all(p);
    fs::create_directories(p);
    return p;
}

void LoadTowns(TGeoDB& Db)
{
    Db.SetLazyWrite(true);
    for (const TownRow& t : Towns()) Db.AddTown(t.Name, 45000.0, 0, TSCoords{t.Lat, t.Long}, 0, 0, 0);
    Db.SetLazyWrite(false);
}

// 2000 areas of 0.5 to 20 degrees, for the queries over towns mixed with large items.
struct AreaRow {
    float LatLow, LatHigh, LongLow, LongHigh;
};

const std::vector<AreaRow>& Areas()
{
    static const std::vector<AreaRow> rows = [] {
        std::mt19937 rng(43);
        std::uniform_real_distribution<float> size(0.5f, 20), lat(-60, 50), lon(-180, 160);
        std::vector<AreaRow> v;
        for (int i = 0; i < 2000; ++i) {
            const float a = lat(rng), b = lon(rng);
            v.push_back({a, a + size(rng), b, b + size(rng)});
        }
        return v;
    }();
    return rows;
}

// A database of the 100 000 towns, built once for the read benchmarks.
const std::string& BuiltDatabase()
{
    static const std::string base = [] {
        const std::string b = (Scratch("built") / "towns").string();
        TGeoDB db;
        db.SetGDBName(b);
        LoadTowns(db);
        return b;
    }();
    return base;
}

void Check(int Rc, sqlite3* Db, int Want = SQLITE_OK)
{
    if (Rc != Want) throw std::runtime_error(sqlite3_errmsg(Db));
}

sqlite3* OpenSqlite(const std::string& File, bool Fresh)
{
    if (Fresh) fs::remove(File);
    sqlite3* db = nullptr;
    Check(sqlite3_open(File.c_str(), &db), db);
    if (Fresh) {
        Check(sqlite3_exec(db,
                           "CREATE TABLE items(id INTEGER PRIMARY KEY, name TEXT, kind INT, class INT);"
                           "CREATE VIRTUAL TABLE box USING rtree(id, latlo, lathi, longlo, longhi);",
                           nullptr, nullptr, nullptr),
              db);
    }
    return db;
}

void LoadSqlite(sqlite3* Db, bool OneTransaction)
{
    if (OneTransaction) Check(sqlite3_exec(Db, "BEGIN", nullptr, nullptr, nullptr), Db);
    sqlite3_stmt* item = nullptr;
    sqlite3_stmt* box = nullptr;
    Check(sqlite3_prepare_v2(Db, "INSERT INTO items VALUES(?1, ?2, 1, 0)", -1, &item, nullptr), Db);
    Check(sqlite3_prepare_v2(Db, "INSERT INTO box VALUES(?1, ?2, ?2, ?3, ?3)", -1, &box, nullptr), Db);
    int id = 0;
    for (const TownRow& t : Towns()) {
        ++id;
        sqlite3_bind_int(item, 1, id);
        sqlite3_bind_text(item, 2, t.Name.c_str(), -1, SQLITE_STATIC);
        Check(sqlite3_step(item), Db, SQLITE_DONE);
        sqlite3_reset(item);
        sqlite3_bind_int(box, 1, id);
        sqlite3_bind_double(box, 2, t.Lat);
        sqlite3_bind_double(box, 3, t.Long);
        Check(sqlite3_step(box), Db, SQLITE_DONE);
        sqlite3_reset(box);
    }
    sqlite3_finalize(item);
    sqlite3_finalize(box);
    if (OneTransaction) Check(sqlite3_exec(Db, "COMMIT", nullptr, nullptr, nullptr), Db);
}

const std::string& BuiltSqlite()
{
    static const std::string file = [] {
        const std::string f = (Scratch("sqlite_built") / "towns.sqlite").string();
        sqlite3* db = OpenSqlite(f, true);
        LoadSqlite(db, true);
        sqlite3_close(db);
        return f;
    }();
    return file;
}

const std::string& BuiltMixedDatabase()
{
    static const std::string base = [] {
        const std::string b = (Scratch("mixed") / "towns").string();
        TGeoDB db;
        db.SetGDBName(b);
        LoadTowns(db);
        db.SetLazyWrite(true);
        for (const AreaRow& a : Areas())
            db.AddBorder("area", {{a.LatLow, a.LongLow}, {a.LatHigh, a.LongHigh}}, true, 0, 0, 0, 0, 0, 0, 0, 0, 0);
        db.SetLazyWrite(false);
        return b;
    }();
    return base;
}

const std::string& BuiltMixedSqlite()
{
    static const std::string file = [] {
        const std::string f = (Scratch("sqlite_mixed") / "towns.sqlite").string();
        sqlite3* db = OpenSqlite(f, true);
        LoadSqlite(db, true);
        Check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db);
        sqlite3_stmt* box = nullptr;
        Check(sqlite3_prepare_v2(db, "INSERT INTO box VALUES(?1, ?2, ?3, ?4, ?5)", -1, &box, nullptr), db);
        int id = kTowns;
        for (const AreaRow& a : Areas()) {
            sqlite3_bind_int(box, 1, ++id);
            sqlite3_bind_double(box, 2, a.LatLow);
            sqlite3_bind_double(box, 3, a.LatHigh);
            sqlite3_bind_double(box, 4, a.LongLow);
            sqlite3_bind_double(box, 5, a.LongHigh);
            Check(sqlite3_step(box), db, SQLITE_DONE);
            sqlite3_reset(box);
        }
        sqlite3_finalize(box);
        Check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db);
        sqlite3_close(db);
        return f;
    }();
    return file;
}

// A database of a million random towns, built in a child process so that the memory it took is
// not counted by the benchmarks that open it.
const std::string& BuiltMillionDatabase()
{
    static const std::string base = [] {
        const std::string b = (Scratch("million") / "towns").string();
        const pid_t child = fork();
        if (child == 0) {
            int rc = 0;
            try {
                std::mt19937 rng(44);
                std::uniform_real_distribution<float> lat(-60, 70), lon(-180, 180);
                TGeoDB db;
                db.SetGDBName(b);
                db.SetLazyWrite(true);
                for (int i = 0; i < 1000000; ++i)
                    db.AddTown("Town " + std::to_string(i), 45000.0, 0, TSCoords{lat(rng), lon(rng)}, 0, 0, 0);
                db.SetLazyWrite(false);
            } catch (...) {
                rc = 1;
            }
            _exit(rc);
        }
        int status = 0;
        if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
            throw std::runtime_error("building the database of a million towns failed");
        return b;
    }();
    return base;
}

// A field of /proc/self/status in bytes (VmRSS, VmHWM).
double ProcStatus(const std::string& Field)
{
    std::ifstream f("/proc/self/status");
    std::string key;
    double kb = 0;
    while (f >> key) {
        if (key == Field + ":" && f >> kb) return kb * 1024;
        f.ignore(1 << 12, '\n');
    }
    return 0;
}

// Lets VmHWM restart from the present resident size, so that it shows the peak of what follows.
void ResetPeakMemory()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

// --- bulk load ---

void BM_GeoDB_BulkLoad100kTowns(benchmark::State& State)
{
    for (auto _ : State) {
        const std::string base = (Scratch("load") / "towns").string();
        TGeoDB db;
        db.SetGDBName(base);
        LoadTowns(db);
        benchmark::DoNotOptimize(db.NumEntries());
    }
    State.SetItemsProcessed(State.iterations() * kTowns);
}
BENCHMARK(BM_GeoDB_BulkLoad100kTowns)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same towns in one batch: one lock, appends in large blocks, the index files once.
void BatchLoadTowns(benchmark::State& State, int Count)
{
    std::vector<TownRow> rows;
    rows.reserve(static_cast<std::size_t>(Count));
    for (int i = 0; i < Count; ++i) {
        const TownRow& t = Towns()[static_cast<std::size_t>(i % kTowns)];
        rows.push_back({t.Name, t.Lat + static_cast<float>(i / kTowns) * 1e-3f, t.Long});
    }
    for (auto _ : State) {
        const std::string base = (Scratch("batch") / "towns").string();
        TGeoDB db;
        db.SetGDBName(base);
        TGeoDBBatch batch(db);
        for (const TownRow& t : rows) db.AddTown(t.Name, 45000.0, 0, TSCoords{t.Lat, t.Long}, 0, 0, 0);
        batch.Commit();
        benchmark::DoNotOptimize(db.NumEntries());
    }
    State.SetItemsProcessed(State.iterations() * Count);
}
void BM_GeoDB_BatchLoad100kTowns(benchmark::State& State) { BatchLoadTowns(State, kTowns); }
BENCHMARK(BM_GeoDB_BatchLoad100kTowns)->Unit(benchmark::kMillisecond)->Iterations(3);
void BM_GeoDB_BatchLoad1MTowns(benchmark::State& State) { BatchLoadTowns(State, 10 * kTowns); }
BENCHMARK(BM_GeoDB_BatchLoad1MTowns)->Unit(benchmark::kMillisecond)->Iterations(1);

// Polygon items: each also appends its points to the data file, and all of them are large enough
// to go into the list of wide items that box queries check besides the narrow bands.
void BM_GeoDB_BulkLoad100kRivers(benchmark::State& State)
{
    for (auto _ : State) {
        const std::string base = (Scratch("rivers") / "rivers").string();
        TGeoDB db;
        db.SetGDBName(base);
        db.SetLazyWrite(true);
        for (const TownRow& t : Towns())
            db.AddRiver(t.Name, {{t.Lat, t.Long}, {t.Lat + 1, t.Long + 1}}, 45000.0, 0, 0, 0, 0, 0, 0, 0, 0);
        db.SetLazyWrite(false);
        benchmark::DoNotOptimize(db.NumEntries());
    }
    State.SetItemsProcessed(State.iterations() * kTowns);
}
BENCHMARK(BM_GeoDB_BulkLoad100kRivers)->Unit(benchmark::kMillisecond)->Iterations(1);

// The same rows in one transaction, and one transaction per row (each row on disk at once, as the
// database writes it; synchronous=OFF so that neither side waits for the disk).
void BM_SQLite_BulkLoad100kTowns(benchmark::State& State)
{
    const bool oneTransaction = State.range(0) == 1;
    for (auto _ : State) {
        sqlite3* db = OpenSqlite((Scratch("sqlite_load") / "towns.sqlite").string(), true);
        if (!oneTransaction) Check(sqlite3_exec(db, "PRAGMA synchronous=OFF", nullptr, nullptr, nullptr), db);
        LoadSqlite(db, oneTransaction);
        sqlite3_close(db);
    }
    State.SetItemsProcessed(State.iterations() * kTowns);
    State.SetLabel(oneTransaction ? "one transaction" : "a transaction per row, synchronous=OFF");
}
BENCHMARK(BM_SQLite_BulkLoad100kTowns)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3);

// --- opening ---

void BM_GeoDB_Open100k(benchmark::State& State)
{
    const std::string& base = BuiltDatabase();
    for (auto _ : State) {
        TGeoDB db;
        db.SetGDBName(base);
        benchmark::DoNotOptimize(db.NumEntries());
    }
}
BENCHMARK(BM_GeoDB_Open100k)->Unit(benchmark::kMillisecond);

// A million towns; counters: the resident memory the open database holds, and the peak above the
// memory before opening while it opened (both in bytes).
void BM_GeoDB_Open1M(benchmark::State& State)
{
    const std::string& base = BuiltMillionDatabase();
    double held = 0, peak = 0;
    for (auto _ : State) {
        State.PauseTiming();
        const double before = ProcStatus("VmRSS");
        ResetPeakMemory();
        State.ResumeTiming();
        {
            TGeoDB db;
            db.SetGDBName(base);
            benchmark::DoNotOptimize(db.NumEntries());
            State.PauseTiming();
            held = std::max(held, ProcStatus("VmRSS") - before);
            peak = std::max(peak, ProcStatus("VmHWM") - before);
        }
        State.ResumeTiming();
    }
    State.counters["held_bytes"] = held;
    State.counters["peak_bytes"] = peak;
}
BENCHMARK(BM_GeoDB_Open1M)->Unit(benchmark::kMillisecond)->Iterations(5);

// --- box queries ---

// Queries boxes of State.range(0) degrees on the database Base.
void QueryBoxes(benchmark::State& State, const std::string& Base)
{
    TGeoDB db;
    db.SetGDBName(Base);
    const auto boxes = Boxes(static_cast<double>(State.range(0)));
    std::size_t i = 0, found = 0;
    for (auto _ : State) {
        const Box& b = boxes[i++ % boxes.size()];
        const auto r = db.FindItemsInBox(b.LatLow, b.LatHigh, b.LongLow, b.LongHigh);
        found += r.size();
        benchmark::DoNotOptimize(r.data());
    }
    State.counters["items/query"] = static_cast<double>(found) / static_cast<double>(State.iterations());
}

void BM_GeoDB_BoxQuery(benchmark::State& State)
{
    QueryBoxes(State, State.range(1) ? BuiltMixedDatabase() : BuiltDatabase());
}
// Arguments: the box's size in degrees, and 1 for the towns mixed with 2000 large areas.
BENCHMARK(BM_GeoDB_BoxQuery)->ArgsProduct({{1, 5, 20}, {0, 1}})->Unit(benchmark::kMicrosecond);

// The same boxes over the million towns.
void BM_GeoDB_BoxQuery1M(benchmark::State& State)
{
    QueryBoxes(State, BuiltMillionDatabase());
}
BENCHMARK(BM_GeoDB_BoxQuery1M)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_SQLite_BoxQuery(benchmark::State& State)
{
    sqlite3* db = OpenSqlite(State.range(1) ? BuiltMixedSqlite() : BuiltSqlite(), false);
    sqlite3_stmt* q = nullptr;
    Check(sqlite3_prepare_v2(db, "SELECT id FROM box WHERE latlo <= ?2 AND lathi >= ?1 AND longlo <= ?4 AND longhi >= ?3",
                             -1, &q, nullptr),
          db);
    const auto boxes = Boxes(static_cast<double>(State.range(0)));
    std::size_t i = 0, found = 0;
    std::vector<int> ids;
    for (auto _ : State) {
        const Box& b = boxes[i++ % boxes.size()];
        sqlite3_bind_double(q, 1, b.LatLow);
        sqlite3_bind_double(q, 2, b.LatHigh);
        sqlite3_bind_double(q, 3, b.LongLow);
        sqlite3_bind_double(q, 4, b.LongHigh);
        ids.clear();
        while (sqlite3_step(q) == SQLITE_ROW) ids.push_back(sqlite3_column_int(q, 0));
        sqlite3_reset(q);
        found += ids.size();
        benchmark::DoNotOptimize(ids.data());
    }
    sqlite3_finalize(q);
    sqlite3_close(db);
    State.counters["items/query"] = static_cast<double>(found) / static_cast<double>(State.iterations());
}
BENCHMARK(BM_SQLite_BoxQuery)->ArgsProduct({{1, 5, 20}, {0, 1}})->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
