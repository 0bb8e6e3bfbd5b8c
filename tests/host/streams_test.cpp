#include "host/tyx_errors.h"
#include "host/tyx_streams.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

using namespace tyx;

namespace {

class TempFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        char Tmpl[] = "/tmp/tyx_streams_XXXXXX";
        ASSERT_NE(mkdtemp(Tmpl), nullptr);
        Dir = Tmpl;
    }
    void TearDown() override { std::filesystem::remove_all(Dir); }
    std::string Path(const std::string& Name) const { return Dir + "/" + Name; }
    std::string Dir;
};

std::string FileText(const std::string& Name)
{
    const std::vector<uint8_t> B = ReadFileBytes(Name);
    return std::string(B.begin(), B.end());
}

} // namespace

TEST(MemoryStream, ReadsWritesSeeksAndResizes)
{
    TMemoryStream S;
    EXPECT_EQ(S.Write("abcdef", 6), 6);
    EXPECT_EQ(S.Size(), 6);
    EXPECT_EQ(S.Position(), 6);
    S.SetPosition(2);
    S.Write("XY", 2);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(S.Memory()), 6), "abXYef");
    char Buf[8] = {};
    S.Seek(-3, soEnd);
    EXPECT_EQ(S.Read(Buf, 8), 3); // only what is left
    EXPECT_EQ(std::string(Buf, 3), "Yef");
    EXPECT_EQ(S.Read(Buf, 1), 0);
    EXPECT_EQ(S.Seek(-100, soCurrent), 0); // clamped at the start

    // Writing past the end leaves a zero-filled gap.
    S.SetPosition(8);
    S.Write("Z", 1);
    EXPECT_EQ(S.Size(), 9);
    EXPECT_EQ(S.Memory()[7], 0);

    S.SetSize(4);
    EXPECT_EQ(S.Position(), 4);
    S.SetPosition(1);
    EXPECT_THROW(S.ReadBuffer(Buf, 4), EInOutError);
    S.SetPosition(1);
    S.ReadBuffer(Buf, 3);
    EXPECT_EQ(std::string(Buf, 3), "bXY");
}

TEST_F(TempFiles, MemoryAndFileStreamsMeetOnDisk)
{
    TMemoryStream M;
    M.Write("\x00\x01\xFFz", 4);
    M.SaveToFile(Path("m.bin"));
    TMemoryStream N;
    N.Write("old", 3);
    N.LoadFromFile(Path("m.bin"));
    EXPECT_EQ(N.Size(), 4);
    EXPECT_EQ(N.Position(), 0);
    EXPECT_EQ(N.Memory()[2], 0xFF);

    TFileStream F(Path("f.bin"), fmCreate);
    F.Write("hello world", 11);
    // Reading straight after writing, at the current position, sees the end of the file.
    char C = 0;
    EXPECT_EQ(F.Read(&C, 1), 0);
    F.Seek(6, soBeginning);
    EXPECT_EQ(F.Read(&C, 1), 1);
    EXPECT_EQ(C, 'w');
    F.Write("O", 1); // and writing straight after reading lands where reading stopped
    EXPECT_EQ(F.Size(), 11);
    F.SetPosition(0);
    TMemoryStream Copy;
    EXPECT_EQ(Copy.CopyFrom(F, 0), 11);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(Copy.Memory()), 11), "hello wOrld");
}

TEST_F(TempFiles, FileErrorsNameTheFile)
{
    try {
        TFileStream F(Path("none.bin"), fmOpenRead);
        FAIL() << "opened a missing file";
    } catch (const EInOutError& E) {
        EXPECT_EQ(E.FileName(), Path("none.bin"));
        EXPECT_FALSE(E.SystemText().empty());
        EXPECT_NE(std::string(E.what()).find("none.bin"), std::string::npos);
    }
    EXPECT_THROW(ReadFileBytes(Dir), EInOutError); // a directory is no file
    EXPECT_THROW(WriteFileBytes(Path("no/such/x"), "a", 1), EInOutError);
    EXPECT_FALSE(FileExists(Dir));
    EXPECT_FALSE(FileExists(Path("none.bin")));
    WriteFileBytes(Path("x"), "a", 1);
    EXPECT_TRUE(FileExists(Path("x")));
}

TEST_F(TempFiles, TextFileWritesCrLfInWindows1252AndReadsAnyLineEnd)
{
    {
        TTextFile T;
        T.Rewrite(Path("t.txt"));
        T.WriteLn("caf\xC3\xA9 \xE2\x82\xAC"); // "café €"
        T.Write("no break ");
        T.WriteLn("\xE4\xB8\xAD \xF0\x9F\x98\x80"); // transliterated; an emoji has no spelling
        T.Close();
    }
    EXPECT_EQ(FileText(Path("t.txt")), "caf\xE9 \x80\r\nno break zhong ?\r\n");

    WriteFileBytes(Path("mixed.txt"), "a\r\nb\nc\rd\r\n\r\ne", 13);
    TTextFile R;
    R.Reset(Path("mixed.txt"));
    std::vector<std::string> Lines;
    while (!R.Eof()) Lines.push_back(R.ReadLn());
    EXPECT_EQ(Lines, (std::vector<std::string>{"a", "b", "c", "d", "", "e"}));
    EXPECT_EQ(R.ReadLn(), "");
    char Ch = 0;
    EXPECT_FALSE(R.ReadChar(Ch));

    TTextFile A;
    A.Append(Path("t.txt"));
    A.WriteLn("more");
    A.Close();
    R.Reset(Path("t.txt")); // reopening closes the previous file
    R.ReadLn();
    R.ReadLn();
    EXPECT_EQ(R.ReadLn(), "more");
    EXPECT_TRUE(R.Eof());
    R.Close();
    EXPECT_FALSE(R.IsOpen());
    EXPECT_TRUE(R.Eof());

    TTextFile M;
    EXPECT_THROW(M.Reset(Path("missing.txt")), EInOutError);
    EXPECT_FALSE(M.IsOpen());
    EXPECT_THROW(M.WriteLn("x"), EInOutError);
}
