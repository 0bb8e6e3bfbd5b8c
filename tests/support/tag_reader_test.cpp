#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "host/tyx_streams.h"
#include "support/Tyx_streams.h"

using namespace tyx;

namespace {

const std::vector<std::string> MapTags = {"geomap", "/geomap", "calline", "corners", "resolution",
                                          "gmlandmarks", "/gmlandmarks", "landmark", "calquads", "lmsymbols",
                                          "/lmsymbols", "symbol", "utmzone", "utmsouth", "ellipsoid", "invalidtag"};
constexpr int EndIx = 15;

// Windows-1252 bytes as a file would hold them: "Café €" is 43 61 66 E9 20 80.
const std::string Sample =
    "<?xml version=\"1.0\"?>\r\n\r\n"
    "<!-- TGeoMap Calibration / Tyxware <geomap> in a comment -->\r\n"
    "<GeoMap sig=\"Tyxware\" vers=\"1.0\" id=\"A\" model=\"equirect\">\r\n"
    "<corners>\r\n[48.00000,16.00000] [47.00000,16.00000] \r\n</corners>\r\n"
    "<resolution>12.500</resolution>\r\n"
    "<calline type=\"meridian\"\r\n value=\"16.5\" npoints=\"3\">\r\n[1,2] [3,4] [5,6] \r\n</calline>\r\n"
    "<unknown a=\"1\">skipped</unknown>\r\n"
    "<gmlandmarks><landmark lat=\"48.5\" captext=\"a > b\" />\r\n"
    "<symbol name=\"Caf\xE9 \x80\"/><UTMZONE>60</UTMZONE>\r\n"
    "</geomap>\r\n";

struct TTag {
    int Index;
    std::string Contents;
    std::string Attributes;
    friend bool operator==(const TTag&, const TTag&) = default;
};

void PrintTo(const TTag& t, std::ostream* os) { *os << t.Index << " [" << t.Contents << "] [" << t.Attributes << "]"; }

// Runs the same expectations over the text-file reader and the stream reader.
class TagSource {
public:
    virtual ~TagSource() = default;
    virtual TTag Next(const std::vector<std::string>& Tags) = 0;
};

class FileTagSource : public TagSource {
public:
    explicit FileTagSource(const std::string& Bytes)
    {
        FPath = (std::filesystem::temp_directory_path() /
                 ("tyx_tags_" + std::to_string(reinterpret_cast<std::uintptr_t>(this)) + ".xml")).string();
        WriteFileBytes(FPath, Bytes.data(), Bytes.size());
        FFile.Reset(FPath);
    }
    ~FileTagSource() override
    {
        FFile.Close();
        std::filesystem::remove(FPath);
    }
    TTag Next(const std::vector<std::string>& Tags) override
    {
        TTag t;
        t.Index = ReadNextTagInTextFile(FFile, Tags, t.Contents, t.Attributes);
        return t;
    }

private:
    std::string FPath;
    TTextFile FFile;
};

class StreamTagSource : public TagSource {
public:
    explicit StreamTagSource(const std::string& Bytes)
    {
        FStream.WriteBuffer(Bytes.data(), static_cast<int64_t>(Bytes.size()));
        FStream.SetPosition(0);
    }
    TTag Next(const std::vector<std::string>& Tags) override
    {
        TTag t;
        t.Index = ReadNextTagInStream(FStream, Tags, t.Contents, t.Attributes);
        return t;
    }
    TMemoryStream FStream;
};

class TagReaderTest : public ::testing::TestWithParam<bool> {
protected:
    std::unique_ptr<TagSource> Make(const std::string& Bytes)
    {
        if (GetParam()) return std::make_unique<StreamTagSource>(Bytes);
        return std::make_unique<FileTagSource>(Bytes);
    }
};

} // namespace

TEST_P(TagReaderTest, ReadsABlockTagByTag)
{
    auto src = Make(Sample);
    const std::vector<TTag> expected = {
        {0, "\r\n", "sig=\"Tyxware\" vers=\"1.0\" id=\"A\" model=\"equirect\""},
        {3, "\r\n[48.00000,16.00000] [47.00000,16.00000] \r\n", ""},
        {4, "12.500", ""},
        {2, "\r\n[1,2] [3,4] [5,6] \r\n", "type=\"meridian\"  value=\"16.5\" npoints=\"3\""},
        {5, "", ""},
        {7, "", "lat=\"48.5\" captext=\"a > b\""},
        {11, "", "name=\"Caf\xC3\xA9 \xE2\x82\xAC\""},
        {12, "60", ""},
        {1, "\r\n", ""},
    };
    for (const TTag& want : expected) EXPECT_EQ(src->Next(MapTags), want);
    // The end of the input keeps answering with the last index and empty texts.
    for (int i = 0; i < 2; ++i) EXPECT_EQ(src->Next(MapTags), (TTag{EndIx, "", ""}));
}

