// Helpers shared by the tests of the XML files: a temporary folder per test and whole-file text.
#pragma once
#include "host/tyx_streams.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace tyx::test {

/// A fixture with a fresh folder of its own, removed after the test.
class TTempDirTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FDir = std::filesystem::temp_directory_path() /
               ("tyx_xml_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(FDir);
    }
    void TearDown() override { std::filesystem::remove_all(FDir); }

    std::string Path(const std::string& Name) const { return (FDir / Name).string(); }
    /// A file of CR LF lines; the text is given in Windows-1252 bytes.
    std::string WriteLines(const std::string& Name, const std::vector<std::string>& Lines) const
    {
        std::string bytes;
        for (const auto& l : Lines) bytes += l + "\r\n";
        WriteFileBytes(Path(Name), bytes.data(), bytes.size());
        return Path(Name);
    }
    std::filesystem::path FDir;
};

/// The lines joined with CR LF after each.
inline std::string Join(const std::vector<std::string>& Lines)
{
    std::string s;
    for (const auto& l : Lines) s += l + "\r\n";
    return s;
}

/// The bytes of a file.
inline std::string FileText(const std::string& Name)
{
    const auto bytes = ReadFileBytes(Name);
    return std::string(bytes.begin(), bytes.end());
}

} // namespace tyx::test
