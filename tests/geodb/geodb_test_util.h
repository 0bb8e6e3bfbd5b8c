// Shared pieces of the database tests: a scratch directory per test and raw reads of the files.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "geodb/Tyx_GeoDB.h"
#include "host/tyx_errors.h"

#include <unistd.h>

namespace tyx::test {

class GeoDBTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        Dir = std::filesystem::temp_directory_path() /
              ("tyx_geodb_" + std::string(info->test_suite_name()) + "_" + info->name() + "_" +
               std::to_string(::getpid()));
        std::filesystem::remove_all(Dir);
        std::filesystem::create_directories(Dir);
        Base = (Dir / "db").string();
    }
    void TearDown() override { std::filesystem::remove_all(Dir); }

    std::string File(const std::string& Ext) const { return Base + Ext; }
    std::string Path(const std::string& Name) const { return (Dir / Name).string(); }

    std::filesystem::path Dir;
    std::string Base;
};

inline std::vector<uint8_t> Bytes(const std::string& Name)
{
    std::ifstream f(Name, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::string& Name, const std::vector<uint8_t>& B)
{
    std::ofstream f(Name, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(B.data()), static_cast<std::streamsize>(B.size()));
}

inline int64_t SizeOf(const std::string& Name)
{
    return static_cast<int64_t>(std::filesystem::file_size(Name));
}

template <typename T>
T At(const std::vector<uint8_t>& B, std::size_t Off)
{
    T v{};
    EXPECT_LE(Off + sizeof(T), B.size());
    if (Off + sizeof(T) <= B.size()) std::memcpy(&v, B.data() + Off, sizeof(T));
    return v;
}

inline const char* const kAllExt[7] = {".tyxgi0", ".tyxgi1", ".tyxgi2", ".tyxgi3", ".tyxgi4", ".tyxgds", ".tyxgdd"};

inline TgdbPolygon Poly(std::initializer_list<std::pair<float, float>> Pts)
{
    TgdbPolygon p;
    for (const auto& [la, lo] : Pts) p.push_back(TSCoords{la, lo});
    return p;
}

/// Adds a town with only a name and a position.
inline int Town(TGeoDB& Db, const std::string& Name, float Lat, float Long, int Class = 0)
{
    return Db.AddTown(Name, 45000.0, 0, TSCoords{Lat, Long}, 0, static_cast<uint8_t>(Class), 0);
}

} // namespace tyx::test