TEST_P(TagReaderTest, EndOfInputInsideATagAndWithoutTags)
{
    EXPECT_EQ(Make("<geomap id=\"x\"")->Next(MapTags), (TTag{EndIx, "", ""}));
    EXPECT_EQ(Make("<!-- never closed <geomap>")->Next(MapTags), (TTag{EndIx, "", ""}));
    EXPECT_EQ(Make("")->Next(MapTags), (TTag{EndIx, "", ""}));
    EXPECT_EQ(Make("<geomap>")->Next({}).Index, -1);
}

TEST_P(TagReaderTest, StrayQuoteSpoilsOnlyItsLine)
{
    auto src = Make("<symbol name=\"a\"b\" size=\"8\">\r\n<symbol name=\"c\">x");
    // Without the line limit the open quote would swallow the second tag.
    EXPECT_EQ(src->Next(MapTags).Index, 11);
    EXPECT_EQ(src->Next(MapTags), (TTag{11, "x", "name=\"c\""}));
}

// The readers take their input in blocks (of 4 KiB and 64 KiB); a tag, a quoted '>' or a line
// break split between two blocks reads as a whole.
TEST_P(TagReaderTest, TagsAcrossBlockBoundaries)
{
    const std::string Tags = "<landmark lat=\"1\"\r\n id=\"a>b\" />tail<utmzone>7</utmzone>";
    for (const std::size_t Boundary : {std::size_t{4096}, std::size_t{65536}}) {
        for (std::size_t Back = 1; Back <= Tags.size(); ++Back) {
            auto src = Make(std::string(Boundary - Back, ' ') + Tags);
            EXPECT_EQ(src->Next(MapTags), (TTag{7, "", "lat=\"1\"  id=\"a>b\""})) << Boundary << " " << Back;
            EXPECT_EQ(src->Next(MapTags), (TTag{12, "7", ""})) << Boundary << " " << Back;
            EXPECT_EQ(src->Next(MapTags).Index, EndIx);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(FileAndStream, TagReaderTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Stream" : "TextFile"; });

TEST(TagReaderStream, LeavesThePositionJustBehindWhatWasRead)
{
    TMemoryStream s;
    const std::string text = "<utmzone>33</utmzone><utmsouth>TRUE</utmsouth>";
    s.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
    s.SetPosition(0);
    std::string contents, attributes;
    ASSERT_EQ(ReadNextTagInStream(s, MapTags, contents, attributes), 12);
    EXPECT_EQ(s.Position(), static_cast<int64_t>(text.find("</utmzone>")));
    // Reading goes on from the current position of the stream.
    ASSERT_EQ(ReadNextTagInStream(s, MapTags, contents, attributes), 13);
    EXPECT_EQ(contents, "TRUE");
}

TEST(WriteLnStream, WritesWindows1252AndCrLf)
{
    TMemoryStream s;
    WriteLnStream(s, "<a>\xC3\xA9\xE2\x82\xAC</a>");
    WriteLnStream(s, "");
    const std::string bytes(reinterpret_cast<const char*>(s.Memory()), static_cast<std::size_t>(s.Size()));
    EXPECT_EQ(bytes, "<a>\xE9\x80</a>\r\n\r\n");
}

TEST(TagReaderTextFile, LineAndTagReadsShareThePosition)
{
    // The first line's CR LF straddles the end of the first 64 KiB block.
    const std::string Long(65535, 'x');
    const std::string Bytes = Long + "\r\n<utmzone>5</utmzone>\r\nlast";
    const std::string Path = (std::filesystem::temp_directory_path() / "tyx_tags_lines.xml").string();
    WriteFileBytes(Path, Bytes.data(), Bytes.size());
    TTextFile F;
    F.Reset(Path);
    std::string contents, attributes;
    EXPECT_EQ(F.ReadLn(), Long);
    EXPECT_EQ(ReadNextTagInTextFile(F, MapTags, contents, attributes), 12);
    EXPECT_EQ(contents, "5");
    EXPECT_EQ(F.ReadLn(), "</utmzone>");
    EXPECT_EQ(F.ReadLn(), "last");
    EXPECT_TRUE(F.Eof());
    F.Close();
    std::filesystem::remove(Path);
}
